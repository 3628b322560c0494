// platform: writing PNG pictures (8-bit RGB, no interlace), for screenshots, stills and contact
// sheets. Pixels are red, green, blue bytes, rows from the top. Files are written whole or not at
// all (platform/whole_file.h).
//
//   PlatWritePng("still.png", rgb.data(), 320, 200);
#pragma once
#include <cstdint>
#include <string>
#include <vector>

// The PNG file's bytes; empty for a size of 0 or less.
std::vector<uint8_t> PlatEncodePng(const uint8_t* rgb, int32_t width, int32_t height);
// Writes the picture as path, replacing a file of that name; false when it cannot be written whole.
bool PlatWritePng(const char* path, const uint8_t* rgb, int32_t width, int32_t height);
// Saves a 5-6-5 frame as PREFIX-NNN.png in the current folder, NNN the first number from 001 whose
// file does not exist; never replaces a file. The name written, or "" when nothing could be.
std::string PlatSaveScreenshot(const char* prefix, const uint16_t* frame, int32_t width, int32_t height);

// A 16-bit 5-6-5 frame as RGB bytes, each field widened to 8 bits.
void PlatRgbFrom565(const uint16_t* pixels, int32_t count, uint8_t* rgb);
