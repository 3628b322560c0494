// The inverse transform against the plain last-to-first walk, on columns of real transforms and
// on damaged ones whose walk is not a single cycle, at sizes on both sides of the chained walk.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <random>
#include <vector>

#include "helpers.h"
#include "runtime/bwt_inverse.h"

using namespace archive_test;

namespace {

std::vector<uint8_t> PlainWalk(const std::vector<uint8_t>& last, int32_t row) {
  const int32_t n = int32_t(last.size());
  std::vector<int32_t> c(256, 0), t(last.size());
  std::vector<int32_t> seen(256, 0);
  for (int32_t i = 0; i < n; i++) t[i] = seen[last[i]]++;
  for (int b = 1; b < 256; b++) c[b] = c[b - 1] + seen[b - 1];
  std::vector<uint8_t> out(last.size());
  int32_t i = row;
  for (int32_t k = n - 1; k >= 0; k--) {
    out[k] = last[i];
    i = t[i] + c[last[i]];
  }
  return out;
}

void ExpectSameWalk(const std::vector<uint8_t>& last, int32_t row, const char* what) {
  std::vector<uint8_t> out(last.size());
  BwtInverse(last.data(), int32_t(last.size()), row, out.data());
  EXPECT_TRUE(out == PlainWalk(last, row)) << what << ", " << last.size() << " bytes, row " << row;
}

}  // namespace

TEST(BwtInverse, FollowsThePlainWalkOnAnyColumn) {
  std::mt19937 rng(11);
  for (size_t n : {size_t(1), size_t(100), size_t(16383), size_t(16384), size_t(16385), size_t(70001),
                   size_t(3 << 20)}) {
    std::vector<uint8_t> random = RandomBytes(n, uint32_t(n));
    std::vector<uint8_t> text = TextBytes(n, uint32_t(n) + 1);
    for (int32_t row : {0, int32_t(n / 2), int32_t(n - 1), int32_t(rng() % n)}) {
      ExpectSameWalk(random, row, "random column");
      ExpectSameWalk(text, row, "text column");
    }
  }
  // A sorted column maps every row to itself: n cycles of one row, the walk repeats one byte.
  std::vector<uint8_t> sorted = RandomBytes(200000, 3);
  std::sort(sorted.begin(), sorted.end());
  ExpectSameWalk(sorted, 123456, "sorted column");
  // Two halves that are each sorted: many cycles of varied lengths.
  std::vector<uint8_t> halves = RandomBytes(300000, 4);
  std::sort(halves.begin(), halves.begin() + 150000);
  std::sort(halves.begin() + 150000, halves.end(), std::greater<>());
  for (int32_t row : {0, 149999, 150000, 299999}) ExpectSameWalk(halves, row, "two sorted halves");
  ExpectSameWalk(std::vector<uint8_t>(100000, 9), 77, "one repeated byte");
}
