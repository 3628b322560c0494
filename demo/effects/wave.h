// The wave module: a wipe between a picture and black shaped by a grey mask, with a full-screen
// background routine. No row of the show calls it; its own sequence of rows (the effect viewer's "wave")
// lays the background, then blacks out every pixel whose mask value lies below a threshold rising
// with the progress (direction 1) or falling (any other direction).
//
// The background must be at least 320 x 200, 24- or 32-bit; the mask at least 320 x 200 of any
// depth (its first bytes are the mask: an 8-bit grey picture's grey levels).
#pragma once
#include <cstdint>

#include "demo/effects/effect_files.h"
#include "demo/engine/frame.h"

struct WaveState {
  uint16_t* fond;      // "Fond", 5-6-5
  uint8_t* mask;       // "WavePic"
  int32_t direction;
};
extern WaveState WaveEffect;

// The threshold below which mask values go black at progress p.
int32_t WaveThreshold(float progress, int32_t direction);

void SetUpFond(const char* name, const EffectFiles& files);
void SetUpWave(const char* name, int32_t direction, const EffectFiles& files);
void DrawFondOn(const FrameTarget& target);
void DrawWaveOn(const FrameTarget& target, float progress);
void FreeFondPicture();
void FreeWaveMask();
