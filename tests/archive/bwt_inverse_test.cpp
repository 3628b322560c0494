// The inverse transform on hand-worked columns, on both sides of the chained walk's size; real
// transforms of every size go through the round trips.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "helpers.h"
#include "runtime/bwt_inverse.h"

using namespace archive_test;

namespace {

std::vector<uint8_t> Inverse(const std::vector<uint8_t>& last, int32_t row) {
  std::vector<uint8_t> out(last.size());
  Failure why;
  EXPECT_TRUE(BwtInverse(last.data(), int32_t(last.size()), row, out.data(), why));
  return out;
}

}  // namespace

TEST(BwtInverse, HandWorkedColumns) {
  // The sorted rotations of "banana" end in n n b a a a; the text is row 3.
  const std::string banana = "nnbaaa";
  std::vector<uint8_t> out = Inverse(std::vector<uint8_t>(banana.begin(), banana.end()), 3);
  EXPECT_EQ(std::string(out.begin(), out.end()), "banana");
  EXPECT_EQ(Inverse({7}, 0), std::vector<uint8_t>{7});
  // A sorted column maps every row to itself: the walk repeats the row's byte, not a single cycle.
  for (size_t n : {size_t(1000), size_t(200000), size_t(1 << 21) + 5}) {   // up to 256 chains
    std::vector<uint8_t> sorted = RandomBytes(n, 3);
    std::sort(sorted.begin(), sorted.end());
    for (int32_t row : {0, int32_t(n / 3), int32_t(n - 1)})
      EXPECT_EQ(Inverse(sorted, row), std::vector<uint8_t>(n, sorted[size_t(row)])) << n << " row " << row;
  }
  // Past 2^24 rows the walk goes over the column itself, with the same bytes.
  std::vector<uint8_t> big((1 << 24) + 1, 7);
  big.back() = 9;
  EXPECT_EQ(Inverse(big, 1 << 24), std::vector<uint8_t>(big.size(), 9));
}
