// The surface the engine draws into: width x height 16-bit 5-6-5 pixels, rows top to bottom, row r
// starting `stride` pixels after row r - 1 (stride 0 means rows follow with no gap, as in the frame
// buffer). The timeline's routines pass the frame buffer (runtime/video.h); tests pass their own,
// for instance a window inside a larger buffer whose border must stay untouched.
#pragma once
#include <cstdint>

struct FrameTarget {
  uint16_t* pixels;
  int32_t width;
  int32_t height;
  int32_t stride;   // 0: width
};

inline int64_t RowStride(const FrameTarget& t) { return t.stride > 0 ? t.stride : t.width; }

// The frame buffer of runtime/video.h as a target.
FrameTarget ScreenTarget();
