// The program's one pseudo-random generator, shared by the sand landscape (which draws its noise at
// set-up) and the transition (which draws one number per frame row).
//
// Linear congruential: seed = seed * 214013 + 2531011 (modulo 2^32), result = (seed >> 16) & 0x7FFF,
// so every result lies in 0-32767. The seed starts at 1 when the program starts and the show never
// reseeds it; every caller draws from the same sequence, in the order the timeline calls them.
//
//   int32_t r = Random();            // 41 on the first call, then 18467, 6334, ...
#pragma once
#include <cstdint>

// The next result, 0-32767.
int32_t Random();

// The generator's state, for tests and tools that need to replay or restart the sequence.
uint32_t RandomSeed();
void SetRandomSeed(uint32_t seed);

constexpr uint32_t kRandomFirstSeed = 1;
constexpr uint32_t NextRandomSeed(uint32_t seed) { return seed * 214013u + 2531011u; }
constexpr int32_t RandomResult(uint32_t seed) { return int32_t((seed >> 16) & 0x7FFFu); }
static_assert(RandomResult(NextRandomSeed(kRandomFirstSeed)) == 41);
static_assert(RandomResult(NextRandomSeed(NextRandomSeed(kRandomFirstSeed))) == 18467);
