// trelk: TGA pictures.
//
// LoadPicture reads a TGA file (types 1, 2, 3 uncompressed; 9, 10, 11 run-length; 8, 24 or 32 bits;
// colour maps of 24-bit entries) into a Picture: pixels unpacked at the file's own depth, as red,
// green, blue (and alpha) bytes, or palette indices with the palette as red, green, blue triples.
// Row 0 of data is the top row the users show. Every refusal is fatal: a bad name, 15- or 16-bit
// pixels, a colour map whose entries are not 24 bits or run past entry 255, an unknown image
// type, a file shorter than its header announces, run-length packets past width x height.
//
//   Picture* p = LoadPicture("phong3.tga");
//   uint8_t* rgb = p->data;                  // p->width * p->height * p->bytesPerPixel bytes
//   UnloadPicture(p);
#pragma once
#include <cstdint>

struct Picture {
  int32_t width;
  int32_t height;
  int32_t depth;            // bits per pixel: 8, 24 or 32
  int32_t bytesPerPixel;    // (depth + 1) / 8
  uint8_t palette[256][3];  // red, green, blue
  uint8_t* data;            // width * height * bytesPerPixel bytes, a named block
};

Picture* LoadPicture(const char* name);
// The decoding step of LoadPicture over bytes already in memory (size bytes of a TGA file); the
// name is used in the log lines and for the pixel block. The bytes stay the caller's.
Picture* PictureFromMemory(const char* name, const uint8_t* file, int32_t size);
void UnloadPicture(Picture* picture);
