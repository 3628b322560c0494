// The transition glitch and its timeline routine.
#include "demo/effects/transition.h"

#include <cmath>
#include <cstring>

#include "demo/effects/random.h"

void TransitionOn(const FrameTarget& target, float progress) {
  constexpr int32_t kRowBuffer = 1024;
  const int32_t w = target.width, h = target.height;
  const int32_t stride = target.stride ? target.stride : w;
  if (w <= 0 || w > kRowBuffer || h <= 1) return;
  const float amp = float(1.0 - fabs(2.0 * progress - 1.0));
  // The frame is taken as one run of pixels, row after row: a row written back `shift` pixels on
  // spills into the start of the next. Pixels that would run past the last row are dropped, so
  // nothing is written outside the frame, whatever the shift, the width or the stride.
  const size_t frameEnd = size_t(h) * size_t(w);
  uint16_t row[kRowBuffer];
  for (int32_t y = 0; y < h - 1; y++) {
    // The float nearest 1/32767, multiplied in doubles: 32767 gives 99, never 100.
    const int32_t q = int32_t(double(Random()) * double(3.0518509e-05f) * 100.0);
    const int32_t shift = int32_t(float(q) * amp);
    memcpy(row, target.pixels + size_t(y) * size_t(stride), size_t(w) * 2);
    const uint16_t* from = row;
    size_t left = size_t(w), at = size_t(y) * size_t(w) + size_t(shift);
    while (left > 0 && at < frameEnd) {
      const size_t r = at / size_t(w), c = at % size_t(w);
      const size_t n = left < size_t(w) - c ? left : size_t(w) - c;
      memcpy(target.pixels + r * size_t(stride) + c, from, n * 2);
      from += n;
      left -= n;
      at += n;
    }
  }
}
