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
  // Nor across the ring's end, and it stops exactly on it: steps of 1.25 frames end at 6, not 6.25.
  DsmChannel w{true, true, true, ring.data(), 16, MIDAS_SAMPLE_16BIT_STEREO, 3 * 44100, 64, 0, 15ull << 32, 1};
  DsmMixChannel(w, more, 2, 44100, true);
  EXPECT_EQ(w.position, 1ull << 32);
  DsmChannel e{true, true, true, ring.data(), 16, MIDAS_SAMPLE_16BIT_STEREO, 55125, 64, 0, 0, 6};
  DsmMixChannel(e, more, 20, 44100, true);
  EXPECT_EQ(e.position, 6ull << 32);
  // Half-way steps before the write position hold the last fed frame instead of leaning on the next.
  DsmChannel h{true, true, true, ring.data(), 16, MIDAS_SAMPLE_16BIT_STEREO, 22050, 64, 0, 0, 3};
  float held[20] = {};
  DsmMixChannel(h, held, 10, 44100, true);
  EXPECT_EQ(held[10], float(SampleAt(ring, 2, 0)));
  // A looping sample at half the mixing rate: halfway past its last frame lies halfway to its first.
  DsmChannel l{true, true, false, ring.data(), 4, MIDAS_SAMPLE_16BIT_STEREO, 22050, 64, 0, 0, 0};
  float half[16] = {};
  DsmMixChannel(l, half, 8, 44100, true);
  EXPECT_FLOAT_EQ(half[14], float((SampleAt(ring, 3, 0) + SampleAt(ring, 0, 0)) / 2));
}

TEST(DsmMixer, ConversionRoundsToEvenAndClips) {
  const float in[6] = {0.5f, 1.5f, -2.5f, 40000.0f, -40000.0f, 127.49f};
  uint8_t out16[14] = {};   // the last two bytes are past the output and stay untouched
  DsmConvert(in, 6, out16, false);
  const int16_t want[7] = {0, 2, -2, 32767, -32768, 127, 0};
  for (int32_t i = 0; i < 7; i++) EXPECT_EQ(int16_t(out16[2 * i] | (out16[2 * i + 1] << 8)), want[i]);
  uint8_t out8[7] = {};
  DsmConvert(in, 6, out8, true);
  EXPECT_EQ(out8[0], 128);
  EXPECT_EQ(out8[3], 255);
  EXPECT_EQ(out8[4], 0);
  EXPECT_EQ(out8[6], 0);
}

TEST(DsmMixer, SixteenBitMonoAndEightBitStereoTakeTheirOwnBytes) {
  const std::vector<uint8_t> mono16 = {0x34, 0x12, 0xCC, 0xED, 0x00, 0x80};   // 0x1234, -0x1234, -0x8000
  DsmChannel m{true, false, false, mono16.data(), 3, MIDAS_SAMPLE_16BIT_MONO, 44100, 64, 0, 0, 0};
  float acc[6] = {};
  DsmMixChannel(m, acc, 3, 44100, true);
  const float want[3] = {4660, -4660, -32768};
  for (int32_t i = 0; i < 3; i++) EXPECT_EQ(acc[2 * i + 1], want[i]) << i;
  const std::vector<uint8_t> stereo8 = {128, 192, 64, 0};
  DsmChannel s{true, false, false, stereo8.data(), 2, MIDAS_SAMPLE_8BIT_STEREO, 44100, 64, 0, 0, 0};
  float two[4] = {};
  DsmMixChannel(s, two, 2, 44100, true);
  EXPECT_EQ(two[1], 16384.0f);
  EXPECT_EQ(two[3], -32768.0f);
}

TEST(DsmMixer, AChannelThatCannotPlayLeavesTheMixAlone) {
  std::vector<uint8_t> sample = Signal(8);
  for (int32_t k = 0; k < 3; k++) {
    DsmChannel c{true, true, false, sample.data(), k == 0 ? 0 : 8, MIDAS_SAMPLE_16BIT_STEREO, k == 1 ? 0 : 44100,
                 64, 0, 0, 0};
    float acc[16] = {};
    DsmMixChannel(c, acc, 8, k == 2 ? 0 : 44100, true);   // no frames, no rate, no mixing rate
    for (float v : acc) ASSERT_EQ(v, 0.0f) << "case " << k;
  }
}

// The mixer's entry points refuse what they cannot do and clamp volume and panning.
TEST(DsmMixer, EntryPointsCheckTheirArgumentsAndClamp) {
  const std::vector<uint8_t> one = {0xE8, 0x03};   // 1000, 16-bit mono
  DsmClose();
  EXPECT_EQ(DsmOpenChannels(1), MIDAS_ERR_INVALID_DEVICE);
  EXPECT_EQ(DsmInit(0, 0), MIDAS_ERR_INVALID_ARGUMENTS);
  ASSERT_EQ(DsmInit(1, MIDAS_MODE_MONO), MIDAS_OK);
  EXPECT_EQ(DsmOpenChannels(0), MIDAS_ERR_INVALID_ARGUMENTS);
  EXPECT_EQ(DsmOpenChannels(kDsmMaxChannels + 1), MIDAS_ERR_INVALID_ARGUMENTS);
  ASSERT_EQ(DsmOpenChannels(1), MIDAS_OK);
  ASSERT_EQ(DsmOpenChannels(kDsmMaxChannels), MIDAS_OK);
  ASSERT_EQ(DsmOpenChannels(2), MIDAS_OK);
  EXPECT_EQ(DsmPlaySound(-1, one.data(), 1, 2, 1, true, false), MIDAS_ERR_INVALID_CHANNEL);
  EXPECT_EQ(DsmPlaySound(2, one.data(), 1, 2, 1, true, false), MIDAS_ERR_INVALID_CHANNEL);
  EXPECT_EQ(DsmPlaySound(1, nullptr, 1, 2, 1, true, false), MIDAS_ERR_INVALID_ARGUMENTS);
  EXPECT_EQ(DsmPlaySound(1, one.data(), 0, 2, 1, true, false), MIDAS_ERR_INVALID_ARGUMENTS);
  EXPECT_EQ(DsmPlaySound(1, one.data(), 1, 2, 0, true, false), MIDAS_ERR_INVALID_ARGUMENTS);
  EXPECT_EQ(DsmPlaySound(1, one.data(), 1, 0, 1, true, false), MIDAS_ERR_INVALID_SAMPLE_TYPE);
  EXPECT_EQ(DsmPlaySound(1, one.data(), 1, 5, 1, true, false), MIDAS_ERR_INVALID_SAMPLE_TYPE);
  int32_t frame = -1;
  EXPECT_EQ(DsmSetStreamWritePosition(0, 5), MIDAS_OK);   // an idle channel has no frames to wrap in
  EXPECT_EQ(DsmGetPosition(2, &frame), MIDAS_ERR_INVALID_CHANNEL);
  EXPECT_EQ(frame, 0);
  // Channel 1 plays 1000 at volume 200 and panning 200, clamped to 64 and 64: all of it on the
  // right, which a mono output halves.
  ASSERT_EQ(DsmPlaySound(1, one.data(), 1, MIDAS_SAMPLE_16BIT_MONO, 1, true, false), MIDAS_OK);
  EXPECT_EQ(DsmSetVolume(1, 200), MIDAS_OK);
  EXPECT_EQ(DsmSetPanning(1, 200), MIDAS_OK);
  EXPECT_EQ(DsmSetVolume(2, 64), MIDAS_ERR_INVALID_CHANNEL);
  EXPECT_EQ(DsmSetPanning(2, 0), MIDAS_ERR_INVALID_CHANNEL);
  EXPECT_EQ(DsmSetStreamWritePosition(2, 0), MIDAS_ERR_INVALID_CHANNEL);
  uint8_t out[2];
  DsmMix(out, 1);
  EXPECT_EQ(int16_t(out[0] | (out[1] << 8)), 500);
  EXPECT_EQ(DsmSetPanning(1, -200), MIDAS_OK);
  DsmMix(out, 1);
  EXPECT_EQ(int16_t(out[0] | (out[1] << 8)), 500);
  DsmClose();
  EXPECT_EQ(DsmStopSound(1), MIDAS_ERR_INVALID_DEVICE);
}

}  // namespace
