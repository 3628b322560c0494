// Working pictures: allocation, blending and blurs.
#include "tools/forge/image.h"

#include <algorithm>
#include <cmath>

Image MakeImage(int32_t width, int32_t height, Rgb fill, float alpha) {
  Image im;
  im.width = width;
  im.height = height;
  im.px.resize(size_t(width) * height * 4);
  for (size_t i = 0; i < im.px.size(); i += 4) {
    im.px[i] = fill.r;
    im.px[i + 1] = fill.g;
    im.px[i + 2] = fill.b;
    im.px[i + 3] = alpha;
  }
  return im;
}

void Blend(Image& im, int32_t x, int32_t y, Rgb c, float a) {
  if (x < 0 || y < 0 || x >= im.width || y >= im.height || a <= 0) return;
  a = std::min(a, 1.0f);
  float* p = At(im, x, y);
  p[0] += (c.r - p[0]) * a;
  p[1] += (c.g - p[1]) * a;
  p[2] += (c.b - p[2]) * a;
}

float Clamp01(float v) { return v < 0 ? 0 : (v > 1 ? 1 : v); }

float SmoothStep(float e0, float e1, float x) {
  float t = Clamp01((x - e0) / (e1 - e0));
  return t * t * (3 - 2 * t);
}

Rgb Ramp(const Rgb* stops, int32_t count, float t) {
  t = Clamp01(t) * float(count - 1);
  int32_t i = std::min(int32_t(t), count - 2);
  return Mix(stops[i], stops[i + 1], t - float(i));
}

static void BlurLine(float* data, int32_t count, int32_t stride, int32_t radius, bool wrap, std::vector<float>& tmp) {
  tmp.resize(size_t(count));
  for (int32_t i = 0; i < count; ++i) tmp[size_t(i)] = data[size_t(i) * stride];
  const float inv = 1.0f / float(2 * radius + 1);
  auto sample = [&](int32_t i) {
    if (wrap) return tmp[size_t(((i % count) + count) % count)];
    return tmp[size_t(std::clamp(i, 0, count - 1))];
  };
  float sum = 0;
  for (int32_t k = -radius; k <= radius; ++k) sum += sample(k);
  for (int32_t i = 0; i < count; ++i) {
    data[size_t(i) * stride] = sum * inv;
    sum += sample(i + radius + 1) - sample(i - radius);
  }
}

void BoxBlurPlane(std::vector<float>& plane, int32_t width, int32_t height, int32_t radius, int32_t passes,
                  bool wrap) {
  std::vector<float> tmp;
  for (int32_t p = 0; p < passes; ++p) {
    for (int32_t y = 0; y < height; ++y) BlurLine(&plane[size_t(y) * width], width, 1, radius, wrap, tmp);
    for (int32_t x = 0; x < width; ++x) BlurLine(&plane[size_t(x)], height, width, radius, wrap, tmp);
  }
}

void BoxBlur(Image& im, int32_t radius, int32_t passes, bool wrap) {
  std::vector<float> tmp;
  for (int32_t c = 0; c < 4; ++c)
    for (int32_t p = 0; p < passes; ++p) {
      for (int32_t y = 0; y < im.height; ++y)
        BlurLine(&im.px[(size_t(y) * im.width) * 4 + c], im.width, 4, radius, wrap, tmp);
      for (int32_t x = 0; x < im.width; ++x)
        BlurLine(&im.px[size_t(x) * 4 + c], im.height, im.width * 4, radius, wrap, tmp);
    }
}
