// The shared linear congruential generator.
#include "demo/effects/random.h"

namespace {
uint32_t seed = kRandomFirstSeed;
}

int32_t Random() {
  seed = NextRandomSeed(seed);
  return RandomResult(seed);
}

uint32_t RandomSeed() { return seed; }
void SetRandomSeed(uint32_t value) { seed = value; }
