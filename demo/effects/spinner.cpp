// The spinning textured object: set-up, one frame, release.
#include "demo/effects/spinner.h"

#include "runtime/log.h"

namespace {

// The filler callback of DrawFaces takes only a vertex count; the frame's maps and target wait here.
PolyVertex polygon[3];
FillMaps frameMaps;
FrameTarget frameTarget;
Filler frameFiller;

int32_t FillFace(int32_t n) { return FillPolygon(frameFiller, polygon, n, frameMaps, frameTarget); }

uint32_t* LoadPacked(const SpinnerKind& kind, const char* name, const char* label, const EffectFiles& files) {
  Picture* p = files.loadPicture(name);
  RequirePicture(p, kind.name, name, 256, 256, kExactly24);
  uint32_t* map = PackedMap(*p, label);
  files.unloadPicture(p);
  return map;
}

}  // namespace

void SetUpSpinner(SpinnerState& s, const SpinnerKind& kind, int32_t argc, char** argv, const EffectFiles& files) {
  if (argc < 3) Fatal("%s(): needs the object, the texture and the environment file", kind.name);
  if (s.ready) {
    Warning("%s(): already set up, the old set-up is released first", kind.name);
    FreeSpinner(s, kind);
  }
  Info("Begin of %s()", kind.name);
  if (kind.logSteps) {
    Info("Allocating Memory");
    Info("Loading object");
  }
  s.object = {};
  files.loadObject(argv[0], &s.object);
  Info("Loaded %s, %d vertices, %d faces\n", kind.loadedName, s.object.vertexCount, s.object.faceCount);
  AllocateWorkingArrays(&s.object, kArraysShaded);
  s.texture = LoadPacked(kind, argv[1], "Mapping Texture", files);
  s.env = LoadPacked(kind, argv[2], kind.envLabel, files);
  s.camera = {kStartAngleA, kStartAngleB, kStartAngleC, kind.distance, kind.ox, kind.oy, 0.0};
  s.ready = true;
  s.warnedDraw = false;
}

void DrawSpinnerOn(SpinnerState& s, const SpinnerKind& kind, const FrameTarget& target, float progress) {
  if (!s.ready) {
    if (!s.warnedDraw) Warning("%s(): the effect is not set up", kind.drawName);
    s.warnedDraw = true;
    return;
  }
  Object3D* o = &s.object;
  s.camera.focal = FocalDouble(target.width);
  Normals(o);
  Transform(o, s.camera, target.width, target.height, true);
  const int32_t n = Visibility(o, kind.visibility, kind.depth);
  SortFaces(o, n);
  frameMaps = {nullptr, s.texture, s.env};
  frameTarget = target;
  frameFiller = kind.filler;
  DrawFaces(o, n, polygon, kRecordTextureEnv, kind.S, FillFace);
  s.camera.a = progress * kind.rates[0];
  s.camera.b = progress * kind.rates[1];
  s.camera.c = progress * kind.rates[2];
}

void FreeSpinner(SpinnerState& s, const SpinnerKind& kind) {
  if (!s.ready) {
    Warning("%s(): the effect is not set up", kind.freeName);
    return;
  }
  FreeIfSet(s.texture);
  FreeIfSet(s.env);
  FreeObjectBlocks(s.object);
  s.ready = false;
}

void FreeObjectBlocks(Object3D& o) {
  FreeIfSet(o.RVerts);
  FreeIfSet(o.faces);
  FreeIfSet(o.SVerts);
  FreeIfSet(o.Verts);
  FreeIfSet(o.Fnorm);
  FreeIfSet(o.Vnorm);
  FreeIfSet(o.VnormRotated);
  FreeIfSet(o.Visibles);
  FreeIfSet(o.Map);
  o = {};
}
