// The checker effect: set-up, the two draws (flying object, credits plate), release.
#include "demo/effects/checker.h"

#include "demo/engine/fill.h"
#include "demo/engine/fixed.h"
#include "runtime/log.h"
#include "runtime/memory.h"

CheckerState CheckerEffect;
SplineStore CheckerSplines;

namespace {

PolyVertex polygon[3];
FillMaps maps;
FrameTarget drawTarget;
bool warnedDraw;

int32_t FillChecker(int32_t n) { return FillPolygon(kFillChecker, polygon, n, maps, drawTarget); }

bool Ready(const char* routine) {
  if (CheckerEffect.ready) return true;
  if (!warnedDraw) Warning("%s(): the effect is not set up", routine);
  warnedDraw = true;
  return false;
}

void DrawObject(const FrameTarget& target) {
  CheckerState& s = CheckerEffect;
  Object3D* o = &s.object;
  s.camera.focal = FocalInteger(target.width);
  Transform(o, s.camera, target.width, target.height, false);
  const int32_t n = Visibility(o, kVisibleBothSides, kDepthThird);
  SortFaces(o, n);
  maps = {s.texture, nullptr, nullptr};
  drawTarget = target;
  DrawFaces(o, n, polygon, kRecordTexture, 0.0, FillChecker);
}

}  // namespace

void SetUpChecker(int32_t argc, char** argv, const EffectFiles& files) {
  CheckerState& s = CheckerEffect;
  if (argc < 4) Fatal("InitChecker(): needs the object, the mask, the texture and the path file");
  if (s.ready) {
    Warning("InitChecker(): already set up, the old set-up is released first");
    FreeCheckerEffect();
  }
  Info("Begin of InitChecker()");
  s.texture = (uint16_t*)Nalloc(kCheckerTexels * 2, "Mapping texture");
  s.object = {};
  files.loadObject(argv[0], &s.object);
  AllocateWorkingArrays(&s.object, kArraysTexture);

  Picture* p = files.loadPicture(argv[2]);
  RequirePicture(p, "InitChecker", argv[2], 256, 256, kAtLeast24);
  const uint8_t* px = p->data;
  for (int32_t i = 0; i < kCheckerTexels; i++, px += p->bytesPerPixel) s.texture[i] = CheckerTexel(px[0], px[1], px[2]);
  files.unloadPicture(p);

  p = files.loadPicture(argv[1]);
  RequirePicture(p, "InitChecker", argv[1], 256, 256, kAtLeast24);
  px = p->data;
  for (int32_t i = 0; i < kCheckerTexels; i++, px += p->bytesPerPixel)
    if ((px[0] | px[1] | px[2]) == 0) s.texture[i] = 0;
  files.unloadPicture(p);

  s.camera = {kStartAngleA, kStartAngleB, kStartAngleC, 900, 0, 0, 0.0};
  files.loadSpline(&CheckerSplines, 0, argv[3]);
  s.ready = true;
  warnedDraw = false;
  Info("End of InitChecker()");
}

void DrawCheckerOn(const FrameTarget& target, float progress) {
  if (!Ready("DrawChecker")) return;
  CheckerState& s = CheckerEffect;
  double v[kSplineValues] = {};
  EvalSpline(&CheckerSplines, 0, progress * 300.0, v, -1);
  s.camera.a = v[0];
  s.camera.b = v[1];
  s.camera.c = v[2];
  s.camera.ox = ToFixed(v[3]);
  s.camera.oy = ToFixed(v[4]);
  s.camera.distance = ToFixed(v[5]);
  DrawObject(target);
}

void DrawCreditPlateOn(const FrameTarget& target, float progress) {
  if (!Ready("DrawCreditPlate")) return;
  CheckerState& s = CheckerEffect;
  double v[kSplineValues] = {};
  EvalSpline(&CheckerSplines, 0, progress * 2000.0, v, 100);
  s.camera.c = v[0];
  s.camera.ox = ToFixed(v[1]);
  s.camera.a = 0.0;
  s.camera.b = 0.0;
  s.camera.distance = 800;
  DrawObject(target);
}

void FreeCheckerEffect() {
  CheckerState& s = CheckerEffect;
  if (!s.ready) {
    Warning("FreeChecker(): the effect is not set up");
    return;
  }
  Object3D& o = s.object;
  FreeIfSet(s.texture);
  FreeIfSet(o.RVerts);
  FreeIfSet(o.faces);
  FreeIfSet(o.SVerts);
  FreeIfSet(o.Verts);
  FreeIfSet(o.Visibles);
  FreeIfSet(o.Map);
  o = {};
  s.ready = false;
}
