// Painting helpers shared by the pictures: stars, chrome lettering, embossed relief, glows.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "tools/forge/image.h"

// Scatters stars: `count` points with random brightness, a few larger ones with a soft halo.
void Stars(Image& im, int32_t count, uint32_t seed, int32_t maxY);
// Classic chrome: sky blue above a dark horizon line, warm below; t = 0 at the letters' top, 1 at bottom.
Rgb Chrome(float t);
// Lit relief of a height plane (0..1) at a pixel: returns diffuse and specular terms for light
// direction (lx, ly, lz), with `depth` scaling the slopes.
struct Lit {
  float diffuse, specular;
};
Lit Relief(const std::vector<float>& height, int32_t w, int32_t h, int32_t x, int32_t y, float depth, float lx,
           float ly, float lz, float shininess);
// Additive round glow of colour c at (cx, cy) with radius r.
void Glow(Image& im, float cx, float cy, float r, Rgb c);
// Bevelled chrome text centred on cx with its baseline at y, with soft shadow, drawn onto im.
void ChromeTitle(Image& im, const char* font, int32_t size, float cx, float baseline, const std::string& text,
                 float tracking, float shadow);
// Plain text with a soft shadow onto im.
void ShadowText(Image& im, const char* font, int32_t size, float x, float baseline, const std::string& text,
                Rgb colour, float tracking = 0);
