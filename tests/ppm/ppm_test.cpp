// PPM method: packer and reader round trips on varied data and every order, agreement with a
// plain second reading of the method, a hand-worked stream, the node cap, and damaged streams.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "reference_ppm.h"
#include "runtime/archive_codecs.h"
#include "runtime/log.h"
#include "runtime/ppm_model.h"
#include "tools/qvxpack/ppm_encode.h"

namespace {

using Bytes = std::vector<uint8_t>;

uint32_t Lcg(uint32_t& seed) {
  seed = seed * 1664525u + 1013904223u;
  return seed >> 8;
}

Bytes RandomBytes(size_t n, uint32_t seed) {
  Bytes b(n);
  for (auto& x : b) x = uint8_t(Lcg(seed));
  return b;
}

Bytes Text(size_t n, uint32_t seed) {
  static const char* words[] = {"the ", "demo ", "plays ", "a ", "show ", "of ", "effects, ",
                                "music ", "and ", "pictures. ", "Lattice ", "metaballs\n",
                                "sand ", "dunes ", "water ", "lights "};
  std::string s;
  while (s.size() < n) s += words[Lcg(seed) % 16];
  return Bytes(s.begin(), s.begin() + long(n));
}

Bytes Runs(size_t n, uint32_t seed) {
  Bytes b;
  while (b.size() < n) {
    uint8_t v = uint8_t(Lcg(seed) % 5);
    size_t len = 1 + Lcg(seed) % 3000;
    for (size_t i = 0; i < len && b.size() < n; i++) b.push_back(v);
  }
  return b;
}

// Rows of a smooth picture with a little noise, three bytes per pixel.
Bytes PictureRows(int w, int h, uint32_t seed) {
  Bytes b;
  for (int y = 0; y < h; y++)
    for (int x = 0; x < w; x++) {
      b.push_back(uint8_t(x + (Lcg(seed) & 3)));
      b.push_back(uint8_t(y * 2));
      b.push_back(uint8_t((x ^ y) & 0xF0));
    }
  return b;
}

Bytes Decode(const Bytes& packed, size_t n) {
  Bytes out(n + 16, 0xCD);
  BitReader in(packed.data(), packed.size());
  DecodePPM(in, out.data(), int32_t(n));
  for (size_t i = n; i < out.size(); i++) EXPECT_EQ(out[i], 0xCD) << "written past the end";
  EXPECT_LE(in.Tell(), packed.size() * 8) << "read past the stored bytes";
  // The packer stores no whole byte the reader does not take.
  EXPECT_GT(in.Tell() + 8, packed.size() * 8);
  out.resize(n);
  return out;
}

void RoundTrip(const Bytes& data, int order, bool withReference) {
  Bytes packed = PpmEncodeOrder(data.data(), data.size(), order);
  ASSERT_FALSE(packed.empty());
  EXPECT_EQ(packed[0] >> 4, order);
  EXPECT_EQ(Decode(packed, data.size()), data) << "order " << order << ", " << data.size() << " bytes";
  if (withReference) {
    BitReader in(packed.data(), packed.size());
    Bytes ref;
    EXPECT_TRUE(reference::Decode(in, int(data.size()), ref));
    EXPECT_EQ(ref, data) << "the plain reading disagrees at order " << order;
  }
}

std::string FatalLogLine() {
  std::ifstream f("log.txt");
  std::string line, last;
  while (std::getline(f, line))
    if (line.rfind("FATAL ERROR: ", 0) == 0) last = line;
  return last;
}

// Runs a decode under the guard; returns the fatal line, or "" when it finished.
const Bytes* gPacked;
size_t gSize;
Bytes* gOut;
std::string DecodeGuarded(const Bytes& packed, size_t n, Bytes& out) {
  gPacked = &packed;
  gSize = n;
  gOut = &out;
  out.assign(n + 64, 0xCD);
  std::remove("log.txt");
  ResetExitOnce();
  DebugMode = 1;
  bool died = RunGuarded(+[] {
    BitReader in(gPacked->data(), gPacked->size());
    DecodePPM(in, gOut->data(), int32_t(gSize));
  });
  return died ? FatalLogLine() : "";
}

}  // namespace

TEST(Ppm, EmptyAndOneByte) {
  for (int order : {0, 1, 5, 15}) {
    RoundTrip({}, order, true);
    RoundTrip({0x41}, order, true);
    RoundTrip({0x00}, order, true);
    RoundTrip({0xFF}, order, true);
  }
}

// Order 0, one byte 0x41: no context has children, so the byte is coded in the uniform
// fallback as [65, 66) of 256, eight renormalisations emitting 01000001; the close settles on
// the first quarter (01) and pads to the 16 + 8 bits the reader takes after the order.
TEST(Ppm, HandWorkedStream) {
  const Bytes expect = {0x04, 0x14, 0x00, 0x00};
  uint8_t one = 0x41;
  EXPECT_EQ(PpmEncode(&one, 1, 0), expect);
  EXPECT_EQ(Decode(expect, 1), Bytes{0x41});
}

TEST(Ppm, EveryOrderOnText) {
  Bytes text = Text(6000, 7);
  for (int order = 0; order <= 15; order++) RoundTrip(text, order, true);
}

TEST(Ppm, EveryOrderOnRandomRunsAndPictures) {
  Bytes random = RandomBytes(3000, 11);
  Bytes runs = Runs(20000, 3);
  Bytes picture = PictureRows(64, 40, 5);
  for (int order = 0; order <= 15; order++) {
    RoundTrip(random, order, order % 5 == 0);
    RoundTrip(runs, order, order % 5 == 1);
    RoundTrip(picture, order, order % 5 == 2);
  }
}

// Long runs drive a context's total past 4096 again and again; random bytes fill the root with
// all 256 symbols; the mixture keeps halved children at count 0 in the lists.
TEST(Ppm, HalvingAndFullContexts) {
  Bytes data = Runs(60000, 9);
  Bytes random = RandomBytes(20000, 2);
  data.insert(data.end(), random.begin(), random.end());
  Bytes more = Text(20000, 4);
  data.insert(data.end(), more.begin(), more.end());
  Bytes same(30000, 0x33);
  data.insert(data.end(), same.begin(), same.end());
  for (int order : {0, 2, 4}) RoundTrip(data, order, true);
}

TEST(Ppm, CompressesRedundantData) {
  Bytes text = Text(50000, 1);
  Bytes packed = PpmEncode(text.data(), text.size(), 4);
  EXPECT_LT(packed.size(), text.size() / 4);
  Bytes zeros(100000, 0);
  EXPECT_LT(PpmEncode(zeros.data(), zeros.size(), 2).size(), 2000u);
}

// Noise packs with order 0 whatever order is asked for (smaller and faster to unpack there);
// bytes the model predicts keep the order asked for.
TEST(Ppm, NoiseFallsBackToOrderZero) {
  Bytes noise = RandomBytes(20000, 7);
  Bytes packed = PpmEncode(noise.data(), noise.size(), 4);
  ASSERT_FALSE(packed.empty());
  EXPECT_EQ(packed[0] >> 4, 0);
  EXPECT_LE(packed.size(), PpmEncodeOrder(noise.data(), noise.size(), 4).size());
  EXPECT_EQ(Decode(packed, noise.size()), noise);
  Bytes text = Text(20000, 3);
  packed = PpmEncode(text.data(), text.size(), 4);
  ASSERT_FALSE(packed.empty());
  EXPECT_EQ(packed[0] >> 4, 4);
  EXPECT_EQ(packed, PpmEncodeOrder(text.data(), text.size(), 4));
}

TEST(Ppm, OutOfRangeOrderIsRefusedByThePacker) {
  uint8_t b = 1;
  EXPECT_TRUE(PpmEncode(&b, 1, 16).empty());
  EXPECT_TRUE(PpmEncode(&b, 1, -1).empty());
}

TEST(Ppm, NodeCapStopsReaderAndPacker) {
  Bytes data = RandomBytes(5000, 21);
  Bytes packed = PpmEncodeOrder(data.data(), data.size(), 6);
  ASSERT_FALSE(packed.empty());
  PpmMemoryLimit = 64 * 1024;
  EXPECT_TRUE(PpmEncode(data.data(), data.size(), 6).empty());
  Bytes out;
  EXPECT_EQ(DecodeGuarded(packed, data.size(), out), "FATAL ERROR: NewNode(): Not enough memory !!!");
  // Order 0 needs at most 257 records and 256 entries and still fits.
  EXPECT_FALSE(PpmEncode(data.data(), data.size(), 0).empty());
  PpmMemoryLimit = kPpmMemoryLimit;
}

// The blocks never take more than the cap counts, at any order and on data that makes many
// small contexts (noise) or few large ones (runs); and the tree they form holds every byte
// seen, one child per distinct follower, in each context of order 0 and 1.
TEST(Ppm, BlocksStayWithinWhatTheCapCounts) {
  for (int order : {0, 1, 3, 8}) {
    for (const Bytes& data : {RandomBytes(30000, 5), Runs(30000, 6)}) {
      PpmModel m;
      ASSERT_TRUE(PpmStart(m, order));
      for (size_t p = 0; p < data.size(); p++) {
        ASSERT_TRUE(PpmUpdate(m, uint32_t(p), data[p]));
        ASSERT_LE(uint64_t(m.poolUsed) * 8, PpmBytesUsed(m)) << order << " at " << p;
      }
      bool seen[256] = {};
      for (uint8_t b : data) seen[b] = true;
      uint32_t distinct = 0;
      for (bool s : seen) distinct += s;
      ASSERT_NE(m.ctx[0], 0u);
      EXPECT_EQ(PpmHeader(m, m.ctx[0]).n, distinct) << order;
      if (order >= 1) {
        // The context of the last byte: its children are the bytes that followed it.
        const PpmEntry* e = PpmChildren(m, m.ctx[0]);
        uint32_t i = PpmFind(e, PpmHeader(m, m.ctx[0]).n, data.back());
        ASSERT_LT(i, PpmHeader(m, m.ctx[0]).n);
        bool follows[256] = {};
        for (size_t p = 0; p + 1 < data.size(); p++)
          if (data[p] == data.back()) follows[data[p + 1]] = true;
        uint32_t followers = 0;
        for (bool f : follows) followers += f;
        EXPECT_EQ(e[i].next ? PpmHeader(m, e[i].next).n : 0u, followers) << order;
      }
      PpmRelease(m);
    }
  }
}

TEST(Ppm, TruncatedStreamEndsWithEofLine) {
  Bytes data = Text(4000, 8);
  Bytes packed = PpmEncode(data.data(), data.size(), 3);
  Bytes out;
  for (size_t cut : {size_t(0), size_t(1), size_t(2), packed.size() / 2, packed.size() - 1}) {
    Bytes part(packed.begin(), packed.begin() + long(cut));
    std::string line = DecodeGuarded(part, data.size(), out);
    EXPECT_TRUE(line == "FATAL ERROR: GetBit(): unexpected EOF in input stream !!!" ||
                line == "FATAL ERROR: GetBits(): unexpected EOF in input stream !!!")
        << "cut at " << cut << ": " << line;
  }
  EXPECT_EQ(DecodeGuarded(packed, data.size(), out), "");
}

// Garbage never writes outside the n bytes and ends either normally or with one of the reader's
// own fatal lines.
TEST(Ppm, GarbageStaysInBounds) {
  uint32_t seed = 99;
  Bytes out;
  for (int i = 0; i < 300; i++) {
    Bytes junk = RandomBytes(1 + Lcg(seed) % 400, seed);
    if (i % 3 == 0) junk[0] &= 0x0F;   // low orders too
    size_t n = Lcg(seed) % 3000;
    std::string line = DecodeGuarded(junk, n, out);
    for (size_t k = n; k < out.size(); k++) ASSERT_EQ(out[k], 0xCD);
    if (!line.empty()) {
      EXPECT_TRUE(line.find("unexpected EOF in input stream") != std::string::npos ||
                  line.find("DecodePPM(): ") != std::string::npos ||
                  line.find("NewNode()") != std::string::npos)
          << line;
    }
  }
}

// The wide symbol search agrees with the plain one for every length, position and absence.
TEST(Ppm, FindMatchesPlainSearch) {
  uint32_t seed = 5;
  std::vector<PpmEntry> e(300);
  for (int round = 0; round < 2000; round++) {
    uint32_t n = Lcg(seed) % 257;
    for (uint32_t i = 0; i < n; i++)
      e[i] = PpmEntry{uint8_t(Lcg(seed) % 40), uint8_t(Lcg(seed)), uint16_t(Lcg(seed)), Lcg(seed)};
    uint8_t s = uint8_t(Lcg(seed) % 48);
    ASSERT_EQ(PpmFind(e.data(), n, s), PpmFindPlain(e.data(), n, s)) << n << " " << int(s);
  }
}

// The eight-at-a-time count sums and walk agree with a plain running sum for every length,
// target and count up to the largest a context holds.
TEST(Ppm, BlockSumsMatchPlainRunningSum) {
  uint32_t seed = 17;
  std::vector<PpmEntry> e(257);
  for (int round = 0; round < 3000; round++) {
    uint32_t n = Lcg(seed) % 257;
    uint32_t top = round % 3 == 0 ? kPpmHalveAt + 1 : 1 + Lcg(seed) % 40;
    for (uint32_t i = 0; i < n; i++)
      e[i] = PpmEntry{uint8_t(Lcg(seed)), uint8_t(Lcg(seed)), uint16_t(Lcg(seed) % (top + 1)), Lcg(seed)};
    uint32_t total = 0;
    for (uint32_t i = 0; i < n; i++) total += e[i].count;
    uint32_t k = n ? Lcg(seed) % (n + 1) : 0;
    uint32_t head = 0;
    for (uint32_t i = 0; i < k; i++) head += e[i].count;
    ASSERT_EQ(PpmSumCounts(e.data(), k), head);
    uint32_t target = Lcg(seed) % (total + 2);
    uint32_t plain = 0, run = 0;
    for (; plain < n; plain++) {
      run += e[plain].count;
      if (run > target) break;
    }
    uint32_t sum = 0;
    ASSERT_EQ(PpmWalk(e.data(), n, target, &sum), plain) << n << " " << target;
    ASSERT_EQ(sum, run);
    if (target < total) {
      sum = 0;
      ASSERT_EQ(PpmLocate(e.data(), n, total, target, &sum), plain) << n << " " << target << " of " << total;
      ASSERT_EQ(sum, run);
    }
  }
}
