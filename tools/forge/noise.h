// Repeatable randomness for the forge: a small generator and tileable lattice noises.
//
// Nothing here reads the clock or the standard library's generators: the same seed gives the same
// bits on every run. Noises take a period (in lattice cells) so that 256 x 256 maps tile seamlessly;
// a period of 0 means no tiling.
//
//   Rng rng{42};
//   float n = Fbm(x / 32.f, y / 32.f, 5, 8, 7);   // about -1..1, tiles every 8 cells
#pragma once
#include <cstdint>

struct Rng {
  uint64_t state;
  uint32_t Next() {  // splitmix64, high half
    uint64_t z = (state += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return uint32_t((z ^ (z >> 31)) >> 32);
  }
  float Unit() { return float(Next() >> 8) * (1.0f / 16777216.0f); }   // 0 <= u < 1
  float Range(float lo, float hi) { return lo + (hi - lo) * Unit(); }
};

uint32_t Hash3(int32_t x, int32_t y, uint32_t seed);
// Gradient noise in about -1..1 at (x, y) in lattice units; period 0 does not tile.
float Perlin(float x, float y, int32_t period, uint32_t seed);
// Sum of octaves of Perlin noise, each twice the frequency and half the weight; the period doubles too.
float Fbm(float x, float y, int32_t octaves, int32_t period, uint32_t seed);
// Ridged octaves (1 - |noise|, squared): sharp crests, for mountains and veins; about 0..1.
float Ridged(float x, float y, int32_t octaves, int32_t period, uint32_t seed);
// Distance to the nearest of one random point per lattice cell (cellular noise), in cell units.
float Cellular(float x, float y, int32_t period, uint32_t seed);
