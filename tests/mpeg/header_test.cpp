// Header parse, init refusals and the frame-length edge cases.
#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "mpeg/mpeg_support.h"
#include "sound/mpeg.h"
#include "sound/mpeg_layer12.h"

using namespace mpegtest;

namespace {
int32_t Parse(std::vector<uint8_t> d, KvoxMpegHeader* h = nullptr) {
  KvoxMpegHeader tmp;
  return KvoxParseHeader(d.data(), int32_t(d.size()), h ? h : &tmp);
}

int32_t Init(const KvoxMpegHeader& h, int32_t length, int32_t reduction = 0, int32_t conversion = 0) {
  return KvoxDecoderTable[0].init(&h, length, reduction, 0, conversion, 24000);
}

TEST(MpegHeader, FieldsInOrder) {
  KvoxMpegHeader h;
  // MPEG-1 Layer III, no CRC, 128 kbit/s, 44.1 kHz, pad, private, joint stereo ext 2, copyright, home, emph 1.
  ASSERT_EQ(Parse({0xFF, 0xFB, 0x93, 0x6D}, &h), 417);
  EXPECT_EQ((std::vector<int32_t>{h.sync, h.id, h.option, h.prot, h.brIndex, h.srIndex, h.pad, h.privateBit, h.mode,
                                  h.modeExt, h.cr, h.home, h.emphasis}),
            (std::vector<int32_t>{1, 1, 1, 1, 9, 0, 1, 1, 1, 2, 1, 1, 1}));
}

TEST(MpegHeader, FrameLengths) {
  EXPECT_EQ(Parse({0xFF, 0xFB, 0x90, 0x64}), 417);  // Layer III 128 kbit/s 44.1 kHz
  EXPECT_EQ(Parse({0xFF, 0xFB, 0x92, 0x64}), 417);  // the same with the pad bit: length without padding
  EXPECT_EQ(Parse({0xFF, 0xFD, 0x84, 0x04}), 384);  // Layer II 128 kbit/s 48 kHz
  EXPECT_EQ(Parse({0xFF, 0xFF, 0xC8, 0x04}), 576);  // Layer I 384 kbit/s 32 kHz: 4 x (240 x 384 / 640)
  EXPECT_EQ(Parse({0xFF, 0xFF, 0xC0, 0x04}), 416);  // Layer I 384 kbit/s 44.1 kHz: whole slots, 4 x 104
  EXPECT_EQ(Parse({0xFF, 0xF3, 0x80, 0x04}), 208);  // MPEG-2 Layer III 64 kbit/s 22.05 kHz: 1440 x 64 / 441
  KvoxMpegHeader h;
  EXPECT_EQ(Parse({0xFF, 0xE3, 0x48, 0xC4}, &h), 288);  // MPEG 2.5 Layer III 32 kbit/s 8 kHz: 2880 x 32 / 320
  EXPECT_EQ(h.sync, 2);
  EXPECT_EQ(h.id, 0);
}

TEST(MpegHeader, Refusals) {
  EXPECT_EQ(Parse({0xFE, 0xFB, 0x90, 0x64}), 0);  // no 0xFF
  EXPECT_EQ(Parse({0xFF, 0xD3, 0x90, 0x64}), 0);  // upper bits neither 0xF nor 0xE (else MPEG 2.5 Layer III)
  EXPECT_EQ(Parse({0xFF, 0xF9, 0x90, 0x64}), 0);  // layer code 0
  EXPECT_EQ(Parse({0xFF, 0xFB, 0xF0, 0x64}), 0);  // bit-rate index 15
  EXPECT_EQ(Parse({0xFF, 0xFB, 0x9C, 0x64}), 0);  // reserved sample rate
  EXPECT_EQ(Parse({0xFF, 0xEB, 0x90, 0x64}), 0);  // sync 0xFFE with the MPEG-1 bit: reserved version
  EXPECT_EQ(Parse({0xFF, 0xFB, 0x90}), 0);        // shorter than a header
}

TEST(MpegInit, LayerTwoRefusesForbiddenBitRateAndModeCombinations) {
  KvoxMpegHeader h;
  ASSERT_GT(Parse({0xFF, 0xFD, 0x50, 0x04}, &h), 0);  // Layer II stereo 80 kbit/s 44.1 kHz parses...
  EXPECT_EQ(Init(h, 261), 0);                         // ...but init fails
  ASSERT_GT(Parse({0xFF, 0xFD, 0x50, 0xC4}, &h), 0);  // mono 80 kbit/s is allowed
  EXPECT_EQ(Init(h, 261), 1);
  ASSERT_GT(Parse({0xFF, 0xFD, 0xB0, 0xC4}, &h), 0);  // mono 224 kbit/s is not
  EXPECT_EQ(Init(h, 731), 0);
  for (int bri : {1, 2, 3, 5}) {  // two-channel modes at 32, 48, 56 and 80 kbit/s
    ASSERT_GT(Parse({0xFF, 0xFD, uint8_t(bri << 4), 0x44}, &h), 0);
    EXPECT_EQ(Init(h, 100), 0) << bri;
  }
  ASSERT_GT(Parse({0xFF, 0xFD, 0x40, 0x04}, &h), 0);  // stereo 64 kbit/s
  EXPECT_EQ(Init(h, 208), 1);
  ASSERT_GT(Parse({0xFF, 0xE5, 0x84, 0x04}, &h), 0);  // MPEG 2.5 has no Layer II
  EXPECT_EQ(Init(h, 384), 0);
  h.srIndex = 3;  // nor the reserved rate a table
  EXPECT_EQ(KvoxLayer2AllocTable(h, 384), -1);
}

// What init reports for each reduction and conversion (8-bit is 8, the mono mappings 1-3).
TEST(MpegInit, StreamInfoFigures) {
  struct Row {
    uint8_t h[4];
    int32_t reduction, conversion, channels, values, rate, bits;
  };
  const Row rows[] = {
      {{0xFF, 0xFD, 0x84, 0x04}, 0, 0, 2, 2304, 48000, 16},  // Layer II stereo 48 kHz
      {{0xFF, 0xFD, 0x84, 0x04}, 1, 0, 2, 1152, 24000, 16},  // half rate: 576 values per channel
      {{0xFF, 0xFD, 0x84, 0x04}, 2, 9, 1, 288, 12000, 8},    // quarter rate, 8-bit, mixed to one channel
      {{0xFF, 0xFD, 0x84, 0x04}, 7, 2, 1, 288, 12000, 16},   // reduction clamped to 2; left only
      {{0xFF, 0xFD, 0x84, 0x04}, -1, 0, 2, 2304, 48000, 16}, // and raised to 0
      {{0xFF, 0xFF, 0xC8, 0xC4}, 0, 0, 1, 384, 32000, 16},   // Layer I mono
      {{0xFF, 0xFB, 0x90, 0x44}, 2, 0, 2, 576, 11025, 16},   // Layer III joint stereo 44.1 kHz, quarter rate
      {{0xFF, 0xFB, 0x90, 0x44}, 2, 1, 1, 288, 11025, 16},
      {{0xFF, 0xF3, 0x80, 0xC4}, 1, 0, 1, 288, 11025, 16},   // MPEG-2 Layer III: 576 samples per frame
  };
  for (const Row& r : rows) {
    KvoxMpegHeader h;
    const int32_t length = Parse({r.h[0], r.h[1], r.h[2], r.h[3]}, &h);
    ASSERT_EQ(Init(h, length, r.reduction, r.conversion), 1);
    KvoxStreamInfo info;
    KvoxDecoderTable[0].info(&info);
    EXPECT_EQ((std::vector<int32_t>{info.channels, info.values, info.rate, info.bits, info.frameBytes, info.type}),
              (std::vector<int32_t>{r.channels, r.values, r.rate, r.bits, length, 0}))
        << int(r.h[1]) << " reduction " << r.reduction << " conversion " << r.conversion;
  }
}

TEST(MpegInit, RefusesNoHeaderLengthsBelowOneAndTheReservedSampleRate) {
  KvoxMpegHeader h{};
  h.sync = 1; h.id = 1; h.option = 3; h.prot = 1; h.brIndex = 0; h.srIndex = 3;
  EXPECT_EQ(Init(h, 400), 0);  // reachable through free format
  h.srIndex = 0;
  EXPECT_EQ(Init(h, 0), 0);
  EXPECT_EQ(Init(h, 1), 1);
  EXPECT_EQ(KvoxDecoderTable[0].init(nullptr, 400, 0, 0, 0, 24000), 0);
}

TEST(MpegHeader, FreeFormatSearchLooksAtTheFirst10000BytesOnly) {
  // Free-format Layer II frames of 1000 bytes up to byte 9999, then no header at 10000: the walk ends
  // at the search window and accepts the length.
  std::vector<uint8_t> d(20000, 0);
  for (size_t at = 0; at < 10000; at += 1000) {
    d[at] = 0xFF; d[at + 1] = 0xFD; d[at + 2] = 0x04; d[at + 3] = 0x04;
  }
  EXPECT_EQ(Parse(d), 1000);
  d[5000] = 0;  // a missing header inside the window rejects 1000; the search goes on and finds 2000
  EXPECT_EQ(Parse(d), 2000);
  d[6000] = 0;  // now no candidate below 2000 walks to the end
  EXPECT_EQ(Parse(d), 0);
}

// The search's edges, on 48 kHz free-format frames of zero bytes between whole headers (0xFF, byte 1,
// byte 2, 0x04); a stray is only the two bytes a header starts with.
TEST(MpegHeader, FreeFormatSearchEdges) {
  struct Row {
    const char* what;
    uint8_t byte1, byte2;
    int32_t size;
    std::vector<int32_t> strays, headers;
    int32_t length;
  };
  const Row rows[] = {
      {"no second header", 0xFD, 0x04, 3000, {}, {0}, 0},
      {"a header cut after three bytes is not walked on to", 0xFD, 0x04, 1003, {}, {0, 500}, 500},
      // Layer I with the protection bit (0xFF 0xFF): the stray at 499 is rejected; the next start is 500.
      {"the search goes on right after a rejected candidate", 0xFF, 0x04, 3000, {499}, {0, 500, 1000, 1500, 2000, 2500}, 500},
      {"a candidate rejected at 1999 ends the search", 0xFD, 0x04, 8500, {1999}, {0, 2100, 4200, 6300, 8400}, 0},
      {"layer code 0", 0xF9, 0x04, 1000, {}, {0, 500}, 0},
      {"reserved sample rate", 0xFD, 0x0C, 1000, {}, {0, 500}, 0},
  };
  for (const Row& r : rows) {
    std::vector<uint8_t> d(size_t(r.size), 0);
    for (int32_t at : r.strays) d[size_t(at)] = 0xFF, d[size_t(at) + 1] = r.byte1;
    for (int32_t at : r.headers) {
      const uint8_t header[4] = {0xFF, r.byte1, r.byte2, 0x04};
      std::copy(header, header + 4, d.begin() + at);
    }
    EXPECT_EQ(Parse(d), r.length) << r.what;
  }
}

// ---- free format: streams rewritten from constant bit rate, which must decode identically ----------------
void ExpectFreeFormatDecodesAsConstant(const char* name, int32_t length) {
  const std::string& dir = StreamDir();
  if (dir.empty()) return;
  std::vector<uint8_t> cbr = ReadFile(dir + name + ".mpa");
  ASSERT_FALSE(cbr.empty()) << name;
  std::vector<uint8_t> ff = ToFreeFormat(cbr);
  KvoxMpegHeader h;
  ASSERT_EQ(KvoxParseHeader(ff.data(), int32_t(ff.size()), &h), length) << name;
  EXPECT_EQ(h.brIndex, 0);
  Decoded a = Decode(cbr), b = Decode(ff);
  ASSERT_TRUE(a.ok && b.ok);
  EXPECT_EQ(a.frames, b.frames);
  EXPECT_TRUE(a.pcm == b.pcm) << name;
}

TEST(MpegFreeFormat, EveryLayerDecodesAsAtConstantBitRate) {
  ExpectFreeFormatDecodesAsConstant("l1_44_384_s", 416);  // 44.1 kHz: padding slots of 4 bytes
  ExpectFreeFormatDecodesAsConstant("l1_48_256_j8", 256);
  // Layer II chooses the allocation table from the frame length.
  ExpectFreeFormatDecodesAsConstant("l2_44_128_j", 417);  // 64 kbit/s per channel: table a, not b
  ExpectFreeFormatDecodesAsConstant("l2_44_64_s", 208);   // 32 kbit/s per channel: table c
  ExpectFreeFormatDecodesAsConstant("l2_32_64_j", 288);   // table d
  ExpectFreeFormatDecodesAsConstant("l2_48_256_d", 768);
  ExpectFreeFormatDecodesAsConstant("l2_48_112_j", 336);  // 56 kbit/s per channel at 48 kHz: table a
  ExpectFreeFormatDecodesAsConstant("l2_32_112_s", 504);  // 56 kbit/s per channel at 32 kHz: table a, not d
  ExpectFreeFormatDecodesAsConstant("l2_32_192_j", 864);  // 96 kbit/s per channel: table b
  ExpectFreeFormatDecodesAsConstant("l2_22_64_j", 417);   // lower sampling frequency table
  ExpectFreeFormatDecodesAsConstant("l3_44_128_j", 417);
  ExpectFreeFormatDecodesAsConstant("l3_22_64_j", 208);
}

TEST(MpegFrames, BadSyncConsumesAndProducesNothing) {
  for (const std::vector<uint8_t>& header : {std::vector<uint8_t>{0xFF, 0xFD, 0x84, 0x04}, {0xFF, 0xFB, 0x90, 0x64}}) {
    KvoxMpegHeader h;
    const int32_t length = Parse(header, &h);
    ASSERT_EQ(Init(h, length), 1);
    std::vector<uint8_t> frame(size_t(length), 0x55), pcm(4608);
    KvoxDecodeResult r = KvoxDecoderTable[0].decode(frame.data(), int32_t(frame.size()), pcm.data());
    EXPECT_EQ(r.consumed, 0) << int(header[1]);
    EXPECT_EQ(r.produced, 0) << int(header[1]);
  }
}
TEST(MpegFrames, BitRateChangesBetweenFramesAreFollowed) {
  // Two Layer II streams of the same rate, 96 kbit/s per channel (table b) then 80 (table a), one after
  // the other: every frame is consumed with its own length and read with its own bit rate's table, so
  // from its second frame on (the synthesis history then holds nothing of the first) the second part
  // decodes as it does on its own.
  const std::string& dir = StreamDir();
  if (dir.empty()) return;
  std::vector<uint8_t> a = ReadFile(dir + "l2_44_192_s.mpa"), b = ReadFile(dir + "l2_44_160_d.mpa");
  ASSERT_FALSE(a.empty() || b.empty());
  std::vector<uint8_t> both = a;
  both.insert(both.end(), b.begin(), b.end());
  Decoded da = Decode(a), db = Decode(b), dboth = Decode(both);
  ASSERT_TRUE(da.ok && db.ok && dboth.ok);
  // The decoding loop, like the player, stops when fewer bytes than the first frame's 626 are left:
  // the last 522-byte frame stays undecoded.
  EXPECT_EQ(dboth.frames, da.frames + db.frames - 1);
  const size_t frameBytes = 1152 * 2 * 2, from = size_t(da.frames + 1) * frameBytes;
  ASSERT_EQ(dboth.pcm.size(), size_t(dboth.frames) * frameBytes);
  EXPECT_TRUE(std::equal(dboth.pcm.begin() + long(from), dboth.pcm.end(), db.pcm.begin() + long(frameBytes)));
}
}  // namespace
