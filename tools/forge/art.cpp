// Painting helpers shared by the pictures.
#include "tools/forge/art.h"

#include <algorithm>
#include <cmath>

#include "tools/forge/noise.h"
#include "tools/forge/text.h"

void Stars(Image& im, int32_t count, uint32_t seed, int32_t maxY) {
  Rng rng{seed};
  for (int32_t i = 0; i < count; ++i) {
    float x = rng.Range(0, float(im.width)), y = rng.Range(0, float(maxY));
    float b = rng.Unit();
    b = b * b * b;
    Rgb tint = Mix(Hex(0xA8C8FF), Hex(0xFFE8C8), rng.Unit());
    int32_t ix = int32_t(x), iy = int32_t(y);
    float bright = 0.25f + 0.75f * b;
    for (int32_t dy = -1; dy <= 1; ++dy)
      for (int32_t dx = -1; dx <= 1; ++dx) {
        if (ix + dx < 0 || iy + dy < 0 || ix + dx >= im.width || iy + dy >= im.height) continue;
        float d = std::hypot(float(ix + dx) + 0.5f - x, float(iy + dy) + 0.5f - y);
        float a = std::max(0.0f, 1.0f - d) * bright;
        float* p = At(im, ix + dx, iy + dy);
        p[0] = std::min(1.0f, p[0] + tint.r * a);
        p[1] = std::min(1.0f, p[1] + tint.g * a);
        p[2] = std::min(1.0f, p[2] + tint.b * a);
      }
    if (b > 0.6f) Glow(im, x, y, 3.5f, Scale(tint, 0.35f));
  }
}

Rgb Chrome(float t) {
  static constexpr uint32_t stops[] = {0x2A3C78, 0x7FA8E0, 0xE8F4FF, 0xFFFFFF, 0x3A2410,
                                       0x8A5A2A, 0xE8B070, 0xFFE8C0, 0x9A6A40};
  static constexpr float at[] = {0.0f, 0.2f, 0.42f, 0.5f, 0.52f, 0.62f, 0.8f, 0.92f, 1.0f};
  t = Clamp01(t);
  for (int32_t i = 0; i < 8; ++i)
    if (t <= at[i + 1]) return Mix(Hex(stops[i]), Hex(stops[i + 1]), (t - at[i]) / (at[i + 1] - at[i]));
  return Hex(stops[8]);
}

Lit Relief(const std::vector<float>& hgt, int32_t w, int32_t h, int32_t x, int32_t y, float depth, float lx, float ly,
           float lz, float shininess) {
  auto H = [&](int32_t px, int32_t py) {
    px = std::clamp(px, 0, w - 1);
    py = std::clamp(py, 0, h - 1);
    return hgt[size_t(py) * w + px];
  };
  float gx = (H(x + 1, y) - H(x - 1, y)) * depth;
  float gy = (H(x, y + 1) - H(x, y - 1)) * depth;
  float nx = -gx, ny = -gy, nz = 1.0f;
  float nl = std::sqrt(nx * nx + ny * ny + nz * nz);
  nx /= nl; ny /= nl; nz /= nl;
  float ll = std::sqrt(lx * lx + ly * ly + lz * lz);
  lx /= ll; ly /= ll; lz /= ll;
  float d = std::max(0.0f, nx * lx + ny * ly + nz * lz);
  // half vector with the eye straight above
  float hx = lx, hy = ly, hz = lz + 1.0f;
  float hl = std::sqrt(hx * hx + hy * hy + hz * hz);
  float s = std::pow(std::max(0.0f, (nx * hx + ny * hy + nz * hz) / hl), shininess);
  return {d, s};
}

void Glow(Image& im, float cx, float cy, float r, Rgb c) {
  int32_t x0 = std::max(0, int32_t(cx - r * 3)), x1 = std::min(im.width - 1, int32_t(cx + r * 3));
  int32_t y0 = std::max(0, int32_t(cy - r * 3)), y1 = std::min(im.height - 1, int32_t(cy + r * 3));
  for (int32_t y = y0; y <= y1; ++y)
    for (int32_t x = x0; x <= x1; ++x) {
      float d = std::hypot(float(x) + 0.5f - cx, float(y) + 0.5f - cy) / r;
      float a = std::exp(-d * d);
      float* p = At(im, x, y);
      p[0] = std::min(1.0f, p[0] + c.r * a);
      p[1] = std::min(1.0f, p[1] + c.g * a);
      p[2] = std::min(1.0f, p[2] + c.b * a);
    }
}

void ChromeTitle(Image& im, const char* font, int32_t size, float cx, float baseline, const std::string& text,
                 float tracking, float shadow) {
  const int32_t w = im.width, h = im.height;
  std::vector<float> cov(size_t(w) * h, 0.0f);
  float tw = MeasureText(font, size, text, tracking);
  DrawText(cov, w, h, font, size, cx - tw / 2, baseline, text, tracking);
  std::vector<float> bevel = cov;
  BoxBlurPlane(bevel, w, h, 1, 2, false);
  std::vector<float> sh(size_t(w) * h, 0.0f);
  for (int32_t y = 0; y < h; ++y)
    for (int32_t x = 0; x < w; ++x)
      if (x >= 3 && y >= 3) sh[size_t(y) * w + x] = cov[size_t(y - 3) * w + x - 3];
  BoxBlurPlane(sh, w, h, 3, 3, false);
  const float top = baseline - float(size) * 0.74f, bottom = baseline;
  for (int32_t y = 0; y < h; ++y)
    for (int32_t x = 0; x < w; ++x) {
      size_t i = size_t(y) * w + x;
      float* p = At(im, x, y);
      float s = sh[i] * shadow;
      for (int c = 0; c < 3; ++c) p[c] *= 1.0f - s;
      if (cov[i] <= 0) continue;
      Lit l = Relief(bevel, w, h, x, y, 3.0f, -0.5f, -0.7f, 0.6f, 24.0f);
      float t = (float(y) - top) / (bottom - top);
      Rgb c = Chrome(t + (l.diffuse - 0.7f) * 0.15f);
      c = Add(Scale(c, 0.55f + 0.5f * l.diffuse), Scale(Rgb{1, 1, 1}, l.specular * 0.8f));
      c = {Clamp01(c.r), Clamp01(c.g), Clamp01(c.b)};
      Blend(im, x, y, c, cov[i]);
    }
}

void ShadowText(Image& im, const char* font, int32_t size, float x, float baseline, const std::string& text,
                Rgb colour, float tracking) {
  const int32_t w = im.width, h = im.height;
  std::vector<float> cov(size_t(w) * h, 0.0f);
  DrawText(cov, w, h, font, size, x, baseline, text, tracking);
  std::vector<float> sh(size_t(w) * h, 0.0f);
  for (int32_t y = 1; y < h; ++y)
    for (int32_t x2 = 1; x2 < w; ++x2) sh[size_t(y) * w + x2] = cov[size_t(y - 1) * w + x2 - 1];
  BoxBlurPlane(sh, w, h, 1, 2, false);
  for (int32_t y = 0; y < h; ++y)
    for (int32_t x2 = 0; x2 < w; ++x2) {
      size_t i = size_t(y) * w + x2;
      Blend(im, x2, y, {0, 0, 0}, std::min(1.0f, sh[i] * 1.2f) * 0.8f);
      Blend(im, x2, y, colour, cov[i]);
    }
}
