// Requantisation, IMDCT and windows, stereo processing and the scalefactor forms, against the closed forms
// and spot values of the table files in sound/tables/mpeg.
#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <map>
#include <random>
#include <sstream>
#include <string>

#include "l3_support.h"

using namespace kvox_l3;
using l3test::BitWriter;

namespace {

constexpr double kPi = 3.14159265358979323846;

void EnsureTables() {
  static bool done = KvoxLayer3Init(l3test::MonoHeader(), l3test::FullSetup());
  (void)done;
}

// Spot-value lines of the closed-forms file, by their first word.
std::vector<std::vector<std::string>> Spots(const std::string& kind) {
  std::ifstream in(std::string(TARVON_SOURCE_DIR) + "/sound/tables/mpeg/l3_closed_forms.txt");
  if (!in) ADD_FAILURE() << "the closed-forms table file cannot be read";
  std::vector<std::vector<std::string>> out;
  std::string line;
  while (std::getline(in, line)) {
    if (line.empty() || line[0] == '#') continue;
    std::istringstream ss(line);
    std::vector<std::string> words;
    std::string w;
    while (ss >> w) words.push_back(w);
    if (!words.empty() && words[0] == kind) out.push_back(words);
  }
  return out;
}

double Window(int32_t type, int32_t i) {
  if (type == 0 || type == 2) return std::sin(kPi / 36 * (i + 0.5));
  if (type == 1) {
    if (i < 18) return std::sin(kPi / 36 * (i + 0.5));
    if (i < 24) return 1.0;
    if (i < 30) return std::sin(kPi / 12 * (i - 18 + 0.5));
    return 0.0;
  }
  if (i < 6) return 0.0;
  if (i < 12) return std::sin(kPi / 12 * (i - 6 + 0.5));
  if (i < 18) return 1.0;
  return std::sin(kPi / 36 * (i + 0.5));
}

}  // namespace

TEST(Layer3Requant, PowerTablesMatchTheClosedForms) {
  EnsureTables();
  const auto pow43 = Spots("pow43");
  ASSERT_FALSE(pow43.empty());
  for (const auto& s : pow43) {
    const int32_t v = std::stoi(s[1]);
    EXPECT_NEAR(gPow43[v], std::stod(s[2]), std::stod(s[2]) * 1e-6) << v;
  }
  const auto gain = Spots("gain");
  ASSERT_FALSE(gain.empty());
  for (const auto& s : gain) {
    const int32_t gg = std::stoi(s[1]);
    const double want = std::stod(s[2]) * 32768.0;
    EXPECT_NEAR(GainPower(gg - 210), want, want * 1e-6) << gg;
  }
  EXPECT_FLOAT_EQ(gPow43[8206], float(std::pow(8206.0, 4.0 / 3.0)));
}

// Each band's gain: global gain, gain adjustment, scalefactors with scalefac_scale, pretab, subblock gain.
TEST(Layer3Requant, BandGainsFollowTheFormula) {
  EnsureTables();
  Bands b;
  BuildBands(0, &b);
  std::mt19937 rng(2);
  for (int32_t trial = 0; trial < 60; trial++) {
    Granule g{};
    g.globalGain = 100 + int32_t(rng() % 150);
    g.scalefacScale = int32_t(rng() & 1);
    g.preflag = int32_t(rng() & 1);
    g.blockType = trial % 3 == 0 ? 2 : 0;
    g.mixed = trial % 6 == 0 ? 1 : 0;
    for (int32_t w = 0; w < 3; w++) g.subblockGain[w] = int32_t(rng() % 8);
    Scalefactors sf{};
    for (int32_t i = 0; i < 21; i++) sf.l[i] = uint8_t(rng() % 16);
    for (int32_t i = 0; i < 12; i++) for (int32_t w = 0; w < 3; w++) sf.s[i][w] = uint8_t(rng() % 16);
    const int32_t adjust = (trial & 1) ? -4 : 0;
    float xr[576];
    for (float& v : xr) v = 1.0f;
    ScaleSpectrum(g, sf, b, adjust, 576, xr);
    const double sfm = g.scalefacScale ? 1.0 : 0.5;
    const double base = (g.globalGain + adjust - 210) / 4.0;
    for (int32_t i = 0; i < 576; i++) {
      double e;
      const bool longLine = g.blockType != 2 || (g.mixed && i < b.mixedLines);
      if (longLine) {
        int32_t band = 0;
        while (b.l[band + 1] <= i) band++;
        e = base - sfm * (sf.l[band] + g.preflag * kvox_l3tab::kPretab[band]);
      } else {
        int32_t band = 0;
        while (3 * b.s[band + 1] <= i) band++;
        const int32_t width = b.s[band + 1] - b.s[band];
        const int32_t w = (i - 3 * b.s[band]) / width;
        e = base - 2.0 * g.subblockGain[w] - sfm * sf.s[band][w];
      }
      const double want = std::exp2(e) * 32768.0;
      ASSERT_NEAR(xr[i], want, want * 1e-6) << "trial " << trial << " line " << i;
    }
  }
}

TEST(Layer3Imdct, LongBlocksMatchTheDirectFormula) {
  EnsureTables();
  std::mt19937 rng(4);
  std::uniform_real_distribution<float> u(-1000.0f, 1000.0f);
  for (int32_t type : {0, 1, 3}) {
    for (int32_t trial = 0; trial < 20; trial++) {
      float x[18];
      for (float& v : x) v = u(rng);
      double plain[36];
      ImdctPlain(x, 36, plain);
      float z[36];
      Imdct36(x, type, z);
      for (int32_t i = 0; i < 36; i++) ASSERT_NEAR(z[i], plain[i] * Window(type, i), 0.02) << type << " " << i;
    }
  }
}

TEST(Layer3Imdct, ShortBlocksMatchTheDirectFormula) {
  EnsureTables();
  std::mt19937 rng(5);
  std::uniform_real_distribution<float> u(-1000.0f, 1000.0f);
  for (int32_t trial = 0; trial < 20; trial++) {
    float x[18];
    for (float& v : x) v = u(rng);
    double want[36] = {};
    for (int32_t w = 0; w < 3; w++) {
      float win[6];
      for (int32_t k = 0; k < 6; k++) win[k] = x[3 * k + w];
      double y[12];
      ImdctPlain(win, 12, y);
      for (int32_t i = 0; i < 12; i++) want[6 + 6 * w + i] += y[i] * std::sin(kPi / 12 * (i + 0.5));
    }
    float z[36];
    Imdct12(x, z);
    for (int32_t i = 0; i < 36; i++) ASSERT_NEAR(z[i], want[i], 0.01) << i;
  }
}

TEST(Layer3Imdct, WindowSpotValues) {
  const auto spots = Spots("window");
  ASSERT_FALSE(spots.empty());
  for (const auto& s : spots) {
    const int32_t type = std::stoi(s[1]), i = std::stoi(s[2]);
    if (type == 2) EXPECT_NEAR(std::sin(kPi / 12 * (i + 0.5)), std::stod(s[3]), 1e-12);
    else EXPECT_NEAR(Window(type, i), std::stod(s[3]), 1e-12) << type << " " << i;
  }
}

// The hybrid stage: overlap-add across granules and frequency inversion of odd subbands.
TEST(Layer3Imdct, HybridOverlapsAndInverts) {
  EnsureTables();
  std::mt19937 rng(6);
  std::uniform_real_distribution<float> u(-100.0f, 100.0f);
  float xr[2][576];
  for (auto& g : xr) for (float& v : g) v = u(rng);
  float overlap[32][18] = {};
  float out[2][18 * 32];
  for (int32_t gr = 0; gr < 2; gr++) {
    HybridSource src{xr[gr], 0, 0, 2, 32};
    Hybrid(&src, 1, overlap, 32, out[gr]);
  }
  for (int32_t sb : {0, 1, 7, 30, 31}) {
    float z0[36], z1[36];
    Imdct36(xr[0] + 18 * sb, 0, z0);
    Imdct36(xr[1] + 18 * sb, 0, z1);
    for (int32_t t = 0; t < 18; t++) {
      const float sign = (sb & 1) && (t & 1) ? -1.0f : 1.0f;
      EXPECT_NEAR(out[0][t * 32 + sb], sign * z0[t], 1e-3);
      EXPECT_NEAR(out[1][t * 32 + sb], sign * (z1[t] + z0[18 + t]), 1e-3);
      EXPECT_NEAR(overlap[sb][t], z1[18 + t], 1e-3);
    }
  }
  // Two sources into one output channel give the sum of both.
  float ovA[32][18] = {}, ovB[32][18] = {}, ovS[32][18] = {};
  float a[18 * 32], b[18 * 32], s[18 * 32];
  HybridSource one{xr[0], 0, 0, 2, 32}, two{xr[1], 2, 0, 2, 32};
  Hybrid(&one, 1, ovA, 32, a);
  Hybrid(&two, 1, ovB, 32, b);
  HybridSource both[2] = {one, two};
  Hybrid(both, 2, ovS, 32, s);
  for (int32_t i = 0; i < 18 * 32; i++) ASSERT_NEAR(s[i], a[i] + b[i], 1e-3);
}

TEST(Layer3Imdct, AliasButterflies) {
  EnsureTables();
  float xr[576], ref[576];
  std::mt19937 rng(8);
  for (int32_t i = 0; i < 576; i++) xr[i] = ref[i] = float(int32_t(rng() % 2001) - 1000);
  AliasReduce(xr, 31);
  for (int32_t sb = 1; sb < 32; sb++) {
    for (int32_t i = 0; i < 8; i++) {
      const double lo = ref[18 * sb - 1 - i], hi = ref[18 * sb + i];
      EXPECT_NEAR(xr[18 * sb - 1 - i], lo * kvox_l3tab::kAliasCs[i] - hi * kvox_l3tab::kAliasCa[i], 1e-3);
      EXPECT_NEAR(xr[18 * sb + i], hi * kvox_l3tab::kAliasCs[i] + lo * kvox_l3tab::kAliasCa[i], 1e-3);
    }
  }
  EXPECT_EQ(xr[8], ref[8]);  // lines 8, 9 of each subband are untouched
  EXPECT_EQ(xr[9], ref[9]);
}

TEST(Layer3Imdct, ShortReorderPutsWindowsSideBySide) {
  Bands b;
  BuildBands(0, &b);
  Granule g{};
  g.blockType = 2;
  float xr[576];
  for (int32_t i = 0; i < 576; i++) xr[i] = float(i);
  ReorderShort(g, b, 576, xr);
  // Band 5 (lines 16..21 of each window) of window 2 starts at 3 * 16 + 2 * 6 in the transmitted order.
  EXPECT_EQ(xr[3 * 16 + 2], float(3 * 16 + 2 * 6));
  EXPECT_EQ(xr[3 * 17 + 1], float(3 * 16 + 6 + 1));
  std::vector<int32_t> seen(576, 0);
  for (float v : xr) seen[size_t(v)]++;
  for (int32_t c : seen) ASSERT_EQ(c, 1);
}

// Mixed blocks keep their long part in place and reorder the short bands from band 3 on, at every rate
// (the 8 kHz table's long part is 72 lines).
TEST(Layer3Imdct, MixedReorderKeepsTheLongPart) {
  for (int32_t rate = 0; rate < 9; rate++) {
    Bands b;
    BuildBands(rate, &b);
    EXPECT_EQ(b.mixedLines, 3 * b.s[3]) << rate;
    Granule g{};
    g.blockType = 2;
    g.mixed = 1;
    float xr[576];
    for (int32_t i = 0; i < 576; i++) xr[i] = float(i);
    ReorderShort(g, b, 576, xr);
    for (int32_t i = 0; i < b.mixedLines; i++) ASSERT_EQ(xr[i], float(i));
    const int32_t width = b.s[4] - b.s[3];
    EXPECT_EQ(xr[3 * b.s[3] + 1], float(3 * b.s[3] + width)) << rate;  // window 1 of band 3 follows window 0
    std::vector<int32_t> seen(576, 0);
    for (float v : xr) seen[size_t(v)]++;
    for (int32_t c : seen) ASSERT_EQ(c, 1);
  }
}

TEST(Layer3Stereo, MidSide) {
  float l[4] = {1, 2, 3, 4}, r[4] = {1, -2, 0, 4};
  MidSide(l, r, 0, 4);
  const double k = std::sqrt(0.5);
  EXPECT_NEAR(l[0], 2 * k, 1e-6);
  EXPECT_NEAR(r[0], 0, 1e-6);
  EXPECT_NEAR(l[1], 0, 1e-6);
  EXPECT_NEAR(r[1], 4 * k, 1e-6);
}

// Intensity stereo in both forms: bands above the right channel's last nonzero band take the left value times
// the ratios of the closed forms; bands below get mid/side when it is on.
TEST(Layer3Stereo, IntensityRatiosAndBounds) {
  EnsureTables();
  Bands b;
  BuildBands(0, &b);
  for (int32_t form = 0; form < 3; form++) {  // MPEG-1, LSF scale 0, LSF scale 1
    const auto spots = Spots(form == 0 ? "is_mpeg1" : "is_lsf");
    ASSERT_FALSE(spots.empty());
    for (const auto& s : spots) {
      int32_t pos;
      double kl, kr;
      if (form == 0) {
        pos = std::stoi(s[1]); kl = std::stod(s[2]); kr = std::stod(s[3]);
      } else {
        if (std::stoi(s[1]) != form - 1) continue;
        pos = std::stoi(s[2]); kl = std::stod(s[3]); kr = std::stod(s[4]);
      }
      float l[576], r[576];
      for (int32_t i = 0; i < 576; i++) { l[i] = float(i + 1); r[i] = i < b.l[10] ? 5.0f : 0.0f; }
      Granule g{};
      g.scalefacCompress = form == 2 ? 1 : 0;
      Scalefactors sf{};
      for (int32_t band = 0; band < 22; band++) { sf.l[band] = uint8_t(pos); sf.isMaxL[band] = form ? 31 : 7; }
      sf.l[13] = uint8_t(form ? 31 : 7);  // an illegal position: band 13 stays as it is (no mid/side here)
      Intensity(l, r, g, sf, b, form != 0, false);
      for (int32_t i = 0; i < 576; i++) {
        if (i < b.l[10]) {
          ASSERT_EQ(l[i], float(i + 1));
          ASSERT_EQ(r[i], 5.0f);
        } else if (i >= b.l[13] && i < b.l[14]) {
          ASSERT_EQ(l[i], float(i + 1));
          ASSERT_EQ(r[i], 0.0f);
        } else {
          ASSERT_NEAR(l[i], (i + 1) * kl, 1e-4 * (i + 1)) << form << " pos " << pos << " line " << i;
          ASSERT_NEAR(r[i], (i + 1) * kr, 1e-4 * (i + 1)) << form << " pos " << pos << " line " << i;
        }
      }
    }
  }
  // With mid/side on, the bands below the bound are mid/side coded; short blocks find the bound per window.
  float l[576], r[576];
  for (int32_t i = 0; i < 576; i++) { l[i] = 2.0f; r[i] = 0.0f; }
  Granule g{};
  g.blockType = 2;
  Scalefactors sf{};
  memset(sf.isMaxS, 7, sizeof sf.isMaxS);
  for (int32_t band = 0; band < 13; band++) for (int32_t w = 0; w < 3; w++) sf.s[band][w] = 0;
  // Window 1 has a nonzero line in band 8.
  const int32_t at = 3 * b.s[8] + 1 * (b.s[9] - b.s[8]);
  r[at] = 1.0f;
  Intensity(l, r, g, sf, b, false, true);
  const float k = float(std::sqrt(0.5));
  EXPECT_NEAR(l[at], 3.0f * k, 1e-5);           // band 8 window 1: mid/side
  EXPECT_NEAR(r[at], 1.0f * k, 1e-5);
  const int32_t below = 3 * b.s[2] + 1 * (b.s[3] - b.s[2]);
  EXPECT_NEAR(l[below], 2.0f * k, 1e-5);        // band 2 window 1: mid/side too
  const int32_t w0 = 3 * b.s[8];
  EXPECT_EQ(l[w0], 0.0f);                        // band 8 window 0: intensity, is_pos 0 (all to the right)
  EXPECT_EQ(r[w0], 2.0f);
}

// The LSF scalefactor partitions: widths by scalefac_compress, counts by block kind, preflag, isMax.
TEST(Layer3Scalefactors, LsfPartitions) {
  EnsureTables();
  std::mt19937 rng(12);
  for (int32_t trial = 0; trial < 300; trial++) {
    Granule g{};
    const bool right = trial % 2;
    g.scalefacCompress = int32_t(rng() % (right ? 512 : 512));
    g.blockType = trial % 3 == 0 ? 0 : 2;
    g.mixed = (trial % 3 == 2) ? 1 : 0;
    // Expected case and widths, from the table rows.
    const int32_t v = right ? g.scalefacCompress >> 1 : g.scalefacCompress;
    const kvox_l3tab::LsfSlen* row = nullptr;
    for (const auto& r : kvox_l3tab::kLsfSlen) if (r.isRight == right && v >= r.first && v < r.end) row = &r;
    if (!row) continue;  // intensity right channel values past 255 do not occur
    int32_t slen[4] = {};
    int32_t u = v - row->first;
    for (int32_t k = 3; k >= 1; k--) if (row->radix[k]) { slen[k] = u % row->radix[k]; u /= row->radix[k]; }
    slen[0] = u;
    const int32_t kind = g.blockType == 2 ? (g.mixed ? 2 : 1) : 0;
    const int8_t* counts = kvox_l3tab::kLsfNsfb[row->scase][kind];
    // Write random values of those widths.
    BitWriter w;
    std::vector<int32_t> values;
    for (int32_t p = 0; p < 4; p++)
      for (int32_t n = 0; n < counts[p]; n++) {
        const int32_t value = slen[p] ? int32_t(rng() % (1u << slen[p])) : 0;
        values.push_back(value);
        w.Put(uint32_t(value), slen[p]);
      }
    std::vector<uint8_t> buf = w.Padded();
    HotBits bits{buf.data(), 0};
    Scalefactors sf{};
    ScalefactorsLsf(bits, g, right, sf);
    EXPECT_EQ(bits.pos, w.bits);
    EXPECT_EQ(g.preflag, row->preflag);
    size_t slot = 0;
    int32_t p = 0, inPart = 0;
    auto nextPart = [&]() { while (p < 4 && inPart >= counts[p]) { p++; inPart = 0; } };
    nextPart();
    if (kind == 0) {
      for (int32_t band = 0; band < 21; band++, slot++, inPart++) {
        nextPart();
        ASSERT_EQ(sf.l[band], values[slot]) << band;
        ASSERT_EQ(sf.isMaxL[band], (1 << slen[p]) - 1);
      }
    } else {
      const int32_t longBands = kind == 2 ? 6 : 0;
      for (int32_t band = 0; band < longBands; band++, slot++, inPart++) {
        nextPart();
        ASSERT_EQ(sf.l[band], values[slot]);
      }
      for (int32_t band = kind == 2 ? 3 : 0; band < 12; band++)
        for (int32_t win = 0; win < 3; win++, slot++, inPart++) {
          nextPart();
          ASSERT_EQ(sf.s[band][win], values[slot]) << "trial " << trial << " band " << band;
          ASSERT_EQ(sf.isMaxS[band], (1 << slen[p]) - 1);
        }
    }
    EXPECT_EQ(slot, values.size());
  }
}

// MPEG-1: slen1 and slen2 split the bands; granule 1 keeps the groups marked by scfsi.
TEST(Layer3Scalefactors, Mpeg1WidthsAndReuse) {
  EnsureTables();
  for (int32_t sfc = 0; sfc < 16; sfc++) {
    const int32_t s1 = kvox_l3tab::kSlen[sfc][0], s2 = kvox_l3tab::kSlen[sfc][1];
    Granule g{};
    g.scalefacCompress = sfc;
    BitWriter w;
    for (int32_t band = 0; band < 21; band++) {
      const int32_t width = band < 11 ? s1 : s2;
      w.Put(width ? uint32_t(band % (1 << width)) : 0, width);
    }
    std::vector<uint8_t> buf = w.Padded();
    HotBits bits{buf.data(), 0};
    Scalefactors sf{};
    const int32_t none[4] = {0, 0, 0, 0};
    ScalefactorsMpeg1(bits, g, none, 0, sf);
    EXPECT_EQ(bits.pos, w.bits);
    for (int32_t band = 0; band < 21; band++) {
      const int32_t width = band < 11 ? s1 : s2;
      EXPECT_EQ(sf.l[band], width ? band % (1 << width) : 0);
    }
    // Granule 1 with groups 1 and 3 reused: only bands 0-5 and 11-15 are read.
    const int32_t scfsi[4] = {0, 1, 0, 1};
    BitWriter w1;
    for (int32_t band = 0; band < 6; band++) w1.Put(0, s1);
    for (int32_t band = 11; band < 16; band++) w1.Put(0, s2);
    std::vector<uint8_t> buf1 = w1.Padded();
    HotBits bits1{buf1.data(), 0};
    Scalefactors keep = sf;
    ScalefactorsMpeg1(bits1, g, scfsi, 1, sf);
    EXPECT_EQ(bits1.pos, w1.bits);
    for (int32_t band = 6; band < 11; band++) EXPECT_EQ(sf.l[band], keep.l[band]);
    for (int32_t band = 16; band < 21; band++) EXPECT_EQ(sf.l[band], keep.l[band]);
    for (int32_t band = 0; band < 6; band++) EXPECT_EQ(sf.l[band], 0);
  }
}

// The AVX2 build of the hybrid kernels agrees with the portable build.
TEST(Layer3Imdct, Avx2AndPortableAgree) {
  EnsureTables();
  if (!HybridHasAvx2()) GTEST_SKIP() << "no AVX2 on this processor";
  std::mt19937 rng(13);
  std::uniform_real_distribution<float> u(-3000.0f, 3000.0f);
  for (int32_t trial = 0; trial < 20; trial++) {
    float xr[576];
    for (float& v : xr) v = u(rng);
    HybridSource src{xr, trial % 4, trial % 8 == 2, 2, 32};
    float ovA[32][18] = {}, ovB[32][18] = {};
    float a[18 * 32], b[18 * 32];
    hybrid_portable::Hybrid(&src, 1, ovA, 32, a);
    hybrid_avx2::Hybrid(&src, 1, ovB, 32, b);
    for (int32_t i = 0; i < 18 * 32; i++) ASSERT_NEAR(a[i], b[i], 0.01f) << i;
    for (int32_t sb = 0; sb < 32; sb++)
      for (int32_t t = 0; t < 18; t++) ASSERT_NEAR(ovA[sb][t], ovB[sb][t], 0.01f);
  }
}
