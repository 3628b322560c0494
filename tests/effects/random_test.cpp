// The shared generator: the sequence every caller draws from.
#include <gtest/gtest.h>

#include "demo/effects/random.h"

TEST(Random, SequenceFromTheFirstSeed) {
  SetRandomSeed(kRandomFirstSeed);
  EXPECT_EQ(Random(), 41);
  EXPECT_EQ(Random(), 18467);
  EXPECT_EQ(Random(), 6334);
  EXPECT_EQ(Random(), 26500);
  uint32_t seed = RandomSeed();
  for (int i = 0; i < 100000; i++) {
    const int32_t r = Random();
    seed = seed * 214013u + 2531011u;
    ASSERT_EQ(r, int32_t((seed >> 16) & 0x7FFF));
    ASSERT_TRUE(r >= 0 && r <= 32767);
  }
  SetRandomSeed(kRandomFirstSeed);
}
