// The mixer against a reference computed here: linear interpolation from the channel's rate to the
// mixing rate, volume 0..64, panning -64..64, rounding and clipping.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "midas/midas.h"
#include "midas/sdevice.h"

namespace {

// A stereo 16-bit test signal of `frames` frames.
std::vector<uint8_t> Signal(int32_t frames) {
  std::vector<uint8_t> v(static_cast<size_t>(frames) * 4);
  for (int32_t i = 0; i < frames; i++) {
    int16_t l = int16_t(std::lround(12000.0 * std::sin(i * 0.05)));
    int16_t r = int16_t(std::lround(9000.0 * std::cos(i * 0.031)));
    v[size_t(4 * i)] = uint8_t(l);
    v[size_t(4 * i + 1)] = uint8_t(uint16_t(l) >> 8);
    v[size_t(4 * i + 2)] = uint8_t(r);
    v[size_t(4 * i + 3)] = uint8_t(uint16_t(r) >> 8);
  }
  return v;
}

double SampleAt(const std::vector<uint8_t>& v, int32_t frame, int32_t side) {
  size_t p = size_t(frame) * 4 + size_t(side) * 2;
  return double(int16_t(uint16_t(v[p] | (v[p + 1] << 8))));
}

struct Case {
  int32_t rate, volume, panning;
};

TEST(DsmMixer, MatchesLinearInterpolationWithVolumeAndPanning) {
  const int32_t mixRate = 44100;
  const int32_t frames = 4000;
  std::vector<uint8_t> sample = Signal(frames);
  for (Case k : {Case{44100, 64, 0}, Case{22050, 64, 0}, Case{32000, 40, -20}, Case{48000, 17, 64},
                 Case{11025, 0, 0}, Case{8000, 64, -64}}) {
    DsmChannel c{true, false, false, sample.data(), frames, MIDAS_SAMPLE_16BIT_STEREO, k.rate, k.volume, k.panning,
                 0, 0};
    const int32_t out = 2000;
    std::vector<float> acc(size_t(out) * 2, 0.0f);
    DsmMixChannel(c, acc.data(), out, mixRate, true);
    const double volume = k.volume / 64.0;
    const double gain[2] = {volume * std::min(1.0, (64 - k.panning) / 64.0),
                            volume * std::min(1.0, (64 + k.panning) / 64.0)};
    for (int32_t i = 0; i < out; i++) {
      double at = double(i) * k.rate / mixRate;
      int32_t j = int32_t(at);
      if (j + 1 >= frames) break;
      double t = at - j;
      for (int32_t side = 0; side < 2; side++) {
        double want = (SampleAt(sample, j, side) * (1 - t) + SampleAt(sample, j + 1, side) * t) * gain[side];
        ASSERT_NEAR(acc[size_t(2 * i + side)], want, 0.05) << "rate " << k.rate << " frame " << i;
      }
    }
  }
}

TEST(DsmMixer, MonoSourcesFeedBothSidesAndMonoOutputAveragesThem) {
  std::vector<uint8_t> mono8 = {128, 192, 64, 0, 255};
  DsmChannel c{true, false, false, mono8.data(), 5, MIDAS_SAMPLE_8BIT_MONO, 44100, 64, 0, 0, 0};
  float acc[10] = {};
  DsmMixChannel(c, acc, 5, 44100, true);
  const float want[5] = {0, 16384, -16384, -32768, 32512};
  for (int32_t i = 0; i < 5; i++) {
    EXPECT_EQ(acc[2 * i], want[i]);
    EXPECT_EQ(acc[2 * i + 1], want[i]);
  }
  EXPECT_FALSE(c.playing);   // a sample that does not loop ends
  std::vector<uint8_t> stereo = Signal(8);
  DsmChannel d{true, true, false, stereo.data(), 8, MIDAS_SAMPLE_16BIT_STEREO, 44100, 64, 0, 0, 0};
  float mono[8] = {};
  DsmMixChannel(d, mono, 8, 44100, false);
  for (int32_t i = 0; i < 8; i++)
    EXPECT_FLOAT_EQ(mono[i], float((SampleAt(stereo, i, 0) + SampleAt(stereo, i, 1)) * 0.5));
}

TEST(DsmMixer, AStreamStopsAtItsWritePositionAndALoopWraps) {
  std::vector<uint8_t> ring = Signal(16);
  DsmChannel s{true, true, true, ring.data(), 16, MIDAS_SAMPLE_16BIT_STEREO, 44100, 64, 0, 14u * (1ull << 32), 3};
  float acc[40] = {};
  DsmMixChannel(s, acc, 20, 44100, true);
  // Frames 14, 15, 0, 1, 2, then nothing: frame 3 has not been fed.
  const int32_t order[5] = {14, 15, 0, 1, 2};
  for (int32_t i = 0; i < 5; i++) EXPECT_EQ(acc[2 * i], float(SampleAt(ring, order[i], 0)));
  for (int32_t i = 5; i < 20; i++) EXPECT_EQ(acc[2 * i], 0.0f);
  EXPECT_EQ(int32_t(s.position >> 32), 3);
  // A faster stream never steps over the write position either.
  DsmChannel f{true, true, true, ring.data(), 16, MIDAS_SAMPLE_16BIT_STEREO, 3 * 44100, 64, 0, 0, 5};
  float more[40] = {};
  DsmMixChannel(f, more, 20, 44100, true);
  EXPECT_EQ(int32_t(f.position >> 32), 5);
  // A looping sample at half the mixing rate: halfway past its last frame lies halfway to its first.
  DsmChannel l{true, true, false, ring.data(), 4, MIDAS_SAMPLE_16BIT_STEREO, 22050, 64, 0, 0, 0};
  float half[16] = {};
  DsmMixChannel(l, half, 8, 44100, true);
  EXPECT_FLOAT_EQ(half[14], float((SampleAt(ring, 3, 0) + SampleAt(ring, 0, 0)) / 2));
}

TEST(DsmMixer, ConversionRoundsToEvenAndClips) {
  const float in[6] = {0.5f, 1.5f, -2.5f, 40000.0f, -40000.0f, 127.49f};
  uint8_t out16[12];
  DsmConvert(in, 6, out16, false);
  const int16_t want[6] = {0, 2, -2, 32767, -32768, 127};
  for (int32_t i = 0; i < 6; i++) EXPECT_EQ(int16_t(out16[2 * i] | (out16[2 * i + 1] << 8)), want[i]);
  uint8_t out8[6];
  DsmConvert(in, 6, out8, true);
  EXPECT_EQ(out8[0], 128);
  EXPECT_EQ(out8[3], 255);
  EXPECT_EQ(out8[4], 0);
}

}  // namespace
