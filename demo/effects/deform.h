// The deform effect: the whole screen is a picture seen through a fixed lens. A table made at
// set-up maps every screen pixel to a picture pixel (squeezed towards the borders, stretched in
// the middle); each frame shifts the view by an offset swinging on two sines, and wherever the
// shifted view leaves the screen the pixel is black. Every pixel of the frame is written.
//
// The table and the drawing use 320 as the row length of the screen and the picture: the screen
// is 320 x 200 and the picture must be at least 320 x 200, 24- or 32-bit (checked at set-up).
//
//   SetUpDeform("fond.tga", DataFiles());
//   DrawDeformOn(ScreenTarget(), progress);
//   FreeDeformEffect();
#pragma once
#include <cstdint>

#include "demo/effects/effect_files.h"
#include "demo/engine/frame.h"

struct DeformState {
  uint16_t* picture;   // "deffond": the picture in 5-6-5, its own width x height
  int32_t* lens;       // "deform": one picture index sy * 320 + sx per screen pixel
  bool ready;
};
extern DeformState DeformEffect;

// The view's shift at progress p.
void DeformOffset(float progress, int32_t* dx, int32_t* dy);

void SetUpDeform(const char* name, const EffectFiles& files);
void DrawDeformOn(const FrameTarget& target, float progress);
void FreeDeformEffect();
