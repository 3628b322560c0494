// The credits captions: the three role words (fonctions.tga) and the nine handles (noms.tga),
// 32-bit pictures whose alpha holds the anti-aliased letters and their soft shadow.
#include <cmath>

#include "tools/forge/art.h"
#include "tools/forge/forge.h"
#include "tools/forge/text.h"

// Row k of noms.tga is sprite 11 - k; the timeline shows sprites 11, 5, 3, 4, 6, 7 under the
// coder caption, 10 and 9 under the design caption, and 8 under music and code together.
const Handle kHandles[9] = {
    {"Zerkon", "code"},  {"Lumi", "design"},    {"Ondine", "design"}, {"Skald", "music"},  {"Vortigan", "code"},
    {"Nibbler", "code"}, {"Fizzbit", "code"},   {"Morlock", "code"},  {"Tetrax", "code"},
};

namespace {

// One caption band: the word centred in a w x h area at row oy, filled with a vertical gradient
// between two colours and a bright rim, over a soft shadow.
void Band(Image& im, int32_t oy, int32_t w, int32_t h, const char* font, int32_t size, const char* word, Rgb top,
          Rgb bottom, float baseline, float tracking) {
  std::vector<float> cov(size_t(w) * h, 0.0f);
  float tw = MeasureText(font, size, word, tracking);
  DrawText(cov, w, h, font, size, (float(w) - tw) / 2, baseline, word, tracking);
  const float capTop = baseline - float(size) * 0.73f;
  ShadowStyle style;
  style.dx = 3;
  style.dy = 3;
  style.blur = 3;
  style.strength = 0.75f;
  PaintCaption(im, 0, oy, cov, w, h, style, [&](int32_t, int32_t y) {
    float t = Clamp01((float(y) - capTop) / (baseline - capTop));
    Rgb c = Mix(top, bottom, t);
    float rim = std::exp(-std::pow((t - 0.18f) / 0.08f, 2.0f));
    return Add(Scale(c, 1.0f - rim * 0.4f), Scale(Rgb{1, 1, 1}, rim * 0.4f));
  });
}

}  // namespace

Bytes MakeFonctions() {
  Image im = MakeImage(276, 198, {}, 0.0f);
  const char* font = "DejaVuSans-BoldOblique.ttf";
  Band(im, 0, 276, 66, font, 42, "code", Hex(0xFFF2C0), Hex(0xE07A20), 46, 2);
  Band(im, 66, 276, 66, font, 42, "design", Hex(0xD8F4FF), Hex(0x2A7AD0), 46, 2);
  Band(im, 132, 276, 66, font, 42, "music", Hex(0xFFE0F4), Hex(0xB02A90), 46, 2);
  return SaveTga(im, TgaPixels::Rgba32, true, true, "tarvon3 credits: roles");
}

Bytes MakeNoms() {
  Image im = MakeImage(200, 432, {}, 0.0f);
  for (int32_t k = 0; k < 9; ++k) {
    int32_t size = 30;
    while (size > 14 && MeasureText("DejaVuSans-Bold.ttf", size, kHandles[k].name, 1) > 184) --size;
    Band(im, 48 * k, 200, 48, "DejaVuSans-Bold.ttf", size, kHandles[k].name, Hex(0xFFFFFF), Hex(0x9AB8E8), 35, 1);
  }
  return SaveTga(im, TgaPixels::Rgba32, false, true);
}
