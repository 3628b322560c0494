// Damaged and hostile input: random frame contents, short data, allocation values past the tables;
// and the Layer III cases of the frame layer (silence while the reservoir is short, reduced-rate figures).
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <numbers>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

#include "mpeg/mpeg_support.h"
#include "mpeg/l3_support.h"
#include "sound/kvox_wave.h"
#include "sound/mpeg.h"
#include "sound/mpeg_layer12.h"
#include "support/logfile.h"

using namespace mpegtest;

namespace {
struct HeaderCase {
  uint8_t b[4];
  const char* what;
};

const HeaderCase kHeaders[] = {
    {{0xFF, 0xFF, 0xE4, 0x04}, "Layer I stereo 48 kHz"},
    {{0xFF, 0xFE, 0x94, 0x74}, "Layer I joint, CRC"},
    {{0xFF, 0xFD, 0xA4, 0x04}, "Layer II stereo 48 kHz (table a)"},
    {{0xFF, 0xFD, 0x48, 0x44}, "Layer II joint 32 kHz (table d)"},
    {{0xFF, 0xFC, 0x14, 0xC4}, "Layer II mono 48 kHz (table c), CRC"},
    {{0xFF, 0xF5, 0x80, 0x04}, "Layer II MPEG-2 stereo"},
    {{0xFF, 0xFB, 0xE0, 0x44}, "Layer III MPEG-1 joint"},
    {{0xFF, 0xFA, 0x90, 0xC4}, "Layer III MPEG-1 mono, CRC"},
    {{0xFF, 0xF3, 0x80, 0x64}, "Layer III MPEG-2 joint with intensity"},
    {{0xFF, 0xE3, 0x48, 0x04}, "Layer III MPEG 2.5 stereo"},
};

// Decodes frames of random (or all-ones) bytes behind a valid header with every output form; the output
// buffer carries a guard that must stay untouched, and results are either (0, 0) or (frame, values).
TEST(MpegRobust, RandomFrameContentsStayInsideTheBuffers) {
  std::mt19937 rng(12345);
  for (const HeaderCase& hc : kHeaders) {
    KvoxMpegHeader h;
    std::vector<uint8_t> hdr(hc.b, hc.b + 4);
    int32_t length = KvoxParseHeader(hdr.data(), 4, &h);
    ASSERT_GT(length, 0) << hc.what;
    for (int form = 0; form < 6; form++) {
      int32_t reduction = form % 3, conversion = form >= 3 ? 8 | 1 : 0;
      ASSERT_EQ(KvoxDecoderTable[0].init(&h, length, reduction, 0, conversion, 24000), 1) << hc.what;
      KvoxStreamInfo info;
      KvoxDecoderTable[0].info(&info);
      const size_t out = size_t(info.values) * size_t(info.bits / 8);
      std::vector<uint8_t> pcm(out + 64, 0xA5);
      for (int f = 0; f < 60; f++) {
        size_t size = size_t(length) + 8;
        std::vector<uint8_t> frame(size);
        for (auto& b : frame) b = f % 5 == 4 ? 0xFF : uint8_t(rng());
        memcpy(frame.data(), hc.b, 4);
        if (f % 3 == 1) frame[2] |= 2;  // padded
        int32_t available = f % 4 == 3 ? int32_t(rng() % size) : int32_t(size);
        // Exactly `available` bytes, so a read past them shows up under the address sanitiser.
        std::vector<uint8_t> exact(frame.begin(), frame.begin() + available);
        KvoxDecodeResult r = KvoxDecoderTable[0].decode(exact.data(), available, pcm.data());
        if (r.consumed == 0) {
          EXPECT_EQ(r.produced, 0);
          EXPECT_LT(available, 4) << hc.what;
        } else {
          EXPECT_GE(r.consumed, length) << hc.what;
          EXPECT_LE(r.consumed, length + 4) << hc.what;
          EXPECT_EQ(size_t(r.produced), out) << hc.what;
        }
        for (size_t i = out; i < pcm.size(); i++) ASSERT_EQ(pcm[i], 0xA5) << hc.what << ": wrote past the output";
      }
    }
  }
}

TEST(MpegRobust, DecodeBeforeInitOrWithoutDataDoesNothing) {
  KvoxMpegHeader h;
  std::vector<uint8_t> hdr = {0xFF, 0xFD, 0xA4, 0x04};
  ASSERT_GT(KvoxParseHeader(hdr.data(), 4, &h), 0);
  h.option = 0;
  EXPECT_EQ(KvoxDecoderTable[0].init(&h, 500, 0, 0, 0, 24000), 0);  // failed init leaves nothing to decode
  std::vector<uint8_t> pcm(4608);
  KvoxDecodeResult r = KvoxDecoderTable[0].decode(hdr.data(), 4, pcm.data());
  EXPECT_EQ(r.consumed, 0);
  EXPECT_EQ(KvoxParseHeader(nullptr, 10, &h), 0);
}

// ---- Layer III cases of the frame layer -------------------------------------------------------------------
int32_t MainDataBegin(const uint8_t* f) {
  const uint8_t* side = f + 4 + ((f[1] & 1) ? 0 : 2);
  bool mpeg1 = (f[1] >> 3) & 1;
  return mpeg1 ? (side[0] << 1 | side[1] >> 7) : side[0];
}

TEST(MpegLayer3, ShortReservoirGivesSilenceOfFullLength) {
  const std::string& dir = StreamDir();
  if (dir.empty()) return;
  std::vector<uint8_t> s = ReadFile(dir + "l3_44_128_j.mpa");
  ASSERT_FALSE(s.empty());
  // Walk to a frame past the first second whose main data starts in an earlier frame, and start there.
  size_t at = 0;
  for (int f = 0; at + 4 < s.size(); f++) {
    if (f > 40 && MainDataBegin(&s[at]) > 0) break;
    at += 417 + ((s[at + 2] >> 1) & 1);
  }
  ASSERT_LT(at + 4, s.size());
  std::vector<uint8_t> cut(s.begin() + long(at), s.end());
  Decoded d = Decode(cut);
  ASSERT_TRUE(d.ok);
  ASSERT_GT(d.frames, 10);
  EXPECT_EQ(d.pcm.size(), size_t(d.frames) * 1152 * 2 * 2);  // every frame full length, the first as silence
  for (size_t i = 0; i < 1152 * 2 * 2; i++) ASSERT_EQ(d.pcm[i], 0) << i;
  double energy = 0;
  std::vector<float> x = d.Samples();
  for (size_t i = 1152 * 2 * 4; i < x.size(); i++) energy += double(x[i]) * x[i];
  EXPECT_GT(energy, 0);
  Decoded e = Decode(cut, 0, 8);  // 8-bit silence is 128
  ASSERT_TRUE(e.ok);
  for (size_t i = 0; i < 1152 * 2; i++) ASSERT_EQ(e.pcm[i], 128) << i;
}

// ---- the top subbands -------------------------------------------------------------------------------
// Tones at 44.1 kHz, faded in and out, in subband 31 (21.7 kHz) and in subband 15 (10.68 kHz): the
// full-rate output carries each at its level; the half-rate output (subbands 0-14: the top subband of the
// kept half would fold back) leaves both out.
TEST(MpegFullRate, TheTopSubbandIsSynthesised) {
#if defined(_WIN32)
  GTEST_SKIP() << "runs l1enc, a tool of the native build";
#endif
  const char* bin = getenv("TARVON_BIN");
  std::string l1enc = std::string(bin ? bin : TARVON_BINARY_DIR "/bin") + "/l1enc";
  for (double hz : {21700.0, 10680.0}) {
    std::vector<uint8_t> wav(44 + 2 * 44100);
    KvoxWaveHeader(wav.data(), 44100, 1, 16, 0);
    KvoxPut32(wav.data() + 40, 2 * 44100);
    for (size_t i = 0; i < 44100; i++) {
      double fade = 0.5 - 0.5 * std::cos(std::numbers::pi * std::fmin(1.0, std::fmin(double(i), double(44100 - i)) / 8000.0));
      KvoxPut16(wav.data() + 44 + 2 * i, uint16_t(int16_t(16000 * fade * std::sin(2 * std::numbers::pi * hz * double(i) / 44100))));
    }
    WriteBytes("tone.wav", wav);
    ASSERT_EQ(ReadBytes("tone.wav"), wav);
    ASSERT_EQ(system((l1enc + " tone.wav tone.mpa --bitrate 192").c_str()), 0);
    const std::vector<uint8_t> stream = ReadFile("tone.mpa");
    float peak[2] = {0, 0};
    for (int32_t reduction = 0; reduction < 2; reduction++) {
      Decoded d = Decode(stream, reduction);
      ASSERT_TRUE(d.ok);
      for (float v : d.Samples()) peak[reduction] = std::fmax(peak[reduction], std::fabs(v));
    }
    EXPECT_GT(peak[0], 15000.0f) << hz;
    EXPECT_LT(peak[0], 17000.0f) << hz;
    EXPECT_LE(peak[1], 2.0f) << hz;
  }
}

// Frequency limits below 1000 Hz count as 1000: one subband at 44.1 kHz.
TEST(MpegInit, FrequencyLimitsBelow1000CountAs1000) {
  const std::string& dir = StreamDir();
  if (dir.empty()) return;
  const std::vector<uint8_t> s = ReadFile(dir + "l2_44_128_j.mpa");
  Decoded a = Decode(s, 0, 0, 1000), b = Decode(s, 0, 0, 0);
  ASSERT_TRUE(a.ok && b.ok);
  EXPECT_TRUE(a.pcm == b.pcm);
  EXPECT_NE(std::count(a.pcm.begin(), a.pcm.end(), 0), std::ptrdiff_t(a.pcm.size()));
}

// Every frame of a joint-stereo stream (intensity from subband 4 to 16 on) decoded with each subband
// limit: below it both channels hold what the decode without a limit gives them, from it on they keep
// what the caller left there.
TEST(MpegLayer2, SubbandsFromTheLimitOnAreNotStored) {
  const std::string& dir = StreamDir();
  if (dir.empty()) return;
  const std::vector<uint8_t> s = ReadFile(dir + "l2_44_128_j.mpa");
  KvoxMpegHeader h;
  const int32_t length = KvoxParseHeader(s.data(), int32_t(s.size()), &h);
  ASSERT_EQ(length, 417);
  KvoxLayer12Tables();
  KvoxLayer12Setup setup{2, 2, KvoxLayer2AllocTable(h, length), 32, length, 44100};
  static float all[2][36][32], cut[2][36][32];
  int32_t consumed = 0;
  for (size_t at = 0; at < s.size(); at += size_t(consumed)) {
    setup.subbandLimit = 32;
    ASSERT_EQ(KvoxLayer12Decode(&s[at], int32_t(s.size() - at), setup, all, &consumed), 36);
    for (setup.subbandLimit = 1; setup.subbandLimit < 32; setup.subbandLimit++) {
      std::fill(&cut[0][0][0], &cut[0][0][0] + 2 * 36 * 32, 7.0f);
      ASSERT_EQ(KvoxLayer12Decode(&s[at], int32_t(s.size() - at), setup, cut, &consumed), 36);
      for (int ch = 0; ch < 2; ch++)
        for (int t = 0; t < 36; t++)
          for (int sb = 0; sb < 32; sb++)
            ASSERT_EQ(cut[ch][t][sb], sb < setup.subbandLimit ? all[ch][t][sb] : 7.0f)
                << "at " << at << " limit " << setup.subbandLimit << " channel " << ch << " subband " << sb;
    }
  }
}
}  // namespace

// A Layer I allocation of 15 is forbidden: the subband sends nothing, so it reads no scalefactor and
// no samples, and the rest of the frame decodes as if its allocation were 0.
TEST(MpegRobust, ForbiddenLayer1AllocationSendsNothing) {
  auto frame = [](uint32_t firstAlloc) {
    l3test::BitWriter w;
    w.Put(0xFFF, 12), w.Put(1, 1), w.Put(3, 2), w.Put(1, 1);  // MPEG-1 Layer I, no CRC
    w.Put(1, 4), w.Put(0, 2), w.Put(0, 2), w.Put(3, 2), w.Put(0, 6);  // 32 kbit/s, 44.1 kHz, mono
    w.Put(firstAlloc, 4), w.Put(1, 4);  // subband 0, subband 1: 2-bit samples
    for (int sb = 2; sb < 32; sb++) w.Put(0, 4);
    w.Put(5, 6);  // subband 1's scalefactor
    for (int t = 0; t < 12; t++) w.Put(t % 2 ? 3 : 0, 2);
    return w.Padded(32);
  };
  KvoxLayer12Tables();
  const KvoxLayer12Setup setup{1, 1, 0, 32, 32, 44100};
  static float forbidden[2][36][32], none[2][36][32];
  int32_t consumed = 0;
  const auto a = frame(15), b = frame(0);
  ASSERT_EQ(KvoxLayer12Decode(a.data(), int32_t(a.size()), setup, forbidden, &consumed), 12);
  ASSERT_EQ(KvoxLayer12Decode(b.data(), int32_t(b.size()), setup, none, &consumed), 12);
  EXPECT_EQ(consumed, 32);
  for (int t = 0; t < 12; t++) {
    EXPECT_EQ(forbidden[0][t][0], 0.0f) << t;
    EXPECT_NE(none[0][t][1], 0.0f) << t;
    for (int sb = 1; sb < 32; sb++) EXPECT_EQ(forbidden[0][t][sb], none[0][t][sb]) << t << " " << sb;
  }
}
