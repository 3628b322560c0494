// The Phong effect: an object spinning over the background picture, each pixel the saturating sum
// of a texture texel and a highlight texel looked up by the vertex normal (Phong-like highlights
// without any lighting computation).
//
// Set-up reads three files: the object, the texture and the highlight picture, both pictures
// 24-bit, 256 pixels wide and at least 256 rows (anything else is fatal, naming the file). The
// pipeline: normals, focal W * 1.6, back faces culled, depth = mean camera z, S = 90, the "phong"
// filler. Camera D = 2048, ox = oy = 0; each draw shows the angles set by the call before it
// (a = p * 6.283, b = p * 12.566, c = p * 18.849), the first draw the starting angles.
//
//   SetUpPhong(3, argv, DataFiles());     // argv = {"obj4.3dm", "texphong2.tga", "specu.tga"}
//   DrawPhongOn(ScreenTarget(), progress);
//   FreePhongEffect();
#pragma once
#include <cstdint>

#include "demo/effects/spinner.h"

extern const SpinnerKind kPhongKind;
extern SpinnerState PhongEffect;

inline void SetUpPhong(int32_t argc, char** argv, const EffectFiles& files) {
  SetUpSpinner(PhongEffect, kPhongKind, argc, argv, files);
}
inline void DrawPhongOn(const FrameTarget& target, float progress) { DrawSpinnerOn(PhongEffect, kPhongKind, target, progress); }
inline void FreePhongEffect() { FreeSpinner(PhongEffect, kPhongKind); }
