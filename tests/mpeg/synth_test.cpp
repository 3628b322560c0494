// The synthesis routines' fixed behaviours (silence, clipping, channel mappings) and the portable build
// against the chosen one; the whole-stream decodes check the filter bank itself against ffmpeg.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <random>
#include <vector>

#include "sound/mpeg_synth.h"

namespace {
using Sets = float[2][36][32];

int16_t At16(const std::vector<uint8_t>& pcm, size_t i) { return int16_t(pcm[2 * i] | pcm[2 * i + 1] << 8); }

void RandomSets(Sets& s, int subbands, float amplitude, uint32_t seed) {
  std::mt19937 rng(seed);
  std::uniform_real_distribution<float> u(-amplitude, amplitude);
  memset(s, 0, sizeof(Sets));
  for (int ch = 0; ch < 2; ch++)
    for (int t = 0; t < 36; t++)
      for (int k = 0; k < subbands; k++) s[ch][t][k] = u(rng);
}

class SynthBuilds : public testing::TestWithParam<bool> {
 protected:
  void SetUp() override {
    KvoxSynthUsePortable(GetParam());
    KvoxSynthInit();
  }
  void TearDown() override { KvoxSynthUsePortable(false); }
};

TEST_P(SynthBuilds, SilenceGivesTheExactZeroLevel) {
  static Sets zero;
  memset(zero, 0, sizeof zero);
  for (int eight = 0; eight < 2; eight++)
    for (int r = 0; r < 3; r++)
      for (int m = 0; m < 5; m++) {
        KvoxSynthInit();
        std::vector<uint8_t> pcm(36 * 32 * 2 * 2 + 16, 0xAA);
        KvoxSynthLayer12(eight, r, m)(zero, 36, pcm.data());
        size_t values = size_t(36 * (32 >> r) * (m == 1 ? 2 : 1));
        for (size_t i = 0; i < values; i++) {
          if (eight) ASSERT_EQ(pcm[i], 128);
          else ASSERT_EQ(At16(pcm, i), 0);
        }
        EXPECT_EQ(pcm[values * (eight ? 1 : 2)], 0xAA) << "wrote past its output";
      }
}

TEST_P(SynthBuilds, FullScaleClipsInsteadOfWrapping) {
  static Sets loud;
  memset(loud, 0, sizeof loud);
  for (int t = 0; t < 36; t++)
    for (int k = 0; k < 8; k++) loud[0][t][k] = loud[1][t][k] = ((t / 3 + k) & 1 ? 1.0f : -1.0f) * 200000.0f;
  for (int eight = 0; eight < 2; eight++) {
    KvoxSynthInit();
    std::vector<uint8_t> pcm(36 * 32 * 2 * 2);
    KvoxSynthLayer12(eight, 0, 1)(loud, 36, pcm.data());
    int top = 0, bottom = 0;
    for (size_t i = 0; i < 36 * 32 * 2; i++) {
      int v = eight ? pcm[i] : At16(pcm, i);
      top += v == (eight ? 255 : 32767);
      bottom += v == (eight ? 0 : -32768);
    }
    EXPECT_GT(top, 100);
    EXPECT_GT(bottom, 100);
  }
}

TEST_P(SynthBuilds, LayerThreeTableUsesTheChannelsAsGiven) {
  EXPECT_EQ(KvoxSynthLayer3(false, 0, 2), KvoxSynthLayer12(false, 0, 1));
  EXPECT_EQ(KvoxSynthLayer3(true, 2, 1), KvoxSynthLayer12(true, 2, 0));
}

INSTANTIATE_TEST_SUITE_P(Synth, SynthBuilds, testing::Values(true, false),
                         [](const testing::TestParamInfo<bool>& i) { return i.param ? "Portable" : "Chosen"; });

// Every routine of the portable build agrees with the chosen one over a few frames (the chosen build is
// the one the whole-stream decodes check against ffmpeg).
TEST(Synth, PortableAndChosenBuildsAgree) {
  static Sets s;
  for (int eight = 0; eight < 2; eight++)
    for (int r = 0; r < 3; r++)
      for (int m = 0; m < 5; m++) {
        std::vector<uint8_t> out[2];
        for (int portable = 0; portable < 2; portable++) {
          KvoxSynthUsePortable(portable);
          KvoxSynthInit();
          for (int f = 0; f < 3; f++) {
            RandomSets(s, 32, f == 2 ? 40000.0f : 12000.0f, uint32_t(f));
            std::vector<uint8_t> pcm(36 * 32 * 4);
            KvoxSynthLayer12(eight, r, m)(s, 36, pcm.data());
            out[portable].insert(out[portable].end(), pcm.begin(), pcm.end());
          }
        }
        int worst = 0;
        for (size_t i = 0; i < out[0].size() / (eight ? 1 : 2); i++)
          worst = std::max(worst, eight ? std::abs(out[0][i] - out[1][i]) : std::abs(At16(out[0], i) - At16(out[1], i)));
        EXPECT_LE(worst, 1) << "8-bit " << eight << " reduction " << r << " mapping " << m;
      }
  KvoxSynthUsePortable(false);
}
}  // namespace
