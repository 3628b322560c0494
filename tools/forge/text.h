// Typography for the forge: anti-aliased text from the DejaVu fonts through FreeType.
//
// Text is rendered as coverage (0..1 per pixel) into a float plane, so that generators can fill
// it with gradients, emboss it into height maps or blur it into shadows. Fonts are named by file
// ("DejaVuSans-Bold.ttf") inside the DejaVu folder; a font that cannot be opened draws nothing and
// TextFailed() turns true, which the forge reports as an error.
//
//   std::vector<float> cov(320 * 200);
//   float w = MeasureText("DejaVuSans-Bold.ttf", 40, "tarvon");
//   DrawText(cov, 320, 200, "DejaVuSans-Bold.ttf", 40, 160 - w / 2, 120, "tarvon");
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "tools/forge/image.h"

// Width in pixels of the text at the given pixel size, with `tracking` extra pixels per letter.
float MeasureText(const char* font, int32_t pixelSize, const std::string& text, float tracking = 0);
// Adds the text's coverage into the plane (saturating at 1) with its baseline at y, starting at x.
void DrawText(std::vector<float>& coverage, int32_t width, int32_t height, const char* font, int32_t pixelSize,
              float x, float y, const std::string& text, float tracking = 0);
bool TextFailed();

// A caption layer: the coverage filled with fill(x, y) over a soft black shadow offset by (dx, dy),
// blurred with `blur` pixels, at `strength` opacity, written as straight (not premultiplied)
// colour and alpha into the image area starting at (ox, oy).
struct ShadowStyle {
  int32_t dx = 2, dy = 2, blur = 2;
  float strength = 0.8f;
};
template <typename Fill>
void PaintCaption(Image& im, int32_t ox, int32_t oy, const std::vector<float>& cov, int32_t w, int32_t h,
                  const ShadowStyle& style, Fill fill) {
  std::vector<float> shadow(size_t(w) * h, 0.0f);
  for (int32_t y = 0; y < h; ++y)
    for (int32_t x = 0; x < w; ++x) {
      int32_t sx = x - style.dx, sy = y - style.dy;
      if (sx >= 0 && sy >= 0 && sx < w && sy < h) shadow[size_t(y) * w + x] = cov[size_t(sy) * w + sx];
    }
  BoxBlurPlane(shadow, w, h, style.blur, 3, false);
  for (int32_t y = 0; y < h; ++y)
    for (int32_t x = 0; x < w; ++x) {
      float c = cov[size_t(y) * w + x];
      float s = Clamp01(shadow[size_t(y) * w + x] * style.strength * 1.6f);
      if (s > style.strength) s = style.strength;
      float a = c + s * (1 - c);
      float* p = At(im, ox + x, oy + y);
      Rgb col = a > 0 ? Scale(fill(x, y), c / a) : Rgb{};
      p[0] = col.r;
      p[1] = col.g;
      p[2] = col.b;
      p[3] = a;
    }
}
