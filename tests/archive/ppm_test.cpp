// PPM method: packer and reader round trips on varied data and every order, a hand-worked stream,
// today's streams of data that halves and fills contexts (the model is the format: a change of it
// shows there even when packer and reader change alike), the node cap, and damaged streams.
#include <gtest/gtest.h>

#include <algorithm>
#include <tuple>

#include "helpers.h"
#include "runtime/ppm_model.h"
#include "tools/qvxpack/ppm_encode.h"

using namespace archive_test;

namespace {

using Bytes = std::vector<uint8_t>;

Bytes Runs(size_t n, uint32_t seed) {
  std::mt19937 rng(seed);
  Bytes b;
  while (b.size() < n) {
    uint8_t v = uint8_t(rng() % 5);
    for (size_t len = 1 + rng() % 3000; len > 0 && b.size() < n; len--) b.push_back(v);
  }
  return b;
}

// Decodes into a guarded buffer: nothing written past n, nothing read past the stored bytes, and
// no whole stored byte left unread.
Bytes DecodeChecked(const Bytes& packed, size_t n) {
  Bytes out(n + 16, 0xCD);
  BitReader in(packed.data(), packed.size());
  Failure why;
  EXPECT_TRUE(DecodePPM(in, out.data(), int32_t(n), why)) << why.text;
  for (size_t i = n; i < out.size(); i++) EXPECT_EQ(out[i], 0xCD) << "written past the end";
  EXPECT_LE(in.Tell(), packed.size() * 8) << "read past the stored bytes";
  EXPECT_GT(in.Tell() + 8, packed.size() * 8);
  out.resize(n);
  return out;
}

void RoundTrip(const Bytes& data, int order) {
  Bytes packed = PpmEncodeOrder(data.data(), data.size(), order);
  ASSERT_FALSE(packed.empty());
  EXPECT_EQ(packed[0] >> 4, order);
  EXPECT_EQ(DecodeChecked(packed, data.size()), data) << "order " << order << ", " << data.size() << " bytes";
}

// The refusal of a decode, or "" when it finished; out keeps 64 guard bytes past n.
std::string DecodeGuarded(const Bytes& packed, size_t n, Bytes& out) {
  out.assign(n + 64, 0xCD);
  BitReader in(packed.data(), packed.size());
  Failure why;
  const bool whole = DecodePPM(in, out.data(), int32_t(n), why);
  EXPECT_EQ(whole, !why.Failed());
  return why.text;
}

}  // namespace

TEST(Ppm, EmptyAndOneByte) {
  for (int order : {0, 1, 5, 15})
    for (const Bytes& b : {Bytes{}, Bytes{0x41}, Bytes{0x00}, Bytes{0xFF}}) RoundTrip(b, order);
}

// Order 0, one byte 0x41: no context has children, so the byte is coded in the uniform
// fallback as [65, 66) of 256, eight renormalisations emitting 01000001; the close settles on
// the first quarter (01) and pads to the 16 + 8 bits the reader takes after the order.
TEST(Ppm, HandWorkedStream) {
  const Bytes expect = {0x04, 0x14, 0x00, 0x00};
  uint8_t one = 0x41;
  EXPECT_EQ(PpmEncode(&one, 1, 0), expect);
  EXPECT_EQ(DecodeChecked(expect, 1), Bytes{0x41});
}

TEST(Ppm, EveryOrderOnTextRandomRunsAndPictures) {
  const Bytes text = TextBytes(6000, 7), random = RandomBytes(3000, 11), runs = Runs(20000, 3),
              picture = PictureBytes(64 * 40 * 3, 5), zeros(3000, 0);
  for (int order = 0; order <= 15; order++)
    for (const Bytes* b : {&text, &random, &runs, &picture, &zeros}) RoundTrip(*b, order);
}

// Long runs drive a context's total past 4096 again and again; random bytes fill the root with
// all 256 symbols; the mixture keeps halved children at count 0 in the lists. The streams are
// those a plain second reading of the method decoded when they were taken: any change of the
// model's counts, escapes or exclusions changes them.
TEST(Ppm, HalvingAndFullContextsGiveTodaysStreams) {
  Bytes data = Runs(60000, 9);
  for (const Bytes& more : {RandomBytes(20000, 2), TextBytes(20000, 4), Bytes(30000, 0x33)})
    data.insert(data.end(), more.begin(), more.end());
  const uint32_t expect[3] = {0x7D13312Du, 0x5A0B44E8u, 0x5FFF006Cu};
  const int orders[3] = {0, 2, 4};
  for (int k = 0; k < 3; k++) {
    Bytes packed = PpmEncodeOrder(data.data(), data.size(), orders[k]);
    EXPECT_EQ(DecodeChecked(packed, data.size()), data) << orders[k];
    EXPECT_EQ(qvx::Adler32(packed.data(), packed.size()), expect[k]) << "order " << orders[k] << ", " << packed.size() << " bytes";
  }
}

// Noise packs with order 0 whatever order is asked for; bytes the model predicts keep the order
// asked for and pack well.
TEST(Ppm, PackerChoosesTheOrderAndCompresses) {
  Bytes noise = RandomBytes(20000, 7);
  Bytes packed = PpmEncode(noise.data(), noise.size(), 4);
  ASSERT_FALSE(packed.empty());
  EXPECT_EQ(packed[0] >> 4, 0);
  EXPECT_EQ(DecodeChecked(packed, noise.size()), noise);
  Bytes text = TextBytes(50000, 3);
  packed = PpmEncode(text.data(), text.size(), 4);
  EXPECT_EQ(packed[0] >> 4, 4);
  EXPECT_LT(packed.size(), text.size() / 4);
  Bytes zeros(100000, 0);
  EXPECT_LT(PpmEncode(zeros.data(), zeros.size(), 2).size(), 2000u);
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
  EXPECT_EQ(DecodeGuarded(packed, data.size(), out), "NewNode(): Not enough memory");
  // The pool stops growing at what the cap lets the blocks use and one position's room.
  PpmModel m;
  ASSERT_TRUE(PpmStart(m, 15));
  for (uint32_t p = 0; PpmUpdate(m, p, data[p]); p++) {}
  EXPECT_LE(uint64_t(m.poolCapacity) * 8, PpmMemoryLimit + 8 * 257 * (kPpmMaxOrder + 1));
  PpmRelease(m);
  // Order 0 needs at most 257 records and 256 entries and still fits.
  EXPECT_FALSE(PpmEncode(data.data(), data.size(), 0).empty());
  PpmMemoryLimit = kPpmMemoryLimit;
}

// The blocks never take more than the cap counts, nor the pool more than twice what they and one
// position's room need, at any order and on data that makes many small contexts (noise) or few
// large ones (runs); and the root holds every byte seen once.
TEST(Ppm, BlocksStayWithinWhatTheCapCounts) {
  for (int order : {0, 1, 3, 8}) {
    for (const Bytes& data : {RandomBytes(30000, 5), Runs(30000, 6)}) {
      PpmModel m;
      ASSERT_TRUE(PpmStart(m, order));
      for (size_t p = 0; p < data.size(); p++) {
        ASSERT_TRUE(PpmUpdate(m, uint32_t(p), data[p]));
        ASSERT_LE(uint64_t(m.poolUsed) * 8, PpmBytesUsed(m)) << order << " at " << p;
        ASSERT_LE(m.poolCapacity, std::max(4096u, 2 * (m.poolUsed + 257u * uint32_t(order + 1)))) << order;
      }
      bool seen[256] = {};
      uint32_t distinct = 0;
      for (uint8_t b : data) distinct += !seen[b], seen[b] = true;
      ASSERT_NE(m.ctx[0], 0u);
      EXPECT_EQ(PpmHeader(m, m.ctx[0]).n, distinct) << order;
      PpmRelease(m);
    }
  }
  // Worked by hand from 32 bytes at the start (two records and an entry): order 0 over "ab" adds
  // two contexts and blocks of one and two entries, 80 bytes; order 1 over "abab" adds four
  // contexts and blocks of 1, 1 and 2 entries, and b's context takes back the root's first block:
  // 112 bytes. A cap of exactly that fits; one byte less stops the last new block or context.
  for (auto [order, text, bytes] : {std::tuple{0, "ab", 80u}, {1, "abab", 112u}}) {
    for (uint32_t cap : {bytes, bytes - 1}) {
      PpmMemoryLimit = cap;
      PpmModel m;
      ASSERT_TRUE(PpmStart(m, order));
      bool whole = true;
      for (uint32_t p = 0; text[p] && whole; p++) whole = PpmUpdate(m, p, uint8_t(text[p]));
      EXPECT_EQ(whole, cap == bytes) << text << " within " << cap;
      if (whole) {
        EXPECT_EQ(PpmBytesUsed(m), bytes) << text;
      }
      PpmRelease(m);
    }
  }
  PpmMemoryLimit = kPpmMemoryLimit;
}

// After the last mark the marks start again, and no byte is excluded at the next position.
TEST(Ppm, MarksStartAgainAfterTheLast) {
  PpmModel m;
  ASSERT_TRUE(PpmStart(m, 0));
  m.mark = 0xFFFFFFFFu;
  m.stamp[7] = 1;   // excluded at the first mark long ago
  PpmBeginPosition(m);
  for (int s = 0; s < 256; s++) EXPECT_FALSE(PpmExcluded(m, uint8_t(s))) << s;
  PpmRelease(m);
}

TEST(Ppm, TruncatedStreamEndsWithEofLine) {
  Bytes data = TextBytes(4000, 8);
  Bytes packed = PpmEncode(data.data(), data.size(), 3);
  Bytes out;
  for (size_t cut : {size_t(0), size_t(1), size_t(2), packed.size() / 2, packed.size() - 1}) {
    std::string line = DecodeGuarded(Bytes(packed.begin(), packed.begin() + long(cut)), data.size(), out);
    // The order and the first 16 bits are read as fields, the rest a bit at a time.
    EXPECT_EQ(line, cut < 3 ? "GetBits(): unexpected EOF in input stream" : "GetBit(): unexpected EOF in input stream")
        << "cut at " << cut;
    if (cut == packed.size() / 2) {
      EXPECT_EQ(out[data.size() - 1], 0xCD) << "decoding stops where the stream does";
    }
  }
  EXPECT_EQ(DecodeGuarded(packed, data.size(), out), "");
}

// Garbage never writes outside the n bytes and ends either normally or with one of the reader's
// own refusals.
TEST(Ppm, GarbageStaysInBounds) {
  std::mt19937 rng(99);
  Bytes out;
  for (int i = 0; i < 300; i++) {
    Bytes junk = RandomBytes(1 + rng() % 400, rng());
    if (i % 3 == 0) junk[0] &= 0x0F;   // low orders too
    size_t n = rng() % 3000;
    std::string line = DecodeGuarded(junk, n, out);
    for (size_t k = n; k < out.size(); k++) ASSERT_EQ(out[k], 0xCD);
    if (!line.empty()) {
      EXPECT_TRUE(line.find("unexpected EOF in input stream") != std::string::npos ||
                  line.find("DecodePPM(): ") != std::string::npos || line.find("NewNode()") != std::string::npos)
          << line;
    }
  }
  // Order 0 fed with noise meets every byte, and then an escape from them all.
  Bytes junk = RandomBytes(1000, 0);
  junk[0] = 0;
  EXPECT_EQ(DecodeGuarded(junk, 6000, out), "DecodePPM(): Escape with every byte excluded in input stream");
}
