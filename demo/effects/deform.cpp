// The deform effect: the lens table, the swinging view, the routines of the timeline.
#include "demo/effects/deform.h"

#include <cmath>
#include <cstring>

#include "demo/effects/screen_picture.h"
#include "demo/engine/same_math.h"
#include "runtime/log.h"
#include "runtime/memory.h"

DeformState DeformEffect;

namespace {

constexpr int32_t kW = 320, kH = 200;

// The lens along one axis: position i of n maps to n * (cos(((1 - 2(n-1-i)/n) * 0.8 - 1) * 1.57) + 1) / 2,
// wrapped into 0 .. wrap.
double Lens(int32_t i, int32_t n, double wrap) {
  double s = n * (SameCos(((1.0 - 2.0 * (n - 1 - i) / n) * 0.8 - 1.0) * 1.57) + 1.0) * 0.5;
  while (s < 0) s += wrap;
  while (s >= wrap) s -= wrap;
  return s;
}

}  // namespace

void DeformOffset(float progress, int32_t* dx, int32_t* dy) {
  *dx = int32_t(SameCos(progress * 19.625 + 1.0) * 76.0);
  *dy = int32_t(SameSin(progress * 31.400000000000002 + 2.0) * 72.0);
}

void SetUpDeform(const char* name, const EffectFiles& files) {
  DeformState& s = DeformEffect;
  if (s.ready) FreeDeformEffect();
  Picture* p = files.loadPicture(name);
  s.picture = ScreenPicture565(p, "InitDeform", name, "deffond", false);
  files.unloadPicture(p);

  s.lens = (int32_t*)Nalloc(kW * kH * 4, "deform");
  memset(s.lens, 0, size_t(kW) * kH * 4);
  int32_t column[kW];
  for (int32_t x = 0; x < kW; x++) column[x] = int32_t(Lens(x, kW, 320.0));
  for (int32_t y = 0; y < kH; y++) {
    const int32_t row = int32_t(Lens(y, kH, 200.0)) * 320;
    for (int32_t x = 0; x < kW; x++) s.lens[y * kW + x] = row + column[x];
  }
  s.ready = true;
}

void DrawDeformOn(const FrameTarget& target, float progress) {
  const DeformState& s = DeformEffect;
  if (!s.ready || target.width != kW || target.height != kH) return;
  int32_t dx, dy;
  DeformOffset(progress, &dx, &dy);
  const int32_t shift = dy * 320 + dx;
  // Columns x with 0 <= x + dx < W and rows with 0 <= y + dy < H see the picture; the rest is black.
  const int32_t x0 = dx < 0 ? -dx : 0, x1 = dx > 0 ? kW - dx : kW;
  const int32_t stride = target.stride ? target.stride : target.width;
  for (int32_t y = 0; y < kH; y++) {
    uint16_t* out = target.pixels + size_t(y) * size_t(stride);
    if (y + dy < 0 || y + dy >= kH) {
      memset(out, 0, kW * 2);
      continue;
    }
    const int32_t* lens = s.lens + y * kW;
    for (int32_t x = 0; x < x0; x++) out[x] = 0;
    for (int32_t x = x0; x < x1; x++) {
      const uint32_t at = uint32_t(lens[x] + shift);
      out[x] = at < uint32_t(kW * kH) ? s.picture[at] : 0;
    }
    for (int32_t x = x1 > x0 ? x1 : x0; x < kW; x++) out[x] = 0;
  }
}

void FreeDeformEffect() {
  DeformState& s = DeformEffect;
  if (!s.ready) return;
  FreeIfSet(s.picture);
  FreeIfSet(s.lens);
  s.ready = false;
}
