// The light effect, BlurScreen, and their timeline routines.
#include "demo/effects/light.h"

#include <cmath>
#include <cstring>

#include "demo/engine/same_math.h"
#include "runtime/log.h"
#include "runtime/memory.h"

LightState LightEffect;

namespace {

constexpr int32_t kW = 320, kH = 200;

void Require8Bit(const Picture* p, const char* name, int32_t width, int32_t rows) {
  if (p->data && p->bytesPerPixel == 1 && p->width == width && p->height >= rows) return;
  Fatal("InitLight(): \"%s\" must be %d pixels wide, at least %d rows, 8-bit (it is %d x %d, %d-bit)", name, width,
        rows, p->width, p->height, p->depth);
}

// The light map index of a slope moved by a light: negative or past 255 reads column (row) 255.
inline uint32_t Clamp255(int32_t v) {
  const uint32_t u = uint32_t(v);
  return u > 255 ? 255 : u;
}

// The mean of two 5-6-5 colours, each field rounded down: the bits both have, plus half of those
// only one has, with the bit each field's lowest one shifts into the field below cleared. Nothing
// carries from one field into another, so it all fits in 16 bits and vectorises 8 pixels at a time.
inline uint16_t Mean565(uint16_t a, uint16_t b) { return uint16_t((a & b) + ((a ^ b) >> 1 & 0x7BEF)); }

}  // namespace

// The angles are floats, their sine and cosine doubles.
void LightPositions(float progress, int32_t l1[2], int32_t l2[2]) {
  const double a20 = progress * 20.0f, a10 = progress * 10.0f;
  l1[0] = int32_t(SameCos(a20) * 80.0 + 160.0);
  l1[1] = int32_t(SameSin(a10) * 60.0 + 100.0);
  l2[0] = int32_t(SameCos(a10) * 80.0 + 160.0);
  l2[1] = int32_t(SameSin(a10) * 30.0 + 100.0);
}

void SetUpLight(const char* heights, const char* spot, const EffectFiles& files) {
  LightState& s = LightEffect;
  if (s.ready) FreeLightEffect();
  s.fond = (uint8_t*)Nalloc(kW * kH, "Fond");
  s.spot = (uint8_t*)Nalloc(0x10000, "Light");
  s.ramp1 = (uint32_t*)Nalloc(0x40000, "Light1");
  s.ramp2 = (uint32_t*)Nalloc(0x40000, "Light2");
  s.slopes = (int32_t*)Nalloc(kW * kH * 8, "Precalc picture");

  Picture* p = files.loadPicture(heights);
  Require8Bit(p, heights, kW, kH);
  memcpy(s.fond, p->data, kW * kH);
  files.unloadPicture(p);
  p = files.loadPicture(spot);
  Require8Bit(p, spot, 256, 256);
  memcpy(s.spot, p->data, 0x10000);
  files.unloadPicture(p);

  for (int32_t k = 0; k < 65536; k++) {
    const double i = s.spot[k] * 0.00392156862745098;
    s.ramp1[k] = uint32_t(int32_t(i * 31.875) << 11 | int32_t(i * 57.0) << 5 | int32_t(i * 21.25));
    s.ramp2[k] = uint32_t(int32_t(i * 18.0) << 11 | int32_t(i * 51.75) << 5 | int32_t(i * 31.875));
  }
  memset(s.slopes, 0, kW * kH * 8);
  for (int32_t y = 1; y <= kH - 3; y++)
    for (int32_t x = 0; x < kW; x++) {
      const int32_t at = y * kW + x;
      s.slopes[2 * at] = s.fond[at + 1] - s.fond[at - 1] - x + 128;
      s.slopes[2 * at + 1] = s.fond[at + kW] - s.fond[at - kW] + 128 - y;
    }
  s.ready = true;
}

void DrawLightOn(const FrameTarget& target, float progress) {
  const LightState& s = LightEffect;
  if (!s.ready || target.width != kW || target.height != kH) return;
  int32_t l1[2], l2[2];
  LightPositions(progress, l1, l2);
  const int32_t stride = target.stride ? target.stride : target.width;
  // A row's light map indices first, then the look-ups: two short loops that the compiler turns
  // into vector code better than one long one.
  uint32_t at1[kW], at2[kW];
  for (int32_t y = 1; y <= kH - 3; y++) {
    const int32_t* slope = s.slopes + 2 * y * kW;
    uint16_t* out = target.pixels + size_t(y) * size_t(stride);
    for (int32_t x = 0; x < kW; x++) {
      at1[x] = Clamp255(l1[1] + slope[2 * x + 1]) * 256 + Clamp255(l1[0] + slope[2 * x]);
      at2[x] = Clamp255(l2[1] + slope[2 * x + 1]) * 256 + Clamp255(l2[0] + slope[2 * x]);
    }
    for (int32_t x = 0; x < kW; x++) out[x] = Mean565(uint16_t(s.ramp1[at1[x]]), uint16_t(s.ramp2[at2[x]]));
  }
}

void FreeLightEffect() {
  LightState& s = LightEffect;
  if (!s.ready) return;
  FreeIfSet(s.ramp1);
  FreeIfSet(s.ramp2);
  FreeIfSet(s.slopes);
  FreeIfSet(s.fond);
  FreeIfSet(s.spot);
  s.ready = false;
}

void BlurScreenOn(const FrameTarget& target) {
  const int32_t w = target.width, h = target.height;
  const int32_t stride = target.stride ? target.stride : w;
  if (w <= 0 || h <= 0) return;
  memset(target.pixels, 0, size_t(w) * 2);
  // The three pixels before the current one, already smeared; they run on from the end of the row
  // above into the start of the next, as in one run of pixels.
  uint32_t p1 = target.pixels[w - 1], p2 = target.pixels[w - 2 >= 0 ? w - 2 : 0],
           p3 = target.pixels[w - 3 >= 0 ? w - 3 : 0];
  for (int32_t y = 1; y < h; y++) {
    uint16_t* row = target.pixels + size_t(y) * size_t(stride);
    for (int32_t x = 0; x < w; x++) {
      const uint32_t p0 = row[x];
      const uint32_t r = ((p0 & 0xF800) + (p1 & 0xF800) + (p2 & 0xF800) + (p3 & 0xF800)) >> 2 & 0xF800;
      const uint32_t g = ((p0 & 0x7E0) + (p1 & 0x7E0) + (p2 & 0x7E0) + (p3 & 0x7E0)) >> 2 & 0x7E0;
      const uint32_t b = ((p0 & 0x1F) + (p1 & 0x1F) + (p2 & 0x1F) + (p3 & 0x1F)) >> 2 & 0x1F;
      row[x] = uint16_t(r | g | b);
      p3 = p2;
      p2 = p1;
      p1 = row[x];
    }
  }
}
