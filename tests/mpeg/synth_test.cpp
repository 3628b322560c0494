// The synthesis routines against a plain double-precision implementation of the standard's matrixing
// and windowing, and their fixed behaviours (silence, clipping, channel mappings, the AVX2 build).
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <random>
#include <vector>

#include "sound/mpeg_synth.h"
#include "sound/mpeg_tables12.h"

namespace {
using Sets = float[2][36][32];

// The standard's synthesis: V = N S into a 1024-value FIFO, U from it, window, sum 16 terms.
struct Reference {
  double v[2][1024] = {};
  void Set(int ch, const float* s, double* out) {
    memmove(v[ch] + 64, v[ch], sizeof(double) * 960);
    for (int i = 0; i < 64; i++) {
      double a = 0;
      for (int k = 0; k < 32; k++) a += std::cos((16 + i) * (2 * k + 1) * M_PI / 64.0) * s[k];
      v[ch][i] = a;
    }
    for (int j = 0; j < 32; j++) {
      double sum = 0;
      for (int i = 0; i < 8; i++) {
        sum += v[ch][128 * i + j] * kvox_tables::kWindow[64 * i + j] / 65536.0;
        sum += v[ch][128 * i + 96 + j] * kvox_tables::kWindow[64 * i + 32 + j] / 65536.0;
      }
      out[j] = sum;
    }
  }
};

int16_t At16(const std::vector<uint8_t>& pcm, size_t i) { return int16_t(pcm[2 * i] | pcm[2 * i + 1] << 8); }

void RandomSets(Sets& s, int subbands, float amplitude, uint32_t seed) {
  std::mt19937 rng(seed);
  std::uniform_real_distribution<float> u(-amplitude, amplitude);
  memset(s, 0, sizeof(Sets));
  for (int ch = 0; ch < 2; ch++)
    for (int t = 0; t < 36; t++)
      for (int k = 0; k < subbands; k++) s[ch][t][k] = u(rng);
}

// Output of one routine over `frames` x 36 sets of the given generator, as doubles (8-bit: centred x 256).
std::vector<double> RunRoutine(KvoxSynthRoutine r, bool eight, int channelsOut, int reduction, int frames,
                        int subbands, float amplitude) {
  std::vector<double> out;
  const int n = 32 >> reduction;
  for (int f = 0; f < frames; f++) {
    static Sets s;
    RandomSets(s, subbands, amplitude, 100 + f);
    std::vector<uint8_t> pcm(size_t(36 * n * channelsOut) * (eight ? 1 : 2));
    r(s, 36, pcm.data());
    for (size_t i = 0; i < size_t(36 * n * channelsOut); i++)
      out.push_back(eight ? (double(pcm[i]) - 128) * 256 : double(At16(pcm, i)));
  }
  return out;
}

std::vector<double> RunReference(int mapping, int reduction, int frames, int subbands, float amplitude) {
  Reference ref;
  std::vector<double> out;
  const int step = 1 << reduction;
  for (int f = 0; f < frames; f++) {
    static Sets s;
    RandomSets(s, subbands, amplitude, 100 + f);
    for (int t = 0; t < 36; t++) {
      double o[2][32];
      float in[32];
      if (mapping == 2) {
        for (int k = 0; k < 32; k++) in[k] = (s[0][t][k] + s[1][t][k]) * 0.5f;
      } else {
        memcpy(in, s[mapping == 4 ? 1 : 0][t], sizeof in);
      }
      ref.Set(0, in, o[0]);
      if (mapping == 1) ref.Set(1, s[1][t], o[1]);
      for (int j = 0; j < 32; j += step)
        for (int c = 0; c < (mapping == 1 ? 2 : 1); c++) out.push_back(o[c][j]);
    }
  }
  return out;
}

double Clip(double v) { return v < -32768 ? -32768 : v > 32767 ? 32767 : v; }

class SynthBuilds : public testing::TestWithParam<bool> {
 protected:
  void SetUp() override {
    KvoxSynthUsePortable(GetParam());
    KvoxSynthInit();
  }
  void TearDown() override { KvoxSynthUsePortable(false); }
};

TEST_P(SynthBuilds, EveryRoutineMatchesTheStandardFilterBank) {
  for (int eight = 0; eight < 2; eight++)
    for (int r = 0; r < 3; r++)
      for (int m = 0; m < 5; m++) {
        KvoxSynthInit();
        const int subbands = 32 >> r;  // reduced rates read only the lower subbands
        std::vector<double> ours =
            RunRoutine(KvoxSynthLayer12(eight, r, m), eight, m == 1 ? 2 : 1, r, 3, subbands, 3000.0f);
        std::vector<double> ref = RunReference(m, r, 3, subbands, 3000.0f);
        ASSERT_EQ(ours.size(), ref.size());
        double worst = 0;
        for (size_t i = 0; i < ours.size(); i++) {
          double expect = Clip(ref[i]);
          if (eight) expect = std::floor(std::nearbyint(expect) / 256.0) * 256.0;
          worst = std::fmax(worst, std::fabs(ours[i] - expect));
        }
        // 16-bit: rounding of a float result (0.5 plus float error); 8-bit: one step at the boundaries.
        EXPECT_LE(worst, eight ? 256.0 : 0.52) << "8-bit " << eight << " reduction " << r << " mapping " << m;
      }
}

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

TEST_P(SynthBuilds, MixOfIdenticalChannelsEqualsLeftOnly) {
  static Sets s;
  RandomSets(s, 32, 8000.0f, 7);
  memcpy(s[1], s[0], sizeof s[0]);
  KvoxSynthInit();
  std::vector<uint8_t> a(36 * 32 * 2), b(36 * 32 * 2), c(36 * 32 * 2);
  KvoxSynthLayer12(false, 0, 2)(s, 36, a.data());
  KvoxSynthInit();
  KvoxSynthLayer12(false, 0, 3)(s, 36, b.data());
  KvoxSynthInit();
  KvoxSynthLayer12(false, 0, 4)(s, 36, c.data());
  EXPECT_EQ(a, b);
  EXPECT_EQ(b, c);
}

TEST_P(SynthBuilds, LayerThreeTableUsesTheChannelsAsGiven) {
  EXPECT_EQ(KvoxSynthLayer3(false, 0, 2), KvoxSynthLayer12(false, 0, 1));
  EXPECT_EQ(KvoxSynthLayer3(true, 2, 1), KvoxSynthLayer12(true, 2, 0));
}

INSTANTIATE_TEST_SUITE_P(Synth, SynthBuilds, testing::Values(true, false),
                         [](const testing::TestParamInfo<bool>& i) { return i.param ? "Portable" : "Chosen"; });

TEST(Synth, PortableAndChosenBuildsAgree) {
  static Sets s;
  std::vector<uint8_t> a(36 * 32 * 4), b(36 * 32 * 4);
  KvoxSynthUsePortable(true);
  KvoxSynthInit();
  for (int f = 0; f < 4; f++) {
    RandomSets(s, 32, 12000.0f, uint32_t(f));
    KvoxSynthLayer12(false, 0, 1)(s, 36, a.data());
  }
  KvoxSynthUsePortable(false);
  KvoxSynthInit();
  for (int f = 0; f < 4; f++) {
    RandomSets(s, 32, 12000.0f, uint32_t(f));
    KvoxSynthLayer12(false, 0, 1)(s, 36, b.data());
  }
  int worst = 0;
  for (size_t i = 0; i < 36 * 32 * 2; i++) worst = std::max(worst, std::abs(At16(a, i) - At16(b, i)));
  EXPECT_LE(worst, 1);
}
}  // namespace
