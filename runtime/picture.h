// trelk: TGA pictures.
//
// LoadPicture reads a TGA file (types 1, 2, 3 uncompressed; 9, 10, 11 run-length; 8, 24 or 32 bits;
// colour maps of 24-bit entries) into a Picture: pixels unpacked at the file's own depth, as red,
// green, blue (and alpha) bytes, or palette indices with the palette as red, green, blue triples.
// Row 0 of data is the top row the users show.
//
// On bad input PictureFromMemory returns false with the message in why, each naming the picture:
// "LoadPicture(%s): Couldn't load picture in %d bits" (15- or 16-bit pixels), "... with  %d bits
// palette" (colour-map entries not 24 bits), "... Colour map runs past entry 255 ...",
// "Loadpicture(%s): Unknown TGA Type", "... Picture too large ...", "... File shorter than its TGA
// header announces", "... Run-length packet runs past the end of the picture". LoadPicture is the
// one that ends the program, with that message (and with "LoadPicture((null)): Bad image name").
//
//   Picture* p = LoadPicture("phong3.tga");
//   uint8_t* rgb = p->data;                  // p->width * p->height * p->bytesPerPixel bytes
//   UnloadPicture(p);
#pragma once
#include <cstdint>

#include "reader/failure.h"

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
// name is used in the messages and for the pixel block. The bytes stay the caller's. True with the
// picture in *picture; false with why, and *picture then holds what was made of it so far (null,
// or a record whose data may be null), for the caller to release with UnloadPicture.
bool PictureFromMemory(const char* name, const uint8_t* file, int32_t size, Picture** picture, Failure& why);
void UnloadPicture(Picture* picture);
