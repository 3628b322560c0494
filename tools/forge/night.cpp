// The night scene of the sand effect: a 640 x 200 sky and landscape, and its silhouette mask
// (pure red where the sky is, so the clouds only pass there).
#include <algorithm>
#include <cmath>

#include "tools/forge/art.h"
#include "tools/forge/forge.h"
#include "tools/forge/noise.h"

namespace {

constexpr int32_t W = 640, H = 200;

float Crest(int32_t x) {  // mountain line, rows from the top
  float fx = float(x);
  float far = 104.0f - 52.0f * Ridged(fx / 80.0f, 0.3f, 5, 0, 301) * (0.55f + 0.45f * std::sin(fx / 97.0f));
  return std::min(far, 104.0f - 6.0f * Fbm(fx / 30.0f, 1.5f, 3, 0, 303));
}

// Palm: a bent trunk and drooping fronds; returns coverage at (x, y).
float Palm(float x, float y, float bx, float by, float height, float lean) {
  float best = 0;
  for (int32_t k = 0; k <= 40; ++k) {  // trunk
    float t = float(k) / 40.0f;
    float px = bx + lean * t * t * height, py = by - t * height;
    float d = std::hypot(x - px, y - py);
    best = std::max(best, Clamp01(2.2f - t * 1.0f - d));
  }
  float tx = bx + lean * height, ty = by - height;
  for (int32_t f = 0; f < 7; ++f) {  // fronds
    float a = -2.8f + float(f) * 0.93f;
    for (int32_t k = 0; k <= 30; ++k) {
      float t = float(k) / 30.0f;
      float len = 26.0f;
      float px = tx + std::cos(a) * t * len, py = ty + std::sin(a) * t * len * 0.6f + t * t * 12.0f;
      float d = std::hypot(x - px, y - py);
      best = std::max(best, Clamp01(1.8f * (1 - t) + 0.5f - d));
    }
  }
  return best;
}

float Dome(float x, float y) {  // observatory on the ridge
  const float cx = 318, cy = 84;
  float dome = std::hypot((x - cx) / 14.0f, (y - cy) / 12.0f) < 1 && y <= cy ? 1.0f : 0.0f;
  float body = std::fabs(x - cx) < 15 && y > cy - 1 && y < 100 ? 1.0f : 0.0f;
  float slit = std::fabs(x - cx + 4) < 1.5f && y < cy - 2 && y > cy - 11 ? 1.0f : 0.0f;
  return std::max(dome, body) * (1 - slit * 0.0f);
}

float Land(int32_t x, int32_t y) {  // 1 inside the silhouette
  if (y >= 114) return 1;
  float fx = float(x) + 0.5f, fy = float(y) + 0.5f;
  float v = Clamp01(fy - Crest(x) + 0.5f);
  v = std::max(v, Dome(fx, fy));
  v = std::max(v, Palm(fx, fy, 122, 114, 58, 0.35f));
  v = std::max(v, Palm(fx, fy, 146, 114, 44, -0.3f));
  v = std::max(v, Palm(fx, fy, 560, 114, 52, -0.4f));
  return v;
}

}  // namespace

Bytes MakeNightCiel() {
  Image im = MakeImage(W, H);
  for (int32_t y = 0; y < H; ++y)
    for (int32_t x = 0; x < W; ++x) {
      // blue-green: the sand effect adds its clouds as equal steps of red, green and blue in 5-6-5,
      // which tints them towards magenta; a sky with more green keeps them grey
      Rgb sky = Mix(Hex(0x020C14), Hex(0x1A4A5E), Clamp01(float(y) / 112.0f));
      sky = Add(sky, Scale(Hex(0x2A5A5A), std::exp(-std::fabs(float(y) - 108) / 10.0f) * 0.5f));
      Set(im, x, y, sky);
    }
  Stars(im, 420, 311, 96);
  Glow(im, 470, 34, 22, Hex(0x30405A));
  for (int32_t y = 20; y < 50; ++y)  // the moon, with soft maria
    for (int32_t x = 455; x < 486; ++x) {
      float d = std::hypot(float(x) + 0.5f - 470, float(y) + 0.5f - 34) / 12.0f;
      if (d > 1.05f) continue;
      float m = Fbm(float(x) / 6.0f, float(y) / 6.0f, 3, 0, 313) * 0.5f + 0.5f;
      Blend(im, x, y, Mix(Hex(0xF4F0E0), Hex(0xA8A8B8), SmoothStep(0.5f, 0.8f, m)), Clamp01((1.05f - d) * 20.0f));
    }
  for (int32_t y = 0; y < H; ++y)
    for (int32_t x = 0; x < W; ++x) {
      float land = Land(x, y);
      if (land <= 0) continue;
      Rgb c;
      if (y < 114) {
        float rim = std::exp(-std::max(0.0f, float(y) - Crest(x)) / 3.0f) * 0.5f * (float(y) + 1.0f >= Crest(x) ? 1.0f : 0.15f);
        c = Add(Hex(0x0A0C1C), Scale(Hex(0x5A6A9A), rim));
      } else {
        float n = Fbm(float(x) / 40.0f, float(y) / 6.0f, 4, 0, 317) * 0.5f + 0.5f;
        float t = float(y - 114) / 86.0f;
        c = Mix(Hex(0x141A34), Hex(0x2A2230), t);
        c = Scale(c, 0.8f + 0.4f * n);
      }
      Blend(im, x, y, c, land);
    }
  // observatory light
  Glow(im, 314, 80, 2.5f, Hex(0xFFD080));
  return SaveTga(im, TgaPixels::Rgb24, true, true);
}

Bytes MakeNightS() {
  Image im = MakeImage(W, H);
  for (int32_t y = 0; y < H; ++y)
    for (int32_t x = 0; x < W; ++x) Set(im, x, y, Land(x, y) >= 0.5f ? Hex(0x202028) : Rgb{1, 0, 0});
  return SaveTga(im, TgaPixels::Rgb24, true, false);
}
