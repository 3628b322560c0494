// TGA files as the show's loader reads them, in every variety it accepts.
//
// EncodeTga writes an Image as: 8-bit grey (image type 3, or 11 run-length; the grey level is the
// red channel), 24-bit colour (2 / 10) or 32-bit colour with alpha (2 / 10, 8 attribute bits).
// EncodeTgaMapped writes palette indices with a 24-bit colour map (1 / 9).
//
// Row order: top-first files carry the top-left origin flag (descriptor 0x20); bottom-first files
// carry 8 attribute bits (descriptor 0x08), which is what makes the show's loader reverse them.
// Both are upright in ordinary viewers. A 32-bit file is always bottom-first, since its 8 attribute
// bits already ask the loader to reverse. Run-length packets never cross a row.
//
// DecodeTga reads back any file these write (used by the contact sheet and the tests); it gives
// rows top first, red, green, blue, alpha bytes (grey and mapped pixels expanded, alpha 255).
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "tools/forge/image.h"

enum class TgaPixels { Grey8, Rgb24, Rgba32 };

struct TgaLayout {
  TgaPixels pixels = TgaPixels::Rgb24;
  bool rle = false;
  bool bottomFirst = false;
  std::string id;  // optional identification field, up to 255 bytes
};

std::vector<uint8_t> EncodeTga(const Image& im, const TgaLayout& layout);
std::vector<uint8_t> EncodeTgaMapped(int32_t width, int32_t height, const std::vector<uint8_t>& indices,
                                     const std::vector<Rgb>& palette, const TgaLayout& layout);

struct TgaInfo {
  int32_t width = 0, height = 0, depth = 0, type = 0, descriptor = 0;
  bool ok = false;
  std::vector<uint8_t> rgba;  // width * height * 4, top row first
};
TgaInfo DecodeTga(const std::vector<uint8_t>& file);

uint8_t Quantise(float v);  // 0..1 to 0..255, rounded
