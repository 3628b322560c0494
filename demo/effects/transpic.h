// The foreground overlay: a screen-sized picture laid over the frame, every pixel but those equal
// to the key (black for the show's key 0) covering what lies below. Its picture must be exactly
// 320 x 200 (the overlay is addressed with the screen's row length), 24- or 32-bit.
#pragma once
#include <cstdint>

#include "demo/effects/effect_files.h"
#include "demo/engine/frame.h"

struct TransPicState {
  uint16_t* picture;   // "TransPic", 5-6-5
  int32_t key;         // compared with the 16-bit pixels; outside 0-65535 it matches nothing
  bool ready;
};
extern TransPicState TransPicEffect;

void SetUpTransPic(const char* name, int32_t key, const EffectFiles& files);
void DrawTransPicOn(const FrameTarget& target);
void FreeTransPicEffect();
