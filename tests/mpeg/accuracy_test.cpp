// Accuracy of the decoder against ffmpeg's float decode of the same streams, after aligning the start.
//
// Tolerances (16-bit LSB; reference samples within 2 LSB of the 16-bit limits are left out):
//   full rate, 16-bit, every layer, version and mode ........ rms <= 0.35, max <= 2
//   mono mappings (mix / left / right) ........................ same as full rate, against the mixed or
//                                                               single reference channel
//   full-band Layer III at 24 kHz against lame's 16-bit decoder  rms <= 0.8, max <= 2 (ffmpeg's decode
//                                                               departs from the signal there; both
//                                                               outputs are rounded, lame's its own way)
//   8-bit ...................................................... every sample within 1 step (256 LSB) of the
//                                                               reference's 8-bit value, under 2% off by one
//   half and quarter rate ...................................... against the reference low-passed at the
//     synthesised band edge (15/64 and 8/64 of the stream rate) and decimated, without the filter run-in:
//     in-band streams (content below 1/10 of the rate): rms <= 0.35, max <= 2 (as at full rate);
//     wideband streams: rms within 3% (half) or 4% (quarter) of the signal's rms, since the subband
//     filters' transition bands around the synthesised edge leak and alias (measured 1.6-3.3%).
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <string>

#include "mpeg/mpeg_support.h"

using namespace mpegtest;

namespace {
struct Case {
  const char* name;
  int layer;
};

const Case kCases[] = {
    {"l1_44_384_s", 1},     {"l1_48_256_j8", 1},    {"l1_32_192_d", 1},   {"l1_44_128_m", 1},
    {"l1_22_192_s", 1},     {"l1_24_128_j4", 1},    {"l1_16_64_m", 1},    {"l2_44_192_s", 2},
    {"l2_44_128_j", 2},     {"l2_48_256_d", 2},     {"l2_48_48_m", 2},    {"l2_44_64_s", 2},
    {"l2_32_64_j", 2},      {"l2_32_96_m", 2},      {"l2_24_96_s", 2},    {"l2_22_64_j", 2},
    {"l2_16_32_m", 2},      {"l2ff_44_256", 2},     {"l2ff_48_160", 2},   {"l3_44_128_j", 3},
    {"l3_44_vbr_s", 3},     {"l3_48_320_s_crc", 3}, {"l3_32_96_m", 3},    {"l3_48_vbr_f", 3},
    {"l3_22_64_j", 3},      {"l3_24_vbr_j_crc", 3}, {"l3_16_32_m", 3},    {"l3_11_32_j", 3},
    {"l3_12_24_s_crc", 3},  {"l3_8_16_m", 3},       {"l3_8_vbr_j", 3},
};

std::string CaseName(const testing::TestParamInfo<Case>& info) { return info.param.name; }

struct Loaded {
  std::vector<uint8_t> stream;
  std::vector<float> ref;
  bool ok = false;
};

Loaded Load(const Case& c) {
  Loaded l;
  const std::string& dir = StreamDir();
  if (dir.empty()) return l;
  l.stream = ReadFile(dir + c.name + ".mpa");
  l.ref = ReadFloats(dir + c.name + ".f32");
  l.ok = !l.stream.empty() && !l.ref.empty();
  if (!l.ok) ADD_FAILURE() << "missing stream or reference for " << c.name;
  return l;
}

// ffmpeg may drop a first frame whose header differs from the next ones, hence a range past one frame.
// The frame after such a dropped one starts there from a silent filter history, so its output is left out.
int32_t AlignRange(int layer) { return layer == 1 ? 600 : 3500; }
int64_t SkipRef(int layer, int32_t offset) { return layer != 3 && offset >= 1000 ? 1152 : 0; }

class Accuracy : public testing::TestWithParam<Case> {
 protected:
  void SetUp() override {
    if (GetParam().layer == 3 && !HaveLayer3()) GTEST_SKIP() << "Layer III is not part of this library";
  }
};

TEST_P(Accuracy, FullRate16BitMatchesFloatReference) {
  Loaded l = Load(GetParam());
  if (!l.ok) return;
  Decoded d = Decode(l.stream);
  ASSERT_TRUE(d.ok);
  const int ch = d.info.channels;
  std::vector<float> ours = d.Samples();
  int32_t off = Align(ours, l.ref, ch, -200, AlignRange(GetParam().layer));
  Error e = Compare(ours, l.ref, ch, off, 2.0, SkipRef(GetParam().layer, off));
  RecordProperty("rms", std::to_string(e.rms));
  printf("%-18s offset %5d  rms %.4f  max %.3f  (%lld samples)\n", GetParam().name, off, e.rms, e.max,
         (long long)e.count);
  EXPECT_GT(e.count, int64_t(l.ref.size()) * 8 / 10);
  EXPECT_LE(e.rms, 0.35);
  EXPECT_LE(e.max, 2.0);
}

TEST_P(Accuracy, MonoMappingsMatchTheMixedOrSingleChannel) {
  Loaded l = Load(GetParam());
  if (!l.ok) return;
  Decoded full = Decode(l.stream);
  ASSERT_TRUE(full.ok);
  if (full.info.channels != 2) GTEST_SKIP() << "one-channel stream";
  int32_t off = Align(full.Samples(), l.ref, 2, -200, AlignRange(GetParam().layer));
  const char* names[3] = {"mix", "left", "right"};
  const int which[3] = {2, 0, 1};
  for (int m = 0; m < 3; m++) {
    Decoded d = Decode(l.stream, 0, m + 1);
    ASSERT_TRUE(d.ok);
    EXPECT_EQ(d.info.channels, 1);
    Error e = Compare(d.Samples(), Channel(l.ref, which[m]), 1, off, 2.0, SkipRef(GetParam().layer, off));
    printf("%-18s mono %-5s rms %.4f  max %.3f\n", GetParam().name, names[m], e.rms, e.max);
    EXPECT_LE(e.rms, 0.35) << names[m];
    EXPECT_LE(e.max, 2.0) << names[m];
  }
}

TEST_P(Accuracy, EightBitOutputIsTheRoundedValueShifted) {
  Loaded l = Load(GetParam());
  if (!l.ok) return;
  Decoded full = Decode(l.stream);
  Decoded d = Decode(l.stream, 0, 8);
  ASSERT_TRUE(d.ok);
  ASSERT_EQ(d.info.bits, 8);
  const int ch = d.info.channels;
  int32_t off = Align(full.Samples(), l.ref, ch, -200, AlignRange(GetParam().layer));
  int64_t frames = int64_t(d.pcm.size()) / ch, off1 = 0, n = 0;
  int worst = 0;
  for (int64_t i = 0; i < frames; i++) {
    int64_t j = i - off;
    if (j < SkipRef(GetParam().layer, off) || (j + 1) * ch > int64_t(l.ref.size())) continue;
    for (int c = 0; c < ch; c++) {
      double r = std::nearbyint(l.ref[size_t(j * ch + c)]);
      r = r < -32768 ? -32768 : r > 32767 ? 32767 : r;
      int expect = ((int(r) >> 8) ^ 128) & 0xFF;
      int diff = std::abs(int(d.pcm[size_t(i * ch + c)]) - expect);
      worst = std::max(worst, diff);
      off1 += diff != 0;
      n++;
    }
  }
  EXPECT_LE(worst, 1);
  EXPECT_LE(double(off1), 0.02 * double(n));
}

INSTANTIATE_TEST_SUITE_P(Streams, Accuracy, testing::ValuesIn(kCases), CaseName);

// Full-band Layer III at 24 kHz, where ffmpeg's decode departs from the original signal in long blocks:
// the reference is lame's own decoder, whose 16-bit output rounds on its own, hence the wider rms.
TEST(AccuracyLame, FullBand24kHzLayerThreeMatchesLameDecoder) {
  const std::string& dir = StreamDir();
  if (dir.empty()) return;
  std::vector<uint8_t> stream = ReadFile(dir + "l3_24_128_s_full.mpa");
  std::vector<float> ref = ReadFloats(dir + "l3_24_128_s_full.lame.f32");
  ASSERT_FALSE(stream.empty() || ref.empty());
  Decoded d = Decode(stream);
  ASSERT_TRUE(d.ok);
  ASSERT_EQ(d.info.rate, 24000);
  std::vector<float> ours = d.Samples();
  int32_t off = Align(ours, ref, 2, -200, 3500);
  Error e = Compare(ours, ref, 2, off);
  printf("l3_24_128_s_full   offset %5d  rms %.4f  max %.3f against lame's decoder\n", off, e.rms, e.max);
  EXPECT_GT(e.count, int64_t(ref.size()) * 8 / 10);
  EXPECT_LE(e.rms, 0.8);
  EXPECT_LE(e.max, 2.0);
}

// ---- half and quarter rate --------------------------------------------------------------------------------
// Wideband streams: the subband filters' transition bands around the synthesised edge leak and alias.
constexpr double kReducedRms[3] = {0, 0.03, 0.04};  // of the reference's rms, by reduction
// In-band streams (content below 1/10 of the stream rate): only rounding and the filters' stop band.
constexpr double kInBandRms = 0.35, kInBandMax = 2.0;

class Reduced : public Accuracy {};

TEST_P(Reduced, HalfAndQuarterRateMatchTheBandLimitedReference) {
  Loaded l = Load(GetParam());
  if (!l.ok) return;
  Decoded full = Decode(l.stream);
  ASSERT_TRUE(full.ok);
  const int ch = full.info.channels;
  int32_t off = Align(full.Samples(), l.ref, ch, -200, AlignRange(GetParam().layer));
  for (int r = 1; r <= 2; r++) {
    Decoded d = Decode(l.stream, r);
    ASSERT_TRUE(d.ok);
    const int f = 1 << r;
    EXPECT_EQ(d.info.rate, full.info.rate / f);
    EXPECT_EQ(d.info.values, full.info.values / f);
    int limit = r == 1 ? 15 : 8;
    int phase = ((-off) % f + f) % f;
    std::vector<float> ref = LowpassDecimate(l.ref, ch, limit / 64.0, f, phase);
    int32_t offR = (off + phase) / f;
    // The reference filter's run-in and run-out at both ends of the stream are left out.
    const int64_t refFrames = int64_t(ref.size()) / ch, edge = 2048 / f;
    Error e = Compare(d.Samples(), ref, ch, offR, 2.0, std::max(SkipRef(GetParam().layer, off) / f, edge),
                      refFrames - edge);
    double s = 0;
    for (float v : ref) s += double(v) * v;
    double signal = std::sqrt(s / double(ref.size()));
    printf("%-18s reduction %d  rms %.3f  max %.1f  signal rms %.1f  (%.4f)\n", GetParam().name, r, e.rms, e.max,
           signal, e.rms / signal);
    if (strstr(GetParam().name, "_low")) {
      EXPECT_LE(e.rms, kInBandRms) << "reduction " << r;
      EXPECT_LE(e.max, kInBandMax) << "reduction " << r;
    } else {
      EXPECT_LE(e.rms, kReducedRms[r] * signal) << "reduction " << r;
    }
  }
}

const Case kReducedCases[] = {
    {"l1_44_384_s", 1}, {"l1_16_64_m", 1},  {"l2_44_192_s", 2}, {"l2_48_48_m", 2},
    {"l2_22_64_j", 2},  {"l3_44_128_j", 3}, {"l3_22_64_j", 3},  {"l3_8_16_m", 3},
    {"l1_44_low", 1},   {"l2_44_low", 2},   {"l3_44_low", 3},   {"l3_22_low", 3},
};
INSTANTIATE_TEST_SUITE_P(Streams, Reduced, testing::ValuesIn(kReducedCases), CaseName);
}  // namespace
