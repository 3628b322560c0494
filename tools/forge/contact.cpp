// The contact sheet: every picture of the data folder at its own size, with its name, in one PNG.
#include <png.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <iterator>

#include "platform/whole_file.h"
#include "tools/forge/forge.h"
#include "tools/forge/text.h"

namespace {

Bytes ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

bool WritePng(const std::string& path, const Image& im) {
  PlatWholeFile out;
  if (!PlatBeginFile(out, path.c_str())) return false;
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png ? png_create_info_struct(png) : nullptr;
  if (!png || !info || setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, &info);
    PlatDropFile(out);
    return false;
  }
  png_init_io(png, out.file);
  png_set_IHDR(png, info, png_uint_32(im.width), png_uint_32(im.height), 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
               PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  png_write_info(png, info);
  std::vector<uint8_t> row(size_t(im.width) * 3);
  for (int32_t y = 0; y < im.height; ++y) {
    for (int32_t x = 0; x < im.width; ++x) {
      const float* p = At(im, x, y);
      row[size_t(x) * 3] = Quantise(p[0]);
      row[size_t(x) * 3 + 1] = Quantise(p[1]);
      row[size_t(x) * 3 + 2] = Quantise(p[2]);
    }
    png_write_row(png, row.data());
  }
  png_write_end(png, nullptr);
  png_destroy_write_struct(&png, &info);
  return PlatFinishFile(out, true) == PLAT_FILE_WRITTEN;
}

}  // namespace

bool WriteContactSheet(const std::string& dir, const std::string& pngPath) {
  struct Tile { std::string name; TgaInfo tga; int32_t x, y; };
  std::vector<Tile> tiles;
  const int32_t sheetWidth = 1360, gap = 12, label = 16;
  int32_t x = gap, y = gap, rowHeight = 0;
  for (const Asset& a : Assets()) {
    if (std::string(a.kind) != "tga") continue;
    TgaInfo t = DecodeTga(ReadAll(dir + "/" + a.name));
    if (!t.ok) return false;
    if (x + t.width + gap > sheetWidth) {
      x = gap;
      y += rowHeight + label + gap;
      rowHeight = 0;
    }
    tiles.push_back({a.name, std::move(t), x, y});
    x += tiles.back().tga.width + gap;
    rowHeight = std::max(rowHeight, tiles.back().tga.height);
  }
  Image sheet = MakeImage(sheetWidth, y + rowHeight + label + gap, Hex(0x202024));
  std::vector<float> text(size_t(sheet.width) * sheet.height, 0.0f);
  for (const Tile& t : tiles) {
    for (int32_t py = 0; py < t.tga.height; ++py)
      for (int32_t px = 0; px < t.tga.width; ++px) {
        const uint8_t* s = &t.tga.rgba[(size_t(py) * t.tga.width + px) * 4];
        float check = ((px / 8 + py / 8) % 2) ? 0.55f : 0.75f;  // alpha shown over a checkerboard
        float a = float(s[3]) / 255.0f;
        Set(sheet, t.x + px, t.y + py,
            {check + (float(s[0]) / 255.0f - check) * a, check + (float(s[1]) / 255.0f - check) * a,
             check + (float(s[2]) / 255.0f - check) * a});
      }
    char caption[96];
    std::snprintf(caption, sizeof caption, "%s  %dx%d %d-bit type %d", t.name.c_str(), t.tga.width, t.tga.height,
                  t.tga.depth, t.tga.type);
    DrawText(text, sheet.width, sheet.height, "DejaVuSans.ttf", 11, float(t.x), float(t.y + t.tga.height + 12), caption);
  }
  for (int32_t py = 0; py < sheet.height; ++py)
    for (int32_t px = 0; px < sheet.width; ++px) Blend(sheet, px, py, Hex(0xE8E8F0), text[size_t(py) * sheet.width + px]);
  return WritePng(pngPath, sheet);
}
