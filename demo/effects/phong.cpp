// The Phong effect: set-up, one frame, release.
#include "demo/effects/phong.h"

#include "demo/engine/fill.h"
#include "runtime/log.h"

PhongState PhongEffect;

namespace {

PolyVertex polygon[3];
FillMaps maps;
FrameTarget drawTarget;
bool warnedDraw;

int32_t FillPhong(int32_t n) { return FillPolygon(kFillPhong, polygon, n, maps, drawTarget); }

}  // namespace

void SetUpPhong(int32_t argc, char** argv, const EffectFiles& files) {
  PhongState& s = PhongEffect;
  if (argc < 3) Fatal("Phong(): needs the object, the texture and the highlight file");
  if (s.ready) {
    Warning("Phong(): already set up, the old set-up is released first");
    FreePhongEffect();
  }
  Info("Begin of Phong()");
  s.object = {};
  files.loadObject(argv[0], &s.object);
  Info("Loaded %s, %d vertices, %d faces\n", "meteor4.3dm", s.object.vertexCount, s.object.faceCount);
  AllocateWorkingArrays(&s.object, kArraysShaded);

  Picture* p = files.loadPicture(argv[1]);
  RequirePicture(p, "Phong", argv[1], 256, 256, kExactly24);
  s.texture = PackedMap(*p, "Mapping Texture");
  files.unloadPicture(p);

  p = files.loadPicture(argv[2]);
  RequirePicture(p, "Phong", argv[2], 256, 256, kExactly24);
  s.highlight = PackedMap(*p, "Env Texture");
  files.unloadPicture(p);

  s.camera = {kStartAngleA, kStartAngleB, kStartAngleC, 2048, 0, 0, 0.0};
  s.ready = true;
  warnedDraw = false;
}

void DrawPhongOn(const FrameTarget& target, float progress) {
  PhongState& s = PhongEffect;
  if (!s.ready) {
    if (!warnedDraw) Warning("DrawPhong(): the effect is not set up");
    warnedDraw = true;
    return;
  }
  Object3D* o = &s.object;
  s.camera.focal = FocalDouble(target.width);
  Normals(o);
  Transform(o, s.camera, target.width, target.height, true);
  const int32_t n = Visibility(o, kVisibleCull, kDepthMean);
  SortFaces(o, n);
  maps = {nullptr, s.texture, s.highlight};
  drawTarget = target;
  DrawFaces(o, n, polygon, kRecordTextureEnv, 90.0, FillPhong);
  // The next call shows these angles.
  s.camera.a = progress * 6.283;
  s.camera.b = progress * 12.566;
  s.camera.c = progress * 18.849;
}

void FreePhongEffect() {
  PhongState& s = PhongEffect;
  if (!s.ready) {
    Warning("FreePhong(): the effect is not set up");
    return;
  }
  Object3D& o = s.object;
  FreeIfSet(s.texture);
  FreeIfSet(s.highlight);
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
