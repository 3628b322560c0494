// Lattice noises: gradient (Perlin), octave sums and cellular distance, all tileable.
#include "tools/forge/noise.h"

#include <cmath>

uint32_t Hash3(int32_t x, int32_t y, uint32_t seed) {
  uint32_t h = uint32_t(x) * 0x8DA6B343u ^ uint32_t(y) * 0xD8163841u ^ seed * 0xCB1AB31Fu;
  h ^= h >> 13;
  h *= 0x85EBCA6Bu;
  h ^= h >> 16;
  h *= 0xC2B2AE35u;
  h ^= h >> 15;
  return h;
}

static int32_t Wrap(int32_t v, int32_t period) {
  if (period <= 0) return v;
  v %= period;
  return v < 0 ? v + period : v;
}

static float Grad(int32_t ix, int32_t iy, float dx, float dy, int32_t period, uint32_t seed) {
  uint32_t h = Hash3(Wrap(ix, period), Wrap(iy, period), seed);
  float angle = float(h & 0xFFFF) * (6.2831853f / 65536.0f);
  return std::cos(angle) * dx + std::sin(angle) * dy;
}

static float Fade(float t) { return t * t * t * (t * (t * 6 - 15) + 10); }

float Perlin(float x, float y, int32_t period, uint32_t seed) {
  float fx = std::floor(x), fy = std::floor(y);
  int32_t ix = int32_t(fx), iy = int32_t(fy);
  float dx = x - fx, dy = y - fy;
  float n00 = Grad(ix, iy, dx, dy, period, seed);
  float n10 = Grad(ix + 1, iy, dx - 1, dy, period, seed);
  float n01 = Grad(ix, iy + 1, dx, dy - 1, period, seed);
  float n11 = Grad(ix + 1, iy + 1, dx - 1, dy - 1, period, seed);
  float u = Fade(dx), v = Fade(dy);
  float a = n00 + (n10 - n00) * u;
  float b = n01 + (n11 - n01) * u;
  return (a + (b - a) * v) * 1.41f;
}

float Fbm(float x, float y, int32_t octaves, int32_t period, uint32_t seed) {
  float sum = 0, weight = 0.5f, norm = 0;
  for (int32_t o = 0; o < octaves; ++o) {
    sum += Perlin(x, y, period, seed + uint32_t(o) * 101u) * weight;
    norm += weight;
    x *= 2;
    y *= 2;
    period *= 2;
    weight *= 0.5f;
  }
  return sum / norm;
}

float Ridged(float x, float y, int32_t octaves, int32_t period, uint32_t seed) {
  float sum = 0, weight = 0.5f, norm = 0;
  for (int32_t o = 0; o < octaves; ++o) {
    float n = 1.0f - std::fabs(Perlin(x, y, period, seed + uint32_t(o) * 131u));
    sum += n * n * weight;
    norm += weight;
    x *= 2;
    y *= 2;
    period *= 2;
    weight *= 0.5f;
  }
  return sum / norm;
}

float Cellular(float x, float y, int32_t period, uint32_t seed) {
  float fx = std::floor(x), fy = std::floor(y);
  int32_t ix = int32_t(fx), iy = int32_t(fy);
  float best = 9.0f;
  for (int32_t j = -1; j <= 1; ++j)
    for (int32_t i = -1; i <= 1; ++i) {
      uint32_t h = Hash3(Wrap(ix + i, period), Wrap(iy + j, period), seed);
      float px = float(ix + i) + float(h & 0xFFFF) / 65536.0f;
      float py = float(iy + j) + float(h >> 16) / 65536.0f;
      float d = std::hypot(px - x, py - y);
      if (d < best) best = d;
    }
  return best;
}
