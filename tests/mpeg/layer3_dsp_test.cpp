// Stereo processing against the closed forms of the table files in sound/tables/mpeg (the crafted streams
// leave intensity stereo out), and the AVX2 build of the hybrid kernels against the portable one.
#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <random>
#include <sstream>
#include <string>

#include "l3_support.h"

using namespace kvox_l3;

namespace {

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

}  // namespace

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
