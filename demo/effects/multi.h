// The multi effect: the meteor spinning over the background picture, each pixel the mean of a
// texture texel and an environment texel looked up by the vertex normal, so that the object looks
// half textured and half reflective.
//
// Set-up reads three files: the object, the texture and the environment picture, both pictures
// 24-bit, 256 pixels wide and at least 256 rows (anything else is fatal, naming the file). The
// pipeline: normals, focal W * 1.6, back faces culled, depth = mean camera z, S = 128, the "multi"
// filler. Camera D = 1100, ox = 70, oy = -20; each draw shows the angles set by the call before it
// (a = p * 6.283, b = p * 12.566, c = p * 18.849), the first draw the starting angles.
//
//   SetUpMulti(3, argv, DataFiles());     // argv = {"meteor4.3dm", "texture2.tga", "zelt2.tga"}
//   DrawMultiOn(ScreenTarget(), progress);
//   FreeMultiEffect();
#pragma once
#include <cstdint>

#include "demo/effects/spinner.h"

extern const SpinnerKind kMultiKind;
extern SpinnerState MultiEffect;

inline void SetUpMulti(int32_t argc, char** argv, const EffectFiles& files) {
  SetUpSpinner(MultiEffect, kMultiKind, argc, argv, files);
}
inline void DrawMultiOn(const FrameTarget& target, float progress) { DrawSpinnerOn(MultiEffect, kMultiKind, target, progress); }
inline void FreeMultiEffect() { FreeSpinner(MultiEffect, kMultiKind); }
