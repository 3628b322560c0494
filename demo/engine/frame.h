// The surface the engine draws into: 16-bit 5-6-5 pixels, `width` per row, rows top to bottom with
// no gap. The timeline's routines pass the frame buffer (runtime/video.h); tests pass their own.
#pragma once
#include <cstdint>

struct FrameTarget {
  uint16_t* pixels;
  int32_t width;
  int32_t height;
};

// The frame buffer of runtime/video.h as a target.
FrameTarget ScreenTarget();
