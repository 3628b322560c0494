// Sine, cosine, logarithm and integer powers of our own: the same bits on every system (a hash of
// many results, the same in every build), and correctly rounded (against glibc, which rounds these
// correctly for nearly every argument).
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "demo/engine/same_math.h"

namespace {

// Arguments like the show's: angles up to a few thousand radians, ratios, powers of 0.9.
template <typename F>
void ForEachCase(F check) {
  uint32_t seed = 1;
  for (int32_t i = 0; i < 40000; i++) {
    seed = seed * 214013u + 2531011u;
    const double x = (double(seed >> 8) / double(1 << 24) - 0.5) * (i % 4 ? 4000.0 : 8.0);
    check(x, std::fabs(x) * 0.37 + 0.001, i % 700 - 350);
  }
}

uint64_t Bits(double v) {
  uint64_t b;
  memcpy(&b, &v, 8);
  return b;
}

TEST(SameMath, EveryBuildGivesTheSameBits) {
  uint64_t h = 0xcbf29ce484222325ull;
  ForEachCase([&](double angle, double positive, int32_t n) {
    for (double v : {SameSin(angle), SameCos(angle), SameLog(positive), SamePowInt(0.9, n)})
      h = (h ^ Bits(v)) * 0x100000001b3ull;
  });
  EXPECT_EQ(h, 0x507da25d2d6f0627ull);
}

TEST(SameMath, CorrectlyRoundedAsGlibcNearlyAlways) {
#if !defined(__GLIBC__)
  GTEST_SKIP() << "compares with glibc's results";
#endif
  int32_t differ = 0, far = 0;
  auto compare = [&](double mine, double libc) {
    const int64_t ulps = int64_t(Bits(mine)) - int64_t(Bits(libc));
    differ += ulps != 0;
    far += ulps < -1 || ulps > 1;
  };
  ForEachCase([&](double angle, double positive, int32_t n) {
    compare(SameSin(angle), std::sin(angle));
    compare(SameCos(angle), std::cos(angle));
    compare(SameLog(positive), std::log(positive));
    compare(SamePowInt(0.9, n), std::pow(0.9, double(n)));
  });
  EXPECT_EQ(far, 0);
  EXPECT_LT(differ, 160000 / 200);   // under 0.5 %: only where glibc misses the nearest double
  EXPECT_EQ(SameSin(-0.0), -0.0);
  EXPECT_TRUE(std::signbit(SameSin(-0.0)));
  EXPECT_EQ(SameCos(0.0), 1.0);
  EXPECT_EQ(SameLog(1.0), 0.0);
  EXPECT_EQ(SamePowInt(2.0, -3), 0.125);
  EXPECT_TRUE(std::isnan(SameSin(INFINITY)) && std::isnan(SameLog(-1.0)));
}

}  // namespace
