// The bit reservoir and damaged frames, on synthetic MPEG-1 mono frames.
#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "l3_support.h"

using l3test::SynthGranule;

namespace {

float gSets[2][36][32];

std::vector<SynthGranule> RandomGranules(size_t count, uint32_t seed) {
  std::mt19937 rng(seed);
  std::vector<SynthGranule> out(count);
  for (size_t i = 0; i < count; i++) {
    SynthGranule& g = out[i];
    g.globalGain = 150 + int32_t(rng() % 40);
    const int32_t pairs = 20 + int32_t(rng() % 50);
    for (int32_t k = 0; k < 2 * pairs; k++) {
      const int32_t v = (k < 36) ? int32_t(rng() % 2) : int32_t(rng() % 31) - 15;
      g.values.push_back(rng() % 3 ? 0 : v);
    }
  }
  return out;
}

// Decodes every frame; returns the per-frame results and the subband sets of each frame.
struct Decoded {
  std::vector<int32_t> results, consumed;
  std::vector<std::vector<float>> sets;
};

Decoded DecodeAll(const std::vector<uint8_t>& stream, int32_t frameBytes = l3test::kFrameBytes) {
  Decoded d;
  EXPECT_TRUE(KvoxLayer3Init(l3test::MonoHeader(), l3test::FullSetup(1, 0, frameBytes)));
  size_t at = 0;
  while (at + 4 <= stream.size()) {
    memset(gSets, 0, sizeof gSets);
    int32_t consumed = 0;
    const int32_t r = KvoxLayer3Decode(stream.data() + at, int32_t(stream.size() - at), &consumed, gSets);
    d.results.push_back(r);
    d.consumed.push_back(consumed);
    d.sets.emplace_back(&gSets[0][0][0], &gSets[0][0][0] + 36 * 32);
    if (r < 0 || consumed <= 0) break;
    at += size_t(consumed);
  }
  return d;
}

double Energy(const std::vector<float>& v) {
  double e = 0;
  for (float x : v) e += double(x) * x;
  return e;
}

}  // namespace

// Granule data that lies back in earlier frames decodes exactly like the same data in the frame itself,
// over enough frames that the reservoir moves its contents back to its start several times.
TEST(Layer3Reservoir, DataInEarlierFramesDecodesLikeDataInPlace) {
  const size_t frames = 60;
  std::vector<SynthGranule> grans = RandomGranules(2 * frames, 3);
  grans[0].values.clear();  // the first frame is silent in both streams
  grans[1].values.clear();
  std::vector<int32_t> inPlace(frames, 0), back(frames, 0);
  std::mt19937 rng(5);
  for (size_t f = 1; f < frames; f++) back[f] = 1 + int32_t(rng() % 500);
  const std::vector<uint8_t> shifted = l3test::BuildStream(grans, back);
  int32_t reaching = 0;  // frames whose data starts more than 100 bytes back
  for (size_t f = 0; f < frames; f++) {
    const uint8_t* h = shifted.data() + f * l3test::kFrameBytes;
    if (((h[4] << 1) | (h[5] >> 7)) > 100) reaching++;
  }
  EXPECT_GT(reaching, 40);
  const Decoded a = DecodeAll(l3test::BuildStream(grans, inPlace));
  const Decoded b = DecodeAll(shifted);
  ASSERT_EQ(a.results.size(), frames);
  ASSERT_EQ(b.results.size(), frames);
  EXPECT_EQ(a.results[0], 2);
  EXPECT_EQ(b.results[0], 2);
  for (size_t f = 1; f < frames; f++) {
    EXPECT_EQ(a.results[f], 2);
    EXPECT_EQ(b.results[f], 2) << "frame " << f;
    EXPECT_EQ(b.consumed[f], 417);
    EXPECT_GT(Energy(a.sets[f]), 0.0) << "frame " << f;
    ASSERT_EQ(a.sets[f], b.sets[f]) << "frame " << f;
  }
}

TEST(Layer3Reservoir, BadSyncConsumesNothing) {
  std::vector<uint8_t> stream = l3test::BuildStream(RandomGranules(2, 1), {0});
  stream[1] = 0x0F;
  ASSERT_TRUE(KvoxLayer3Init(l3test::MonoHeader(), l3test::FullSetup()));
  int32_t consumed = 99;
  EXPECT_EQ(KvoxLayer3Decode(stream.data(), int32_t(stream.size()), &consumed, gSets), -1);
  EXPECT_EQ(consumed, 99);
  // An MPEG-1 stream does not take the MPEG 2.5 sync word.
  stream[1] = 0xEB;
  EXPECT_EQ(KvoxLayer3Decode(stream.data(), int32_t(stream.size()), &consumed, gSets), -1);
}

// Damaged granules decode to silence without touching memory outside the decoder's buffers; the frames
// after them decode normally.
TEST(Layer3Corrupt, DamagedGranulesAreSilent) {
  const size_t frames = 8;
  std::vector<SynthGranule> grans = RandomGranules(2 * frames, 21);
  grans[2].part23Override = 4095;   // frame 1: part2_3_length past the data
  grans[5].bigValuesOverride = 300; // frame 2 granule 1: big_values beyond 576 lines
  grans[6].table1 = 4;              // frame 3 granule 0: an undefined table
  grans[8].region0 = 15;            // frame 4: region counts past the band table are clamped
  grans[8].region1 = 7;
  grans[8].table0 = 15;
  const Decoded d = DecodeAll(l3test::BuildStream(grans, std::vector<int32_t>(frames, 0)));
  ASSERT_EQ(d.results.size(), frames);
  for (size_t f = 0; f < frames; f++) EXPECT_EQ(d.results[f], 2) << "frame " << f;
  auto granuleEnergy = [&](size_t f, int32_t gr) {
    double e = 0;
    for (int32_t t = 18 * gr; t < 18 * gr + 18; t++)
      for (int32_t sb = 0; sb < 32; sb++) e += double(d.sets[f][size_t(t * 32 + sb)]) * d.sets[f][size_t(t * 32 + sb)];
    return e;
  };
  EXPECT_EQ(granuleEnergy(1, 0), 0.0);
  EXPECT_EQ(granuleEnergy(1, 1), 0.0);  // the granule after it has no known start
  EXPECT_GT(granuleEnergy(2, 0), 0.0);
  EXPECT_EQ(granuleEnergy(2, 1), 0.0);
  EXPECT_EQ(granuleEnergy(3, 0), 0.0);
  EXPECT_GT(granuleEnergy(4, 0), 0.0);
  EXPECT_GT(granuleEnergy(6, 0), 0.0);
}

TEST(Layer3Corrupt, FramesShorterThanTheirSideInformation) {
  std::vector<uint8_t> stream = l3test::BuildStream(RandomGranules(2, 1), {0});
  stream[2] &= 0x0F;  // free format: the init's frame length counts
  // 12 bytes: less than the header and side information.
  std::vector<uint8_t> small(stream.begin(), stream.begin() + 12);
  ASSERT_TRUE(KvoxLayer3Init(l3test::MonoHeader(), l3test::FullSetup(1, 0, 12)));
  int32_t consumed = 0;
  EXPECT_EQ(KvoxLayer3Decode(small.data(), int32_t(small.size()), &consumed, gSets), 0);
  EXPECT_EQ(consumed, 12);
  // A frame cut short by the end of the data: the missing bytes read as zeros.
  ASSERT_TRUE(KvoxLayer3Init(l3test::MonoHeader(), l3test::FullSetup()));
  std::vector<uint8_t> cut(stream.begin(), stream.begin() + 30);
  EXPECT_GE(KvoxLayer3Decode(cut.data(), int32_t(cut.size()), &consumed, gSets), 0);
  EXPECT_EQ(consumed, 417);
}

// Free-format frames larger than the reservoir's room: silence, never a write past the buffer; a large but
// fitting free-format frame decodes.
TEST(Layer3Corrupt, OversizedFreeFormatFrames) {
  std::vector<SynthGranule> grans = RandomGranules(2, 4);
  std::vector<uint8_t> frame = l3test::BuildStream(grans, {0});
  frame[2] &= 0x0F;
  frame.resize(2880, 0);  // 640 kbit/s at 32 kHz would be this large; here at 44.1 kHz
  ASSERT_TRUE(KvoxLayer3Init(l3test::MonoHeader(), l3test::FullSetup(1, 0, 2880)));
  for (int32_t n = 0; n < 10; n++) {
    int32_t consumed = 0;
    EXPECT_EQ(KvoxLayer3Decode(frame.data(), int32_t(frame.size()), &consumed, gSets), 2) << n;
    EXPECT_EQ(consumed, 2880);
  }
  std::vector<uint8_t> huge = frame;
  huge.resize(9000, 0);
  ASSERT_TRUE(KvoxLayer3Init(l3test::MonoHeader(), l3test::FullSetup(1, 0, 9000)));
  int32_t consumed = 0;
  EXPECT_EQ(KvoxLayer3Decode(huge.data(), int32_t(huge.size()), &consumed, gSets), 0);
  EXPECT_EQ(consumed, 9000);
}
