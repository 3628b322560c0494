// The checker effect: one textured object flying along a spline path over whatever the frame
// already shows. A mask picture punches holes in the texture (wherever the mask is pure black the
// texel becomes 0, transparent), so the object is a lattice whose inner faces show through.
//
// Set-up words: the object, the mask picture, the texture picture, the spline path. Both pictures
// must be 256 pixels wide, at least 256 rows, 24 or 32 bits (anything else is fatal, naming the
// file). The texture block "Mapping texture" holds 65536 texels of 5-6-5.
// Pipeline: no normals, focal W * 1024 / 640 in integers, both sides drawn, depth = sum of camera z
// times 0.3333333333333333, the clipping "checker" filler (keyed copy).
//   DrawCheckerOn       path slot 0 at p * 300, held at its last key: a, b, c, ox, oy, D
//   DrawCreditPlateOn   path slot 0 at p * 2000, looping back to 100: c, ox; a = b = 0, D = 800
// The effect never clears the frame. It is set up twice in the show (the meteor, then the credits
// plate); the second set-up follows a release.
//
//   SetUpChecker(4, argv, DataFiles());   // {"meteor4.3dm", "checkfun.tga", "zelt2.tga", "checker.spl"}
//   DrawCheckerOn(ScreenTarget(), progress);
//   FreeCheckerEffect();
#pragma once
#include <cstdint>

#include "demo/effects/effect_files.h"
#include "demo/engine/frame.h"
#include "demo/engine/pipeline.h"
#include "demo/engine/spline.h"

struct CheckerState {
  Object3D object;
  uint16_t* texture;    // "Mapping texture", 65536 texels, 0 = transparent
  Camera camera;        // a, b, c, D, ox, oy as the draws last set them
  bool ready;
};
extern CheckerState CheckerEffect;
extern SplineStore CheckerSplines;   // the effect's own paths; slot 0 is used

constexpr int32_t kCheckerTexels = 65536;

void SetUpChecker(int32_t argc, char** argv, const EffectFiles& files);
void DrawCheckerOn(const FrameTarget& target, float progress);
void DrawCreditPlateOn(const FrameTarget& target, float progress);
void FreeCheckerEffect();

// The texel of one picture pixel (red, green, blue bytes): plain 5-6-5 truncation.
constexpr uint16_t CheckerTexel(uint8_t r, uint8_t g, uint8_t b) {
  return uint16_t((r & 0xF8) << 8 | (g & 0xFC) << 3 | b >> 3);
}
static_assert(CheckerTexel(255, 255, 255) == 0xFFFF && CheckerTexel(7, 3, 7) == 0);
