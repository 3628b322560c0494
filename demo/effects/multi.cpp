// The multi effect: set-up, one frame, release.
#include "demo/effects/multi.h"

#include "demo/engine/fill.h"
#include "runtime/log.h"

MultiState MultiEffect;

namespace {

PolyVertex polygon[3];
FillMaps maps;
FrameTarget drawTarget;
bool warnedDraw;

int32_t FillMulti(int32_t n) { return FillPolygon(kFillMulti, polygon, n, maps, drawTarget); }

}  // namespace

void SetUpMulti(int32_t argc, char** argv, const EffectFiles& files) {
  MultiState& s = MultiEffect;
  if (argc < 3) Fatal("multi(): needs the object, the texture and the environment file");
  if (s.ready) {
    Warning("multi(): already set up, the old set-up is released first");
    FreeMultiEffect();
  }
  Info("Begin of multi()");
  Info("Allocating Memory");
  Info("Loading object");
  s.object = {};
  files.loadObject(argv[0], &s.object);
  Info("Loaded %s, %d vertices, %d faces\n", "meteor4.asc", s.object.vertexCount, s.object.faceCount);
  AllocateWorkingArrays(&s.object, kArraysShaded);

  Picture* p = files.loadPicture(argv[1]);
  RequirePicture(p, "multi", argv[1], 256, 256, kExactly24);
  s.texture = PackedMap(*p, "Mapping Texture");
  files.unloadPicture(p);

  p = files.loadPicture(argv[2]);
  RequirePicture(p, "multi", argv[2], 256, 256, kExactly24);
  s.env = PackedMap(*p, "Mapping Texture");
  files.unloadPicture(p);

  s.camera = {kStartAngleA, kStartAngleB, kStartAngleC, 1100, 70, -20, 0.0};
  s.ready = true;
  warnedDraw = false;
}

void DrawMultiOn(const FrameTarget& target, float progress) {
  MultiState& s = MultiEffect;
  if (!s.ready) {
    if (!warnedDraw) Warning("DrawMulti(): the effect is not set up");
    warnedDraw = true;
    return;
  }
  Object3D* o = &s.object;
  s.camera.focal = FocalDouble(target.width);
  Normals(o);
  Transform(o, s.camera, target.width, target.height, true);
  const int32_t n = Visibility(o, kVisibleCull, kDepthMean);
  SortFaces(o, n);
  maps = {nullptr, s.texture, s.env};
  drawTarget = target;
  DrawFaces(o, n, polygon, kRecordTextureEnv, 128.0, FillMulti);
  // The next call shows these angles.
  s.camera.a = progress * 6.283;
  s.camera.b = progress * 12.566;
  s.camera.c = progress * 18.849;
}

void FreeMultiEffect() {
  MultiState& s = MultiEffect;
  if (!s.ready) {
    Warning("FreeMulti(): the effect is not set up");
    return;
  }
  Object3D& o = s.object;
  FreeIfSet(s.texture);
  FreeIfSet(s.env);
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
  s.ready = false;
}
