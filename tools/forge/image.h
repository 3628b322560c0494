// The forge's working picture: floating-point red, green, blue and alpha in 0..1, rows top first.
//
// Every generator paints into an Image with plain procedures (Set, Blend, Clamp) and the TGA
// writer (tga.h) quantises it once at the end, so all art is resolution-exact and repeatable.
//
//   Image sky = MakeImage(320, 200);
//   for (int y = 0; y < 200; ++y) for (int x = 0; x < 320; ++x) Set(sky, x, y, {0.1f, 0.2f, y / 200.f});
#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

struct Rgb {
  float r = 0, g = 0, b = 0;
};

struct Image {
  int32_t width = 0;
  int32_t height = 0;
  std::vector<float> px;  // width * height * 4 floats: r, g, b, a
};

Image MakeImage(int32_t width, int32_t height, Rgb fill = {}, float alpha = 1.0f);

inline float* At(Image& im, int32_t x, int32_t y) { return &im.px[(size_t(y) * im.width + x) * 4]; }
inline const float* At(const Image& im, int32_t x, int32_t y) { return &im.px[(size_t(y) * im.width + x) * 4]; }
inline Rgb Get(const Image& im, int32_t x, int32_t y) {
  const float* p = At(im, x, y);
  return {p[0], p[1], p[2]};
}
inline void Set(Image& im, int32_t x, int32_t y, Rgb c) {
  float* p = At(im, x, y);
  p[0] = c.r; p[1] = c.g; p[2] = c.b;
}
// Lays colour c over the pixel with opacity a (0..1); pixels outside the image are ignored.
void Blend(Image& im, int32_t x, int32_t y, Rgb c, float a);

inline Rgb Mix(Rgb a, Rgb b, float t) { return {a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t}; }
inline Rgb Scale(Rgb a, float s) { return {a.r * s, a.g * s, a.b * s}; }
inline Rgb Add(Rgb a, Rgb b) { return {a.r + b.r, a.g + b.g, a.b + b.b}; }
inline Rgb Mul(Rgb a, Rgb b) { return {a.r * b.r, a.g * b.g, a.b * b.b}; }
inline Rgb Hex(uint32_t rgb) {
  return {float((rgb >> 16) & 255) / 255.f, float((rgb >> 8) & 255) / 255.f, float(rgb & 255) / 255.f};
}
float Clamp01(float v);
float SmoothStep(float e0, float e1, float x);
// Colour ramp through evenly spaced stops, t in 0..1.
Rgb Ramp(const Rgb* stops, int32_t count, float t);

// Separable box blur of every channel, repeated `passes` times (three passes look Gaussian).
void BoxBlur(Image& im, int32_t radius, int32_t passes, bool wrap);
// Same over one float plane of width * height values.
void BoxBlurPlane(std::vector<float>& plane, int32_t width, int32_t height, int32_t radius, int32_t passes,
                  bool wrap);
