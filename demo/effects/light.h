// The light effect: a bump-mapped relief lit by two coloured lights circling over it. A height map
// gives every screen pixel a slope; the slope moves where the pixel looks into a round light spot;
// the two lights' colours are averaged. Slopes and the two colour ramps are made once at set-up, so
// a frame is two lookups per pixel. Rows 0, 198 and 199 are never drawn.
//
// BlurScreen, a short smear of the finished frame, lives here too: row 0 turns black and every later
// pixel becomes the mean of itself and the three pixels before it (already smeared), the frame taken
// as one run of pixels; every call also darkens a little.
//
// The height map must be 320 x 200 (or taller), 8-bit; the light spot 256 x 256, 8-bit.
#pragma once
#include <cstdint>

#include "demo/effects/effect_files.h"
#include "demo/engine/frame.h"

struct LightState {
  uint8_t* fond;       // "Fond": heights, one byte per screen pixel
  uint8_t* spot;       // "Light": 256 x 256 intensities
  uint32_t* ramp1;     // "Light1": the first light's colour per intensity index
  uint32_t* ramp2;     // "Light2"
  int32_t* slopes;     // "Precalc picture": dx, dy per screen pixel
  bool ready;
};
extern LightState LightEffect;

// The two lights' positions at progress p.
void LightPositions(float progress, int32_t l1[2], int32_t l2[2]);

void SetUpLight(const char* heights, const char* spot, const EffectFiles& files);
void DrawLightOn(const FrameTarget& target, float progress);
void FreeLightEffect();
void BlurScreenOn(const FrameTarget& target);
