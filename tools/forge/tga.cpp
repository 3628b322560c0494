// TGA encoder (all six image types of the show's loader) and a matching decoder for review.
#include "tools/forge/tga.h"

#include <algorithm>
#include <cmath>
#include <cstring>

uint8_t Quantise(float v) { return uint8_t(std::lround(Clamp01(v) * 255.0f)); }

static void Put16(std::vector<uint8_t>& out, int32_t v) {
  out.push_back(uint8_t(v & 255));
  out.push_back(uint8_t((v >> 8) & 255));
}

static void Header(std::vector<uint8_t>& out, const TgaLayout& layout, int32_t type, bool mapped, int32_t mapLength,
                   int32_t width, int32_t height, int32_t depth, int32_t descriptor) {
  const size_t idLength = std::min<size_t>(layout.id.size(), 255);
  out.push_back(uint8_t(idLength));
  out.push_back(mapped ? 1 : 0);
  out.push_back(uint8_t(type));
  Put16(out, 0);
  Put16(out, mapped ? mapLength : 0);
  out.push_back(mapped ? 24 : 0);
  Put16(out, 0);
  Put16(out, 0);
  Put16(out, width);
  Put16(out, height);
  out.push_back(uint8_t(depth));
  out.push_back(uint8_t(descriptor));
  out.insert(out.end(), layout.id.begin(), layout.id.begin() + long(idLength));
}

// Pixels of one row (bytes-per-pixel each) appended raw or as run-length packets.
static void PutRow(std::vector<uint8_t>& out, const uint8_t* row, int32_t width, int32_t bpp, bool rle) {
  if (!rle) {
    out.insert(out.end(), row, row + size_t(width) * bpp);
    return;
  }
  auto same = [&](int32_t a, int32_t b) { return std::memcmp(row + size_t(a) * bpp, row + size_t(b) * bpp, size_t(bpp)) == 0; };
  int32_t x = 0;
  while (x < width) {
    int32_t run = 1;
    while (x + run < width && run < 128 && same(x, x + run)) ++run;
    if (run >= 2) {
      out.push_back(uint8_t(0x80 | (run - 1)));
      out.insert(out.end(), row + size_t(x) * bpp, row + size_t(x + 1) * bpp);
      x += run;
      continue;
    }
    int32_t n = 1;  // raw packet: stop before a pair of equal pixels
    while (x + n < width && n < 128 && !(x + n + 1 < width && same(x + n, x + n + 1))) ++n;
    out.push_back(uint8_t(n - 1));
    out.insert(out.end(), row + size_t(x) * bpp, row + size_t(x + n) * bpp);
    x += n;
  }
}

static std::vector<uint8_t> Finish(std::vector<uint8_t> out, const std::vector<uint8_t>& rows, int32_t width,
                                   int32_t height, int32_t bpp, const TgaLayout& layout) {
  for (int32_t r = 0; r < height; ++r) {
    int32_t y = layout.bottomFirst ? height - 1 - r : r;
    PutRow(out, &rows[size_t(y) * width * bpp], width, bpp, layout.rle);
  }
  return out;
}

std::vector<uint8_t> EncodeTga(const Image& im, const TgaLayout& layout) {
  const int32_t bpp = layout.pixels == TgaPixels::Grey8 ? 1 : layout.pixels == TgaPixels::Rgb24 ? 3 : 4;
  const bool bottom = layout.bottomFirst || layout.pixels == TgaPixels::Rgba32;
  TgaLayout l = layout;
  l.bottomFirst = bottom;
  const int32_t type = (bpp == 1 ? 3 : 2) + (layout.rle ? 8 : 0);
  std::vector<uint8_t> out;
  Header(out, l, type, false, 0, im.width, im.height, bpp * 8, bottom ? 0x08 : 0x20);
  std::vector<uint8_t> rows(size_t(im.width) * im.height * bpp);
  for (int32_t i = 0; i < im.width * im.height; ++i) {
    const float* p = &im.px[size_t(i) * 4];
    uint8_t* q = &rows[size_t(i) * bpp];
    if (bpp == 1) {
      q[0] = Quantise(p[0]);
    } else {
      q[0] = Quantise(p[2]);
      q[1] = Quantise(p[1]);
      q[2] = Quantise(p[0]);
      if (bpp == 4) q[3] = Quantise(p[3]);
    }
  }
  return Finish(std::move(out), rows, im.width, im.height, bpp, l);
}

std::vector<uint8_t> EncodeTgaMapped(int32_t width, int32_t height, const std::vector<uint8_t>& indices,
                                     const std::vector<Rgb>& palette, const TgaLayout& layout) {
  std::vector<uint8_t> out;
  const int32_t count = int32_t(std::min<size_t>(palette.size(), 256));
  Header(out, layout, layout.rle ? 9 : 1, true, count, width, height, 8, layout.bottomFirst ? 0x08 : 0x20);
  for (int32_t i = 0; i < count; ++i) {
    out.push_back(Quantise(palette[size_t(i)].b));
    out.push_back(Quantise(palette[size_t(i)].g));
    out.push_back(Quantise(palette[size_t(i)].r));
  }
  return Finish(std::move(out), indices, width, height, 1, layout);
}

TgaInfo DecodeTga(const std::vector<uint8_t>& f) {
  TgaInfo info;
  if (f.size() < 18) return info;
  auto u16 = [&](size_t at) { return int32_t(f[at] | (f[at + 1] << 8)); };
  const int32_t mapType = f[1], mapFirst = u16(3), mapLength = u16(5), mapBits = f[7];
  info.type = f[2];
  info.width = u16(12);
  info.height = u16(14);
  info.depth = f[16];
  info.descriptor = f[17];
  size_t pos = 18 + f[0];
  uint8_t palette[256][3] = {};
  if (mapType) {
    if (mapBits != 24) return info;
    for (int32_t i = 0; i < mapLength; ++i, pos += 3) {
      if (pos + 3 > f.size() || mapFirst + i > 255) return info;
      palette[mapFirst + i][0] = f[pos + 2];
      palette[mapFirst + i][1] = f[pos + 1];
      palette[mapFirst + i][2] = f[pos];
    }
  }
  const int32_t type = info.type & 7;
  const bool rle = (info.type & 8) != 0;
  const int32_t bpp = (info.depth + 1) / 8;
  if (type < 1 || type > 3 || (bpp != 1 && bpp != 3 && bpp != 4) || info.width <= 0 || info.height <= 0) return info;
  const size_t count = size_t(info.width) * info.height;
  std::vector<uint8_t> raw(count * bpp);
  size_t written = 0;
  while (written < count) {
    if (!rle) {
      if (pos + raw.size() > f.size()) return info;
      std::memcpy(raw.data(), &f[pos], raw.size());
      written = count;
      break;
    }
    if (pos >= f.size()) return info;
    uint8_t h = f[pos++];
    size_t n = (h & 0x7F) + 1u;
    if (written + n > count) return info;
    if (h & 0x80) {
      if (pos + bpp > f.size()) return info;
      for (size_t k = 0; k < n; ++k) std::memcpy(&raw[(written + k) * bpp], &f[pos], size_t(bpp));
      pos += size_t(bpp);
    } else {
      if (pos + n * bpp > f.size()) return info;
      std::memcpy(&raw[written * bpp], &f[pos], n * bpp);
      pos += n * bpp;
    }
    written += n;
  }
  const bool reverse = (info.descriptor & 0x0A) != 0;
  info.rgba.resize(count * 4);
  for (int32_t y = 0; y < info.height; ++y)
    for (int32_t x = 0; x < info.width; ++x) {
      int32_t sy = reverse ? info.height - 1 - y : y;
      const uint8_t* s = &raw[(size_t(sy) * info.width + x) * bpp];
      uint8_t* d = &info.rgba[(size_t(y) * info.width + x) * 4];
      if (bpp == 1) {
        const bool grey = type == 3;
        d[0] = grey ? s[0] : palette[s[0]][0];
        d[1] = grey ? s[0] : palette[s[0]][1];
        d[2] = grey ? s[0] : palette[s[0]][2];
        d[3] = 255;
      } else {
        d[0] = s[2];
        d[1] = s[1];
        d[2] = s[0];
        d[3] = bpp == 4 ? s[3] : 255;
      }
    }
  info.ok = true;
  return info;
}
