// The music: 189.5 s of 44.1 kHz stereo that never clips, has a beat, changes with the show and
// ends in silence; and its MP3 is MPEG-1 Layer III at 128 kbit/s CBR for the whole length.
#include <gtest/gtest.h>

#include <cmath>

#include "forge/forge_support.h"

namespace {

constexpr int32_t kRate = 44100;

std::vector<int16_t> Pcm() {
  std::vector<uint8_t> bytes = (Forged("forged_a"), ReadBytes("forged_a.pcm"));
  std::vector<int16_t> pcm(bytes.size() / 2);
  for (size_t i = 0; i < pcm.size(); ++i) pcm[i] = int16_t(bytes[2 * i] | (bytes[2 * i + 1] << 8));
  return pcm;
}

double Rms(const std::vector<int16_t>& pcm, double from, double to) {
  size_t a = size_t(from * kRate) * 2, b = std::min(pcm.size(), size_t(to * kRate) * 2);
  double sum = 0;
  for (size_t i = a; i < b; ++i) sum += double(pcm[i]) * pcm[i];
  return std::sqrt(sum / double(b - a)) / 32768.0;
}

// Energy of the sum of both channels below about 150 Hz, in 10 ms frames.
std::vector<double> BassEnvelope(const std::vector<int16_t>& pcm, double from, double to) {
  std::vector<double> env;
  double low = 0, acc = 0;
  const double k = 1 - std::exp(-2 * 3.14159265 * 150.0 / kRate);
  for (size_t i = size_t(from * kRate); i < size_t(to * kRate); ++i) {
    low += k * ((pcm[2 * i] + pcm[2 * i + 1]) / 65536.0 - low);
    acc += low * low;
    if ((i + 1) % 441 == 0) {
      env.push_back(acc);
      acc = 0;
    }
  }
  return env;
}

double Correlation(const std::vector<double>& e, size_t lag) {
  double mean = 0;
  for (double v : e) mean += v;
  mean /= double(e.size());
  double num = 0, den = 0;
  for (size_t i = 0; i + lag < e.size(); ++i) num += (e[i] - mean) * (e[i + lag] - mean);
  for (double v : e) den += (v - mean) * (v - mean);
  return num / den;
}

}  // namespace

TEST(ForgeMusic, FullLengthStereoWithoutClipping) {
  std::vector<int16_t> pcm = Pcm();
  ASSERT_EQ(pcm.size(), size_t(189.5 * kRate + 0.5) * 2);
  int32_t peak = 0, full = 0;
  for (int16_t s : pcm) {
    peak = std::max(peak, std::abs(int32_t(s)));
    full += s == 32767 || s == -32768;
  }
  EXPECT_EQ(full, 0);
  EXPECT_LT(peak, 31000);
  EXPECT_GT(peak, 16000);
  double diff = 0;  // the two channels differ: the mix is really stereo
  for (size_t i = 0; i < pcm.size(); i += 2) diff += std::abs(pcm[i] - pcm[i + 1]);
  EXPECT_GT(diff / double(pcm.size() / 2), 50.0);
}

TEST(ForgeMusic, EverySectionPlaysAndTheHeldPictureIsQuieter) {
  std::vector<int16_t> pcm = Pcm();
  const double cuts[] = {0, 10, 30, 50, 70, 85, 97, 117, 153, 181};
  for (size_t i = 0; i + 1 < std::size(cuts); ++i)
    EXPECT_GT(Rms(pcm, cuts[i] + 0.5, cuts[i + 1] - 0.5), 0.03) << "section at " << cuts[i];
  EXPECT_LT(Rms(pcm, 86, 96), Rms(pcm, 118, 152) * 0.8);
  EXPECT_LT(Rms(pcm, 1, 9), Rms(pcm, 11, 29) * 0.8) << "the intro swells before the drums";
  EXPECT_LT(Rms(pcm, 189.0, 189.5), 0.001) << "the music has ended when the show does";
}

TEST(ForgeMusic, DrumSectionsHaveATwoBeatsPerSecondPulseAndTheIntroHasNone) {
  std::vector<int16_t> pcm = Pcm();
  for (double from : {10.0, 50.0, 117.0, 153.0}) {
    std::vector<double> e = BassEnvelope(pcm, from + 1, from + 17);
    EXPECT_GT(Correlation(e, 50), 0.3) << "beat at 0.5 s from " << from;
    EXPECT_GT(Correlation(e, 50), Correlation(e, 37) + 0.2) << "from " << from;
  }
  std::vector<double> intro = BassEnvelope(pcm, 0.5, 9.5), drums = BassEnvelope(pcm, 10.5, 19.5);
  double a = 0, b = 0;
  for (double v : intro) a += v;
  for (double v : drums) b += v;
  EXPECT_LT(a, b * 0.3);
}

TEST(ForgeMusic, Mp3IsLayerThree128kCbrForTheWholePiece) {
  std::vector<uint8_t> mp3 = DataFile("meeting.mp3");
  ASSERT_GT(mp3.size(), 1000u);
  size_t pos = 0, frames = 0;
  while (pos + 4 <= mp3.size()) {
    const uint8_t* h = &mp3[pos];
    ASSERT_EQ(h[0], 0xFF) << "frame " << frames;
    ASSERT_EQ(h[1] & 0xFE, 0xFA) << "MPEG-1 Layer III, frame " << frames;
    ASSERT_EQ(h[2] >> 4, 9) << "128 kbit/s, frame " << frames;
    ASSERT_EQ((h[2] >> 2) & 3, 0) << "44100 Hz, frame " << frames;
    ASSERT_NE(h[3] >> 6, 3) << "stereo, frame " << frames;
    pos += 144 * 128000 / 44100 + ((h[2] >> 1) & 1);
    ++frames;
  }
  EXPECT_EQ(pos, mp3.size()) << "the file ends with a whole frame";
  const double seconds = double(frames) * 1152 / 44100;
  EXPECT_GT(seconds, 189.0);
  EXPECT_LT(seconds, 191.0);
}
