// The contact sheet: box-filtered thumbnails and a 3 x 5 pixel font for their times.
#include "platform/contact.h"

#include <cstdio>

#include "platform/png.h"

namespace {

constexpr int32_t kColumns = 6;
constexpr int32_t kGap = 4;
constexpr int32_t kLabel = 14;   // rows under a thumbnail for its time

// Glyphs of "0123456789:-", five rows of three bits each, top row first.
constexpr uint16_t kGlyphs[12][5] = {
    {7, 5, 5, 5, 7}, {2, 6, 2, 2, 7}, {7, 1, 7, 4, 7}, {7, 1, 7, 1, 7}, {5, 5, 7, 1, 1}, {7, 4, 7, 1, 7},
    {7, 4, 7, 5, 7}, {7, 1, 1, 1, 1}, {7, 5, 7, 5, 7}, {7, 5, 7, 1, 7}, {0, 2, 0, 2, 0}, {0, 0, 7, 0, 0},
};

void DrawText(std::vector<uint8_t>& rgb, int32_t width, int32_t x, int32_t y, const char* text) {
  for (; *text; text++, x += 8) {
    int32_t g = *text == ':' ? 10 : *text == '-' ? 11 : *text - '0';
    if (g < 0 || g > 11) continue;
    for (int32_t row = 0; row < 5; row++)
      for (int32_t col = 0; col < 3; col++)
        if (kGlyphs[g][row] & (4 >> col))
          for (int32_t dy = 0; dy < 2; dy++)
            for (int32_t dx = 0; dx < 2; dx++) {
              const size_t at = (size_t(y + row * 2 + dy) * size_t(width) + size_t(x + col * 2 + dx)) * 3;
              rgb[at] = rgb[at + 1] = rgb[at + 2] = 230;
            }
  }
}

}  // namespace

void ContactBegin(ContactSheet& sheet, int32_t frameWidth, int32_t frameHeight) {
  sheet.frameWidth = frameWidth;
  sheet.frameHeight = frameHeight;
  sheet.thumbs.clear();
  sheet.times.clear();
}

void ContactAdd(ContactSheet& sheet, const uint16_t* frame, int32_t showMs) {
  const int32_t w = sheet.frameWidth, tw = w / 2, th = sheet.frameHeight / 2;
  std::vector<uint8_t> full(size_t(w) * size_t(sheet.frameHeight) * 3);
  PlatRgbFrom565(frame, w * sheet.frameHeight, full.data());
  std::vector<uint8_t> thumb(size_t(tw) * size_t(th) * 3);
  for (int32_t y = 0; y < th; y++)
    for (int32_t x = 0; x < tw; x++)
      for (int32_t c = 0; c < 3; c++) {
        auto at = [&](int32_t yy, int32_t xx) { return full[(size_t(yy) * size_t(w) + size_t(xx)) * 3 + size_t(c)]; };
        const int32_t sum = at(2 * y, 2 * x) + at(2 * y, 2 * x + 1) + at(2 * y + 1, 2 * x) + at(2 * y + 1, 2 * x + 1);
        thumb[(size_t(y) * size_t(tw) + size_t(x)) * 3 + size_t(c)] = uint8_t((sum + 2) / 4);
      }
  sheet.thumbs.push_back(std::move(thumb));
  sheet.times.push_back(showMs);
}

bool ContactWrite(const ContactSheet& sheet, const char* path) {
  const int32_t tw = sheet.frameWidth / 2, th = sheet.frameHeight / 2;
  const int32_t count = int32_t(sheet.thumbs.size());
  const int32_t rows = count ? (count + kColumns - 1) / kColumns : 1;
  const int32_t width = kColumns * (tw + kGap) + kGap, height = rows * (th + kLabel + kGap) + kGap;
  std::vector<uint8_t> rgb(size_t(width) * size_t(height) * 3, 40);
  for (int32_t i = 0; i < count; i++) {
    const int32_t x0 = kGap + (i % kColumns) * (tw + kGap), y0 = kGap + (i / kColumns) * (th + kLabel + kGap);
    for (int32_t y = 0; y < th; y++)
      for (int32_t x = 0; x < tw * 3; x++)
        rgb[(size_t(y0 + y) * size_t(width) + size_t(x0)) * 3 + size_t(x)] = sheet.thumbs[size_t(i)][size_t(y * tw * 3 + x)];
    const int32_t ms = sheet.times[size_t(i)], s = (ms < 0 ? -ms : ms) / 1000;
    char label[16];
    snprintf(label, sizeof label, "%s%d:%02d", ms < 0 ? "-" : "", s / 60, s % 60);
    DrawText(rgb, width, x0, y0 + th + 2, label);
  }
  return PlatWritePng(path, rgb.data(), width, height);
}
