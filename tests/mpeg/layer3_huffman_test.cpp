// The lookup-table Huffman decoding against the plain bit-at-a-time decoding over the code lists.
#include <gtest/gtest.h>

#include <random>

#include "l3_support.h"

using namespace kvox_l3;
using l3test::BitWriter;

namespace {

struct Init {
  Init() {
    KvoxLayer3Init(l3test::MonoHeader(), l3test::FullSetup());
  }
};

void EnsureTables() { static Init once; }

bool Coded(int32_t t) { return !kvox_l3tab::kHuffTables[t].unused && kvox_l3tab::kHuffTables[t].codes; }

}  // namespace

// Random bits: every table resolves every bit sequence to the same pair and the same length both ways.
TEST(Layer3Huffman, LookupMatchesPlainOnRandomBits) {
  EnsureTables();
  std::mt19937 rng(7);
  std::vector<uint8_t> buf(4096 + 16);
  for (int32_t t = 0; t < 32; t++) {
    if (!Coded(t)) continue;
    for (auto& b : buf) b = uint8_t(rng());
    HotBits fast{buf.data(), 0}, plain{buf.data(), 0};
    for (int32_t n = 0; n < 1000; n++) {
      int32_t x = -1, y = -1;
      ASSERT_TRUE(DecodePairPlain(plain, t, &x, &y)) << "table " << t;
      const int32_t pair = DecodePairFast(fast, t);
      ASSERT_EQ(pair, x * 16 + y) << "table " << t << " symbol " << n;
      ASSERT_EQ(fast.pos, plain.pos) << "table " << t << " symbol " << n;
    }
  }
}

// Encoded symbols decode back to themselves, for every pair of every table.
TEST(Layer3Huffman, EveryCodeWordRoundTrips) {
  EnsureTables();
  for (int32_t t = 0; t < 32; t++) {
    if (!Coded(t)) continue;
    const int32_t dim = kvox_l3tab::kHuffTables[t].dim;
    BitWriter w;
    for (int32_t x = 0; x < dim; x++)
      for (int32_t y = 0; y < dim; y++) w.Put(kvox_l3tab::kHuffTables[t].codes[x * dim + y].bits,
                                               kvox_l3tab::kHuffTables[t].codes[x * dim + y].length);
    std::vector<uint8_t> buf = w.Padded();
    HotBits bits{buf.data(), 0};
    for (int32_t x = 0; x < dim; x++)
      for (int32_t y = 0; y < dim; y++) ASSERT_EQ(DecodePairFast(bits, t), x * 16 + y) << "table " << t;
    EXPECT_EQ(bits.pos, w.bits);
  }
}

TEST(Layer3Huffman, BadGranulesAreRefused) {
  EnsureTables();
  std::vector<uint8_t> buf(256, 0xA5);
  float xr[576];
  Granule g{};
  g.region1Start = 36;
  g.region2Start = 576;
  g.tableSelect[0] = 1; g.tableSelect[1] = 1; g.tableSelect[2] = 1;
  // big_values beyond 576 lines.
  g.bigValues = 289;
  HotBits a{buf.data(), 0};
  EXPECT_EQ(DecodeSpectrum(a, 2000, g, 576, xr), -1);
  // Undefined table.
  g.bigValues = 10;
  g.tableSelect[0] = 4;
  HotBits b{buf.data(), 0};
  EXPECT_EQ(DecodeSpectrum(b, 2000, g, 576, xr), -1);
  g.tableSelect[0] = 14;
  HotBits c{buf.data(), 0};
  EXPECT_EQ(DecodeSpectrum(c, 2000, g, 576, xr), -1);
  // Big values that need more bits than the granule has.
  g.tableSelect[0] = 24;
  g.bigValues = 200;
  HotBits d{buf.data(), 0};
  EXPECT_EQ(DecodeSpectrum(d, 40, g, 576, xr), -1);
  // The count1 region never writes past line 576, even when big_values leaves 2 lines.
  g.tableSelect[0] = 0; g.tableSelect[1] = 0; g.tableSelect[2] = 0;
  g.bigValues = 287;
  float guard[580];
  for (float& v : guard) v = 7.0f;
  HotBits e{buf.data(), 0};
  const int32_t n = DecodeSpectrum(e, 2000, g, 576, guard);
  EXPECT_LE(n, 576);
  EXPECT_EQ(guard[576], 7.0f);
  EXPECT_EQ(guard[577], 7.0f);
}

// A count1 quadruple whose code runs past the granule's bits is not part of the granule, also at the
// last position (lines 572-575), where no further quadruple follows to notice the overrun.
TEST(Layer3Huffman, LastQuadrupleThatRunsPastTheGranuleIsDropped) {
  EnsureTables();
  std::vector<uint8_t> buf(64, 0);  // table B code 0000: all four values 1, then four sign bits
  Granule g{};
  g.bigValues = 286;                 // lines 0-571, table 0: no bits
  g.region1Start = g.region2Start = 576;
  g.count1Table = 1;
  float xr[576];
  HotBits whole{buf.data(), 0};
  EXPECT_EQ(DecodeSpectrum(whole, 8, g, 576, xr), 576);
  EXPECT_EQ(xr[572], gPow43[1]);
  HotBits cut{buf.data(), 0};
  EXPECT_EQ(DecodeSpectrum(cut, 6, g, 576, xr), 572);
}
