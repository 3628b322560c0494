// What the command line changes in the show: where the clock starts after loading, where the show
// ends, and keys typed at given readings of the clock.
#pragma once
#include <cstdint>

struct ShowKey {
  int32_t ms;     // delivered in the first pass whose reading is at least ms
  uint8_t key;
  bool sent;
};

struct ShowOptions {
  int32_t startMs;     // the clock reads this when loading is done (0: the show's own start)
  int32_t toMs;        // -1: no limit; else the show ends after the first pass reading above it
  ShowKey keys[64];
  int32_t keyCount;
};

extern ShowOptions ShowSettings;
