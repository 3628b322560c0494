// platform: writing PNG pictures (8-bit RGB, no interlace), for screenshots, stills and contact
// sheets. Pixels are red, green, blue bytes, rows from the top.
//
//   PlatWritePng("shot.png", rgb.data(), 320, 200);
#pragma once
#include <cstdint>
#include <vector>

bool PlatWritePng(const char* path, const uint8_t* rgb, int32_t width, int32_t height);

// A 16-bit 5-6-5 frame as RGB bytes, each field widened to 8 bits.
void PlatRgbFrom565(const uint16_t* pixels, int32_t count, uint8_t* rgb);
