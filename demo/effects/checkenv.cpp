// Checkenv: set-up from "conf.rc", one frame, release, and its routines.
#include "demo/effects/checkenv.h"

#include <cstdio>
#include <cstring>

#include "demo/effects/spinner.h"
#include "demo/engine/fixed.h"
#include "runtime/log.h"
#include "runtime/memory.h"

CheckenvState CheckenvEffect;

namespace {

PolyVertex polygon[3];
FillMaps frameMaps;
FrameTarget frameTarget;

int32_t FillFace(int32_t n) { return FillPolygon(kFillCheckenv, polygon, n, frameMaps, frameTarget); }

}  // namespace

bool ReadCheckenvConfig(const char* path, char map[64], char mask[64]) {
  FILE* f = fopen(path, "r");
  if (!f) {
    Error("Checkenv(): Couldn't open \"%s\"", path);
    return false;
  }
  char line[64] = {};
  const bool got = fgets(line, sizeof line, f) != nullptr;   // at most 63 characters of the first line
  fclose(f);
  // Each name fits the 64-byte buffers whatever the line holds: the line itself is 63 characters.
  if (!got || sscanf(line, "%63s %63s", map, mask) != 2) {
    Error("Checkenv(): \"%s\" must name a map and a mask picture on its first line", path);
    return false;
  }
  return true;
}

void SetUpCheckenv(const EffectFiles& files) {
  CheckenvState& s = CheckenvEffect;
  if (s.ready) FreeCheckenvEffect();
  Info("Begin of Checkenv()");
  char mapName[64], maskName[64];
  if (!ReadCheckenvConfig("conf.rc", mapName, maskName)) return;
  Info("Allocating Memory");
  s.map = (uint16_t*)Nalloc(0x20000, "Mapping texture");
  s.object = {};
  files.loadObject("meteor4.3dm", &s.object);
  Object3D& o = s.object;
  o.RVerts = (Vertex3*)Nalloc(o.vertexCount * 24, "RVerts");
  o.SVerts = (ScreenPoint*)Nalloc(o.vertexCount * 16, "SVerts");
  o.Fnorm = (Vertex3*)Nalloc(o.faceCount * 24, "Fnorm");
  o.Vnorm = (Vertex3*)Nalloc(o.vertexCount * 24, "Vnorm");
  o.VnormRotated = (Vertex3*)Nalloc(o.vertexCount * 24, "VnormRotated");
  o.Visibles = (Visible*)Nalloc(o.faceCount * 16, "Visibles");

  Info("Loading Texture");
  Picture* p = files.loadPicture(mapName);
  RequirePicture(p, "Checkenv", mapName, 256, 256, kExactly24);
  for (int32_t i = 0; i < 65536; i++) s.map[i] = Pack565(p->data[3 * i], p->data[3 * i + 1], p->data[3 * i + 2]);
  files.unloadPicture(p);
  p = files.loadPicture(maskName);
  RequirePicture(p, "Checkenv", maskName, 256, 256, kExactly24);
  for (int32_t i = 0; i < 65536; i++)
    if (p->data[3 * i] && p->data[3 * i + 1] && p->data[3 * i + 2]) s.map[i] = 0;
  files.unloadPicture(p);
  s.camera = {0.0, 0.0, 0.0, 900, 0, 0, 0.0};
  s.ready = true;
}

void DrawCheckenvOn(const FrameTarget& target, float progress) {
  CheckenvState& s = CheckenvEffect;
  if (!s.ready) return;
  Object3D* o = &s.object;
  s.camera.focal = FocalInteger(target.width);
  Normals(o);
  Transform(o, s.camera, target.width, target.height, true);
  const int32_t n = Visibility(o, kVisibleBothSides, kDepthThird);
  SortFaces(o, n);
  frameMaps = {s.map, nullptr, nullptr};
  frameTarget = target;
  DrawFaces(o, n, polygon, kRecordEnv, 80.0, FillFace);
  s.camera.a = progress * 6.283;
  s.camera.b = progress * 12.566;
  s.camera.c = progress * 18.849;
}

void FreeCheckenvEffect() {
  CheckenvState& s = CheckenvEffect;
  if (!s.ready) return;
  FreeIfSet(s.map);
  FreeObjectBlocks(s.object);
  s.ready = false;
}
