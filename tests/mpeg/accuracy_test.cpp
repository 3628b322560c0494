// The accuracy matrix: every stream of streams.txt (lame, twolame, ffmpeg's mp2 and libshine encoders and
// our l1enc over signals, rates, modes and bit rates) decoded by our decoder and compared with ffmpeg's
// float decode of the same stream. The streams and references are made once per build by the CTest
// fixture MpegStreams.Make (make-streams.sh).
//
// Tolerances (16-bit LSB; reference samples within 2 LSB of the 16-bit limits are left out):
//   full rate, 16-bit, every stream ............................ rms <= 0.35, max <= 2
//   mono mappings (mix / left / right) ......................... the same, against the mixed or single
//                                                                reference channel
//   8-bit ...................................................... every sample within 1 step (256 LSB) of the
//                                                                reference's 8-bit value, under 2% off by one
//   half and quarter rate ...................................... against the reference low-passed at the
//     synthesised band edge (15/64 and 8/64 of the stream rate) and decimated, without the filter run-in:
//     in-band streams (signal "low": content below 1/10 of the rate): rms <= 0.35, max <= 2;
//     wideband streams: rms within 3% (half) or 4% (quarter) of the signal's rms, since the subband
//     filters' transition bands around the synthesised edge leak and alias (measured 1.6-3.3%).
//
// Alignment: lame's streams are written untagged (-t) and libshine's without a Xing frame, so ffmpeg
// trims no encoder delay and the two decodes start together; ffmpeg still drops the first frame of some
// Layer II streams. The offset is therefore found by matching the loudest stretch within a bounded window
// (-200 .. 600 sample frames for Layer I, .. 3500 otherwise), and only the overlap is compared. After a
// dropped frame ffmpeg's next frame starts from a silent filter history, so its output is left out.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <map>
#include <sstream>
#include <string>

#include "mpeg/mpeg_support.h"

using namespace mpegtest;

namespace {
constexpr double kRms = 0.35, kMax = 2.0;

// Documented disputes, measured and reported as skipped. MPEG-2 Layer III at 24 kHz: the standard's long
// scale-factor bands for 24 kHz (ISO/IEC 13818-3, as in sound/tables/mpeg/l3_sfb_bands.txt: "long mpeg2
// 24000 ... 278 332 394 ...") give band 17 the lines 278-331 and band 18 the lines 332-393. ffmpeg's
// decode behaves as if band 17 ended at line 330: lines 330 and 331 (6885-6906 Hz, inside subband 18) take
// band 18's scale factor. Where a Huffman region boundary falls on band 18, ffmpeg also decodes those two
// lines with the wrong code table and loses its place for the rest of that channel's granule: thousands of
// LSB, in the granules that have such a boundary. Against the signal itself our decode stays at the
// coding error there while ffmpeg's departs by up to 71573 LSB; a build of our decoder with 330 in its
// table matches ffmpeg on these streams and breaks in the same granules. So for every 24 kHz Layer III
// stream the comparison removes 6550-7325 Hz from the difference (a band stop applied to both decodes),
// and what remains must meet the goal; the streams below, in which ffmpeg loses its place, are disputes.
const std::map<std::string, const char*> kDisputes = {
    {"l3_24_144_j", "dispute: ffmpeg's 24 kHz band 17 ends at line 330 and its Huffman decode loses its place"},
    {"l3_24_80_j", "dispute: ffmpeg's 24 kHz band 17 ends at line 330 and its Huffman decode loses its place"},
    {"l3_24_v3_j_crc", "dispute: ffmpeg's 24 kHz band 17 ends at line 330 and its Huffman decode loses its place"},
    {"l3_24_v9_m", "dispute: ffmpeg's 24 kHz band 17 ends at line 330 (784 LSB rms in that band alone)"},
    // Channel 0 of granule 50 ends its count1 region with a quadruple at lines 572-575 whose code runs
    // 6 bits past the granule's part2_3_length, into the scale factors of channel 1. part2_3_length is
    // the count of this granule's bits, so a code that needs more is not part of it: we drop that
    // quadruple, as we drop one that overruns anywhere else. ffmpeg drops it too anywhere else, but
    // checks for the overrun only before the next quadruple, and after lines 572-575 there is none, so
    // it keeps these 4 values. Subband 31 then differs through granules 50-52 (rms 100-340 LSB there,
    // 0.3 in every other granule); a one-off build of ours that keeps the quadruple at 572 gives rms
    // 0.288, max 0.5 on the whole stream.
    {"shine_32_160", "dispute: ffmpeg keeps a last count1 quadruple that runs past part2_3_length"},
};

struct Case {
  std::string name, signal, encoder;
  int layer = 0, rate = 0, channels = 0;
};

struct StopBand {
  double low = 0, high = 0;  // Hz; high at or above half the rate: nothing above low is compared
};
StopBand Stop(const Case& c) {
  if (c.layer == 3 && c.rate == 24000) return {6550, 7325};
  return {};
}

std::string Version(const Case& c) {
  return c.rate >= 32000 ? "MPEG-1" : c.rate >= 16000 ? "MPEG-2" : "MPEG-2.5";
}

const std::vector<Case>& Cases() {
  static std::vector<Case> cases;
  if (!cases.empty()) return cases;
  FILE* f = fopen((std::string(TARVON_SOURCE_DIR) + "/tests/mpeg/streams.txt").c_str(), "rb");
  if (!f) return cases;
  char line[512];
  while (fgets(line, sizeof line, f)) {
    std::istringstream in(line);
    Case c;
    if (line[0] == '#' || !(in >> c.name >> c.signal >> c.rate >> c.channels >> c.encoder)) continue;
    c.layer = c.encoder == "l1enc" ? 1 : c.encoder == "twolame" || c.encoder == "mp2" ? 2 : 3;
    cases.push_back(c);
  }
  fclose(f);
  return cases;
}

struct Loaded {
  Case c;
  std::vector<uint8_t> stream;
  std::vector<float> ref;
  Decoded full;
  int32_t offset = 0;
  int64_t skipRef = 0;
  bool ok = false;
};

// Reads a stream and its reference, decodes it at full rate and aligns it.
Loaded Load(const Case& c) {
  Loaded l;
  l.c = c;
  const std::string& dir = StreamDir();
  if (dir.empty()) return l;
  l.stream = ReadFile(dir + c.name + ".mpa");
  l.ref = ReadFloats(dir + c.name + ".f32");
  if (l.stream.empty() || l.ref.empty()) {
    ADD_FAILURE() << "missing stream or reference for " << c.name;
    return l;
  }
  l.full = Decode(l.stream);
  if (!l.full.ok) {
    ADD_FAILURE() << c.name << ": the decoder does not take the stream";
    return l;
  }
  l.offset = Align(l.full.Samples(), l.ref, l.full.info.channels, -200, c.layer == 1 ? 600 : 3500);
  l.skipRef = c.layer != 3 && l.offset >= 1000 ? 1152 : 0;
  l.ok = true;
  return l;
}

// Error of ours against ref[i - d] with the stop band taken out of the difference (reference samples within
// 2 LSB of the limits left out before the filter); the rms of what was taken out goes to *removedRms.
Error CompareOutsideStop(const std::vector<float>& ours, const std::vector<float>& ref, int ch, int32_t d,
                         int64_t skipRef, int rate, StopBand stop, double* removedRms) {
  const int64_t frames = int64_t(ref.size()) / ch;
  std::vector<float> diff(ref.size(), 0.0f);
  std::vector<uint8_t> used(ref.size(), 0);
  for (int64_t j = skipRef; j < frames; j++) {
    int64_t i = j + d;
    if (i < 0 || (i + 1) * ch > int64_t(ours.size())) continue;
    for (int c = 0; c < ch; c++) {
      double r = ref[size_t(j * ch + c)];
      if (r > 32765.0 || r < -32766.0) continue;
      diff[size_t(j * ch + c)] = float(ours[size_t(i * ch + c)] - r);
      used[size_t(j * ch + c)] = 1;
    }
  }
  std::vector<float> hi = stop.high * 2 >= rate ? diff : LowpassDecimate(diff, ch, stop.high / rate, 1, 0);
  std::vector<float> lo = LowpassDecimate(diff, ch, stop.low / rate, 1, 0);
  Error e;
  double s = 0, removed = 0;
  for (size_t k = 0; k < diff.size(); k++) {
    if (!used[k]) continue;
    double band = double(hi[k]) - lo[k], rest = diff[k] - band;
    s += rest * rest;
    removed += band * band;
    e.max = std::fmax(e.max, std::fabs(rest));
    e.count++;
  }
  e.rms = e.count ? std::sqrt(s / double(e.count)) : 0;
  *removedRms = e.count ? std::sqrt(removed / double(e.count)) : 0;
  return e;
}

// Error of one decode (full rate, any channel mapping) against its reference.
Error Measure(const Loaded& l, const std::vector<float>& ours, const std::vector<float>& ref, int ch,
              double* removedRms) {
  *removedRms = 0;
  StopBand stop = Stop(l.c);
  if (stop.high > 0) return CompareOutsideStop(ours, ref, ch, l.offset, l.skipRef, l.c.rate, stop, removedRms);
  return Compare(ours, ref, ch, l.offset, 2.0, l.skipRef);
}

bool Disputed(const Case& c) { return kDisputes.count(c.name) != 0; }

void ExpectMonoMappings(const Loaded& l) {
  const Case& c = l.c;
  const char* names[3] = {"mix", "left", "right"};
  const int which[3] = {2, 0, 1};
  for (int m = 0; m < 3; m++) {
    Decoded d = Decode(l.stream, 0, m + 1);
    ASSERT_TRUE(d.ok) << c.name;
    EXPECT_EQ(d.info.channels, 1) << c.name;
    double removed;
    Error e = Measure(l, d.Samples(), Channel(l.ref, which[m]), 1, &removed);
    if (e.rms > kRms || e.max > kMax)
      printf("%-20s mono %-5s rms %.4f  max %.3f\n", c.name.c_str(), names[m], e.rms, e.max);
    EXPECT_LE(e.rms, kRms) << c.name << " " << names[m];
    EXPECT_LE(e.max, kMax) << c.name << " " << names[m];
  }
}

// 8-bit output is the rounded value shifted.
void ExpectEightBit(const Loaded& l) {
  const Case& c = l.c;
  Decoded d = Decode(l.stream, 0, 8);
  ASSERT_TRUE(d.ok) << c.name;
  ASSERT_EQ(d.info.bits, 8) << c.name;
  const int ch = d.info.channels;
  // Where a stop band applies, the 16-bit decode stands in for the reference (it met the goal outside the
  // stop band); its 8-bit output must then be exactly the shifted 16-bit value.
  const bool disputed = Stop(c).high > 0;
  const std::vector<float> ours16 = l.full.Samples();
  const std::vector<float>& ref = disputed ? ours16 : l.ref;
  const int32_t offset = disputed ? 0 : l.offset;
  int64_t frames = int64_t(d.pcm.size()) / ch, off1 = 0, n = 0;
  int worst = 0;
  for (int64_t i = 0; i < frames; i++) {
    int64_t j = i - offset;
    if (j < l.skipRef || (j + 1) * ch > int64_t(ref.size())) continue;
    for (int k = 0; k < ch; k++) {
      double r = std::clamp(std::nearbyint(double(ref[size_t(j * ch + k)])), -32768.0, 32767.0);
      int diff = std::abs(int(d.pcm[size_t(i * ch + k)]) - (((int(r) >> 8) ^ 128) & 0xFF));
      worst = std::max(worst, diff);
      off1 += diff != 0;
      n++;
    }
  }
  EXPECT_LE(worst, disputed ? 0 : 1) << c.name;
  EXPECT_LE(double(off1), 0.02 * double(n)) << c.name;
}

// Wideband streams: the subband filters' transition bands around the synthesised edge leak and alias.
// The share depends on how much of the signal lies near that edge: the sweep of "tones" runs to 0.42 of
// the rate (at most 12 kHz), so below 22.05 kHz it spends more of its time there and is not checked.
constexpr double kReducedRms[3] = {0, 0.03, 0.04};  // of the reference's rms, by reduction

// Half and quarter rate against the band-limited reference.
void ExpectReducedRates(const Loaded& l) {
  const Case& c = l.c;
  const int ch = l.full.info.channels;
  for (int r = 1; r <= 2; r++) {
    Decoded d = Decode(l.stream, r);
    ASSERT_TRUE(d.ok) << c.name;
    const int f = 1 << r;
    EXPECT_EQ(d.info.rate, l.full.info.rate / f) << c.name;
    EXPECT_EQ(d.info.values, l.full.info.values / f) << c.name;
    int phase = ((-l.offset) % f + f) % f;
    std::vector<float> ref = LowpassDecimate(l.ref, ch, (r == 1 ? 15 : 8) / 64.0, f, phase);
    int32_t offR = (l.offset + phase) / f;
    // The reference filter's run-in and run-out at both ends of the stream are left out.
    const int64_t refFrames = int64_t(ref.size()) / ch, edge = 2048 / f;
    Error e = Compare(d.Samples(), ref, ch, offR, 2.0, std::max(l.skipRef / f, edge), refFrames - edge);
    double s = 0;
    for (float v : ref) s += double(v) * v;
    double signal = std::sqrt(s / double(ref.size()));
    printf("%-20s reduction %d  rms %.3f  max %.1f  signal rms %.1f\n", c.name.c_str(), r, e.rms, e.max, signal);
    if (c.signal == "low") {
      EXPECT_LE(e.rms, kRms) << c.name << " reduction " << r;
      EXPECT_LE(e.max, kMax) << c.name << " reduction " << r;
    } else {
      EXPECT_LE(e.rms, kReducedRms[r] * signal) << c.name << " reduction " << r;
    }
  }
}

struct Worst {
  int streams = 0, known = 0;
  double rms = 0, max = 0;
};

// Every stream at full rate, then (but for the disputes) in the mono mappings, in 8 bits and, for the
// signals that allow it, at half and quarter rate.
TEST(Matrix, EveryStreamMatchesTheFloatReference) {
  ASSERT_FALSE(Cases().empty()) << "tests/mpeg/streams.txt is missing";
  std::map<std::string, Worst> worst;  // by layer and version
  for (const Case& c : Cases()) {
    Loaded l = Load(c);
    if (!l.ok) continue;
    double removed;
    Error e = Measure(l, l.full.Samples(), l.ref, l.full.info.channels, &removed);
    const bool miss = e.rms > kRms || e.max > kMax;
    printf("%-20s L%d %-8s offset %5d  rms %.4f  max %7.3f%s%s\n", c.name.c_str(), c.layer,
           Version(c).c_str(), l.offset, e.rms, e.max,
           removed > 0 ? ("  (stop band removed, rms " + std::to_string(removed) + " there)").c_str() : "",
           Disputed(c) ? (miss ? "  DISPUTE" : "  disputed stream meets the goal: remove it from kDisputes")
                    : "");
    Worst& w = worst["Layer " + std::to_string(c.layer) + " " + Version(c)];
    w.streams++;
    EXPECT_EQ(l.full.info.rate, c.rate) << c.name;
    EXPECT_EQ(l.full.info.channels, c.channels) << c.name;
    if (Disputed(c) && ++w.known) continue;  // (nor the checks of other output forms)
    w.rms = std::max(w.rms, e.rms);
    w.max = std::max(w.max, e.max);
    // The decoding loop stops, as the player does, when fewer bytes than the first frame's are left: a
    // variable-bit-rate stream that starts with a large frame leaves more of its end undecoded.
    EXPECT_GT(e.count, int64_t(std::min(l.ref.size(), l.full.pcm.size() / 2)) * 8 / 10) << c.name;
    EXPECT_LE(e.rms, kRms) << c.name;
    EXPECT_LE(e.max, kMax) << c.name;
    if (c.channels == 2) ExpectMonoMappings(l);
    ExpectEightBit(l);
    if (c.signal == "low" || (c.signal == "tones" && c.rate >= 22050)) ExpectReducedRates(l);
  }
  printf("\nMatrix: %zu streams; worst figures without the disputes\n", Cases().size());
  for (const auto& [key, w] : worst)
    printf("  %-17s %3d streams (%2d disputes)  worst rms %.4f  worst max %.3f\n", key.c_str(), w.streams,
           w.known, w.rms, w.max);
}

TEST(Matrix, Disputes) {
  std::string report;
  for (const Case& c : Cases()) {
    if (!Disputed(c)) continue;
    Loaded l = Load(c);
    if (!l.ok) continue;
    double removed;
    Error e = Measure(l, l.full.Samples(), l.ref, l.full.info.channels, &removed);
    char line[200];
    snprintf(line, sizeof line, "\n  %-20s rms %.3f max %.1f  (%s)", c.name.c_str(), e.rms, e.max,
             kDisputes.at(c.name));
    report += line;
  }
  if (!report.empty()) GTEST_SKIP() << "disputed streams:" << report;
}

}  // namespace
