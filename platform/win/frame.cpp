// The frame scaled and converted into a surface (see frame.h).
#include "platform/win/frame.h"

#include <algorithm>
#include <cstring>

namespace {

// An 8-bit field placed into a mask: its top bits, shifted to the mask's lowest bit.
uint32_t Place(uint32_t value8, uint32_t mask) {
  if (!mask) return 0;
  int32_t shift = 0;
  while (!((mask >> shift) & 1)) shift++;
  int32_t bits = 0;
  while (shift + bits < 32 && ((mask >> (shift + bits)) & 1)) bits++;
  const uint32_t field = bits >= 8 ? value8 << (bits - 8) : value8 >> (8 - bits);
  return (field << shift) & mask;
}

void PutPixel(uint8_t* at, uint32_t p, int32_t bytes) {
  if (bytes == 2) {
    const uint16_t v = uint16_t(p);
    memcpy(at, &v, 2);
  } else if (bytes == 4) {
    memcpy(at, &p, 4);
  } else {
    at[0] = uint8_t(p);
    at[1] = uint8_t(p >> 8);
    at[2] = uint8_t(p >> 16);
  }
}

}  // namespace

FrameLut MakeFrameLut(const FrameFormat& format) {
  FrameLut lut;
  lut.bytesPerPixel = format.bytesPerPixel;
  lut.pixel.resize(65536);
  for (uint32_t p = 0; p < 65536; p++) {
    const uint32_t r = (p >> 11) & 31, g = (p >> 5) & 63, b = p & 31;
    lut.pixel[p] = Place(r << 3 | r >> 2, format.red) | Place(g << 2 | g >> 4, format.green) |
                   Place(b << 3 | b >> 2, format.blue);
  }
  return lut;
}

FrameArea LetterBox(int32_t surfaceWidth, int32_t surfaceHeight, int32_t frameWidth, int32_t frameHeight) {
  const int64_t shownHeight = int64_t(frameHeight) * 6 / 5;   // the 4:3 shape of a 320 x 200 mode
  int64_t w = surfaceWidth, h = w * shownHeight / frameWidth;
  if (h > surfaceHeight) {
    h = surfaceHeight;
    w = h * frameWidth / shownHeight;
  }
  return {int32_t((surfaceWidth - w) / 2), int32_t((surfaceHeight - h) / 2), int32_t(w), int32_t(h)};
}

FrameArea WholeMultiple(int32_t surfaceWidth, int32_t surfaceHeight, int32_t frameWidth, int32_t frameHeight) {
  const int32_t k = std::max(1, std::min(surfaceWidth / frameWidth, surfaceHeight / frameHeight));
  const int32_t w = std::min(surfaceWidth, frameWidth * k), h = std::min(surfaceHeight, frameHeight * k);
  return {(surfaceWidth - w) / 2, (surfaceHeight - h) / 2, w, h};
}

void DrawFrame(const uint16_t* frame, int32_t frameWidth, int32_t frameHeight, const FrameLut& lut,
               const FrameTarget& target, const FrameArea& rect) {
  const int32_t bytes = lut.bytesPerPixel;
  const size_t rowBytes = size_t(target.width) * size_t(bytes);
  std::vector<int32_t> sourceX(size_t(std::max(rect.width, 0)));
  for (int32_t x = 0; x < rect.width; x++) sourceX[size_t(x)] = int32_t(int64_t(x) * frameWidth / rect.width);
  int32_t lastSourceY = -1;
  for (int32_t y = 0; y < target.height; y++) {
    uint8_t* row = target.pixels + int64_t(y) * target.pitch;
    const int32_t inside = y - rect.y;
    if (inside < 0 || inside >= rect.height) {
      memset(row, 0, rowBytes);
      lastSourceY = -1;
      continue;
    }
    const int32_t sy = int32_t(int64_t(inside) * frameHeight / rect.height);
    if (sy == lastSourceY) {   // a repeated row: copy the one above
      memcpy(row, row - target.pitch, rowBytes);
      continue;
    }
    lastSourceY = sy;
    memset(row, 0, size_t(rect.x) * size_t(bytes));
    const uint16_t* src = frame + size_t(sy) * size_t(frameWidth);
    uint8_t* out = row + size_t(rect.x) * size_t(bytes);
    if (bytes == 4) {
      uint32_t* o = reinterpret_cast<uint32_t*>(out);
      for (int32_t x = 0; x < rect.width; x++) o[x] = lut.pixel[src[sourceX[size_t(x)]]];
    } else {
      for (int32_t x = 0; x < rect.width; x++) PutPixel(out + size_t(x) * size_t(bytes), lut.pixel[src[sourceX[size_t(x)]]], bytes);
    }
    const int32_t right = rect.x + rect.width;
    memset(row + size_t(right) * size_t(bytes), 0, size_t(target.width - right) * size_t(bytes));
  }
}
