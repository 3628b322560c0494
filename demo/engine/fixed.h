// Fixed-point and pixel helpers shared by the pipeline, the fillers and the image slots.
//
// Conventions, stated once:
//   - 16.16 fixed point: integer part in the high 16 bits. Conversions from double truncate toward
//     zero; a value outside the signed 32-bit range (or NaN) converts to 0 (ToFixed).
//   - Fixed-point sums and products wrap modulo 2^32 like the 32-bit integers they model
//     (WrapAdd, WrapMul), so no stepping can overflow into undefined behaviour.
//   - 5-6-5 pixel: red bits 15-11, green 10-5, blue 4-0 (the frame buffer's form).
//   - Packed texel: red << 18 | green << 9 | blue, 9-bit fields, so two texels add without carries.
//
//   int32_t u = ToFixed(12.5 * 65536.0);        // 0x000C8000
//   uint16_t p = Pack565(255, 128, 0);          // 0xFC00
//   uint16_t q = SaturatingSum(PackTexel(0, 127, 255), PackTexel(255, 0, 0));
#pragma once
#include <cstdint>

// Double to a 32-bit integer, truncated toward zero; out of range or NaN gives 0.
constexpr int32_t ToFixed(double value) {
  return (value > -2147483649.0 && value < 2147483648.0) ? int32_t(value) : 0;
}

// Double to a row or column number, truncated toward zero and held within +-2^30 so that row
// arithmetic never overflows; NaN gives the low bound.
constexpr int32_t ToRow(double value) {
  if (!(value > -1073741824.0)) return -1073741824;
  if (!(value < 1073741824.0)) return 1073741824;
  return int32_t(value);
}

constexpr int32_t WrapAdd(int32_t a, int32_t b) { return int32_t(uint32_t(a) + uint32_t(b)); }
constexpr int32_t WrapSub(int32_t a, int32_t b) { return int32_t(uint32_t(a) - uint32_t(b)); }
constexpr int32_t WrapMul(int32_t a, int32_t b) { return int32_t(uint32_t(a) * uint32_t(b)); }

static_assert(ToFixed(12.5 * 65536.0) == 0x000C8000);
static_assert(ToFixed(-1.75) == -1 && ToFixed(1.75) == 1);
static_assert(ToFixed(2147483648.0) == 0 && ToFixed(-2147483649.0) == 0);
static_assert(ToFixed(2147483647.9) == 2147483647 && ToFixed(-2147483648.5) == -2147483647 - 1);
static_assert(ToRow(-0.5) == 0 && ToRow(1e300) == 1073741824 && ToRow(-1e300) == -1073741824);
static_assert(WrapAdd(0x7FFFFFFF, 1) == -2147483647 - 1 && WrapMul(0x10000, 0x10000) == 0);

// ---- 5-6-5 pixels ----

// Plain truncation of 8-bit red, green, blue to 5-6-5.
constexpr uint16_t Pack565(uint32_t r, uint32_t g, uint32_t b) {
  return uint16_t((r & 0xF8) << 8 | (g & 0xFC) << 3 | (b & 0xFF) >> 3);
}
static_assert(Pack565(255, 255, 255) == 0xFFFF && Pack565(7, 3, 7) == 0);
static_assert(Pack565(255, 0, 0) == 0xF800 && Pack565(0, 255, 0) == 0x07E0 && Pack565(0, 0, 255) == 0x001F);

// The image slots' conversion with weight a (256 = opaque, plain truncation; below that the colour
// is premultiplied by a / 256). Integer arithmetic wraps as 32-bit.
constexpr uint16_t Premultiply565(uint32_t r, uint32_t g, uint32_t b, int32_t a) {
  int32_t rr = int32_t(uint32_t(r) * uint32_t(a)) >> 8 & 0xFFF8;
  int32_t gg = int32_t(uint32_t(g) * uint32_t(a)) >> 8 & 0xFFFC;
  int32_t bb = int32_t(uint32_t(b) * uint32_t(a)) >> 11;
  return uint16_t(uint32_t(rr) << 8 | uint32_t(gg) << 3 | uint32_t(bb));
}
static_assert(Premultiply565(255, 255, 255, 256) == 0xFFFF);
static_assert(Premultiply565(255, 255, 255, 128) == 0x7BEF);
static_assert(Premultiply565(200, 100, 50, 0) == 0);

// Blends a premultiplied source pixel s of opacity alpha (0-255) over the frame pixel d. Each field
// keeps its low bits: a carry out of a field is dropped, not saturated.
constexpr uint16_t BlendAlpha565(uint16_t d, uint16_t s, uint8_t alpha) {
  uint32_t k = 256u - alpha;
  uint32_t g = ((((d & 0x07E0u) * k) >> 8) + (s & 0xFFE0u)) & 0x07E0u;
  uint32_t r = ((((d & 0xF800u) * k) >> 8) + (s & 0xF800u)) & 0xF800u;
  uint32_t b = ((((d & 0x001Fu) * k) >> 8) + s) & 0x001Fu;
  return uint16_t(g | r | b);
}
static_assert(BlendAlpha565(0xFFFF, 0x7BEF, 128) == 0xF7DE);
static_assert(BlendAlpha565(0x1234, 0x0000, 0) == 0x1234);
static_assert(BlendAlpha565(0xFFFF, 0xA5A5, 255) == 0xA5A5);

// ---- packed texels ----

constexpr uint32_t PackTexel(uint32_t r, uint32_t g, uint32_t b) {
  return (r & 0xFF) << 18 | (g & 0xFF) << 9 | (b & 0xFF);
}

constexpr uint32_t Min32(uint32_t a, uint32_t b) { return a < b ? a : b; }

// Sum of two packed texels at 5-6-5 precision, each channel doubled and saturated.
constexpr uint16_t SaturatingSum(uint32_t t, uint32_t e) {
  uint32_t s = t + e;
  uint32_t r = Min32(31, 2 * ((s >> 22) & 31));
  uint32_t g = Min32(63, 2 * ((s >> 12) & 63));
  uint32_t b = Min32(31, 2 * ((s >> 4) & 31));
  return uint16_t(r << 11 | g << 5 | b);
}
static_assert(SaturatingSum(PackTexel(0, 127, 255), PackTexel(255, 0, 0)) == (30 << 11 | 30 << 5 | 30));
static_assert(SaturatingSum(PackTexel(255, 255, 255), PackTexel(255, 255, 255)) == 0xFFFF);
static_assert(SaturatingSum(PackTexel(127, 127, 127), 0) == (14 << 11 | 30 << 5 | 14));
static_assert(SaturatingSum(PackTexel(1, 1, 1), PackTexel(255, 255, 255)) == 0xFFFF);

// Mean of two packed texels at 5-6-5 precision.
constexpr uint16_t MeanTexel(uint32_t t, uint32_t e) {
  uint32_t s = t + e;
  return uint16_t(((s >> 22) & 31) << 11 | ((s >> 12) & 63) << 5 | ((s >> 4) & 31));
}
static_assert(MeanTexel(PackTexel(255, 255, 255), PackTexel(255, 255, 255)) == 0xFFFF);
static_assert(MeanTexel(PackTexel(255, 255, 255), 0) == (15 << 11 | 31 << 5 | 15));

// ---- map addressing ----

// Index of a texel in a map 256 texels wide and 256 rows high: u in 16.16, v in 24.8. Both wrap to
// 0-255, so every index lies in 0-65535.
constexpr uint32_t MapIndex(int32_t u, int32_t v) {
  return ((uint32_t(u) >> 16) & 0xFFu) | (uint32_t(v) & 0xFF00u);
}
static_assert(MapIndex(256 << 16, 0) == 0 && MapIndex(-(1 << 16), 0) == 255);
static_assert(MapIndex(3 << 16, 5 << 8) == 5 * 256 + 3 && MapIndex(0, -(1 << 8)) == 255 * 256);
