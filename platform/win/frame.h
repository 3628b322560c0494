// The frame drawn into a surface of another size and pixel format: nearest-neighbour scaling into a
// rectangle, black around it, each 5-6-5 pixel widened to 8 bits per field and packed with the
// surface's masks (16, 24 or 32 bits a pixel). Plain C++, no system calls.
//
//   FrameLut lut = MakeFrameLut({0xFF0000, 0x00FF00, 0x0000FF, 4});
//   DrawFrame(frame, 320, 200, lut, {pixels, pitch, 1280, 1024}, LetterBox(1280, 1024, 320, 200));
#pragma once
#include <cstdint>
#include <vector>

struct FrameFormat {
  uint32_t red, green, blue;   // the surface's masks
  int32_t bytesPerPixel;       // 2, 3 or 4
};

struct FrameLut {
  std::vector<uint32_t> pixel;   // 65536 entries: the surface's pixel for each 5-6-5 pixel
  int32_t bytesPerPixel = 2;
};

struct FrameTarget {
  uint8_t* pixels;
  int32_t pitch;   // bytes from one row to the next
  int32_t width, height;
};

struct FrameArea {
  int32_t x, y, width, height;
};

FrameLut MakeFrameLut(const FrameFormat& format);
// The largest rectangle of the frame's shape on a 4:3 monitor (320 x 200 shown as 320 x 240) that
// fits the surface, centred.
FrameArea LetterBox(int32_t surfaceWidth, int32_t surfaceHeight, int32_t frameWidth, int32_t frameHeight);
// The frame at the largest whole multiple of its size that fits the surface, centred.
FrameArea WholeMultiple(int32_t surfaceWidth, int32_t surfaceHeight, int32_t frameWidth, int32_t frameHeight);
void DrawFrame(const uint16_t* frame, int32_t frameWidth, int32_t frameHeight, const FrameLut& lut,
               const FrameTarget& target, const FrameArea& rect);
