// A minimal PNG writer over zlib: IHDR, one IDAT, IEND; filter 0 on every row.
#include "platform/png.h"

#include <cstdio>
#include <zlib.h>

#include "platform/backends.h"
#include "platform/whole_file.h"

namespace {

void Put32(std::vector<uint8_t>& out, uint32_t v) {
  out.push_back(uint8_t(v >> 24));
  out.push_back(uint8_t(v >> 16));
  out.push_back(uint8_t(v >> 8));
  out.push_back(uint8_t(v));
}

void Chunk(std::vector<uint8_t>& out, const char type[4], const std::vector<uint8_t>& data) {
  Put32(out, uint32_t(data.size()));
  const size_t start = out.size();
  out.insert(out.end(), type, type + 4);
  out.insert(out.end(), data.begin(), data.end());
  Put32(out, uint32_t(crc32(0, out.data() + start, uInt(out.size() - start))));
}

}  // namespace

std::vector<uint8_t> PlatEncodePng(const uint8_t* rgb, int32_t width, int32_t height) {
  if (width <= 0 || height <= 0) return {};
  const size_t row = size_t(width) * 3;
  std::vector<uint8_t> raw((row + 1) * size_t(height));
  for (int32_t y = 0; y < height; y++) {
    raw[size_t(y) * (row + 1)] = 0;
    std::copy(rgb + size_t(y) * row, rgb + size_t(y + 1) * row, raw.begin() + long(size_t(y) * (row + 1) + 1));
  }
  uLongf packedSize = compressBound(uLong(raw.size()));
  std::vector<uint8_t> packed(packedSize);
  if (compress2(packed.data(), &packedSize, raw.data(), uLong(raw.size()), 6) != Z_OK) return {};
  packed.resize(packedSize);

  std::vector<uint8_t> file = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  std::vector<uint8_t> header;
  Put32(header, uint32_t(width));
  Put32(header, uint32_t(height));
  header.insert(header.end(), {8, 2, 0, 0, 0});   // 8 bits, RGB, deflate, filter 0, no interlace
  Chunk(file, "IHDR", header);
  Chunk(file, "IDAT", packed);
  Chunk(file, "IEND", {});
  return file;
}

bool PlatWritePng(const char* path, const uint8_t* rgb, int32_t width, int32_t height) {
  const std::vector<uint8_t> file = PlatEncodePng(rgb, width, height);
  return !file.empty() && PlatWriteFile(path, file.data(), file.size(), true) == PLAT_FILE_WRITTEN;
}

std::string PlatSaveScreenshot(const char* prefix, const uint16_t* frame, int32_t width, int32_t height) {
  std::vector<uint8_t> rgb(size_t(width) * size_t(height) * 3);
  PlatRgbFrom565(frame, width * height, rgb.data());
  const std::vector<uint8_t> file = PlatEncodePng(rgb.data(), width, height);
  char name[256];
  for (int32_t n = 1; !file.empty() && n < 100000; n++) {
    snprintf(name, sizeof name, "%s-%03d.png", prefix, n);
    const PlatFileResult r = PlatWriteFile(name, file.data(), file.size(), false);
    if (r == PLAT_FILE_WRITTEN) return name;
    if (r == PLAT_FILE_FAILED) break;
  }
  return "";
}

void PlatWriteScreenshot(const uint16_t* frame, int32_t width, int32_t height) {
  const std::string name = PlatSaveScreenshot("tarvon3-shot", frame, width, height);
  if (!name.empty())
    fprintf(stderr, "tarvon3: screenshot written to %s\n", name.c_str());
  else
    fprintf(stderr, "tarvon3: cannot write a screenshot into the current folder\n");
}

void PlatRgbFrom565(const uint16_t* pixels, int32_t count, uint8_t* rgb) {
  for (int32_t i = 0; i < count; i++) {
    const uint16_t p = pixels[i];
    const uint32_t r = p >> 11, g = (p >> 5) & 63, b = p & 31;
    rgb[3 * i + 0] = uint8_t((r * 527 + 23) >> 6);   // r * 255 / 31, rounded
    rgb[3 * i + 1] = uint8_t((g * 259 + 33) >> 6);   // g * 255 / 63, rounded
    rgb[3 * i + 2] = uint8_t((b * 527 + 23) >> 6);
  }
}
