// End to end with a real encoder: a stream made by lame, played through the disk driver (compared
// sample for sample with the decoder's own output) and through the MIDAS driver into a fake wave-out
// (exact at the mixing rate; at half the rate within the linear interpolation's rounding).
#include <cmath>
#include <numbers>
#include <cstdlib>
#include <string>

#include "sound/kvox_wave.h"
#include "sound_fixture.h"

namespace {

// Two seconds of a chord on the left and a sweep on the right, 16-bit stereo at 44100 Hz.
void WriteSource(const char* name) {
  const int32_t frames = 88200;
  std::vector<uint8_t> out(44 + size_t(frames) * 4);
  KvoxWaveHeader(out.data(), 44100, 2, 16, 0);
  KvoxPut32(out.data() + 4, uint32_t(36 + frames * 4));
  KvoxPut32(out.data() + 40, uint32_t(frames * 4));
  for (int32_t i = 0; i < frames; i++) {
    double t = i / 44100.0;
    double l = 0.3 * std::sin(2 * std::numbers::pi * 440 * t) + 0.2 * std::sin(2 * std::numbers::pi * 660 * t);
    double r = 0.4 * std::sin(2 * std::numbers::pi * (200 + 1500 * t) * t);
    int16_t li = int16_t(std::lround(l * 32767)), ri = int16_t(std::lround(r * 32767));
    KvoxPut16(out.data() + 44 + 4 * i, uint16_t(li));
    KvoxPut16(out.data() + 46 + 4 * i, uint16_t(ri));
  }
  WriteBytes(name, out);
}

// Encodes the source with lame; empty when lame is not installed, and in the Windows build, whose
// tests run under Wine, where the native lame is not a program they can start.
std::vector<uint8_t> Encode(const char* options, const char* name) {
#if defined(_WIN32)
  return {};
#endif
  if (system("command -v lame >/dev/null 2>&1") != 0) return {};
  WriteSource("e2e_source.wav");
  std::string command = std::string("lame --quiet ") + options + " e2e_source.wav " + name;
  if (system(command.c_str()) != 0) return {};
  return ReadBytes(name);
}

int16_t Sample(const std::vector<uint8_t>& v, size_t index) {
  return int16_t(uint16_t(v[2 * index] | (v[2 * index + 1] << 8)));
}

struct EndToEnd : SoundTest {
  void SetUp() override {
    SoundTest::SetUp();
    KvoxUseDecoder(nullptr, nullptr);   // the real decoder
  }
  // Plays a prepared stream through the MIDAS driver, taking everything the fake device is given.
  std::vector<uint8_t> PlayThroughMidas(const std::vector<uint8_t>& mp3) {
    EXPECT_EQ(KVOX_SetDriver(&KVOX_MIDAS), 0);
    EXPECT_EQ(KVOX_PrepareMPG(mp3.data(), int32_t(mp3.size()), 0, 100000, KVOX_INPUT_MEMORY), 0);
    std::vector<uint8_t> heard;
    KVOX_PlayMPG();
    for (int32_t polls = 0; polls < 1000; polls++) {
      std::vector<uint8_t> got = fake_waveout::PlayAll();
      heard.insert(heard.end(), got.begin(), got.end());
      if (KVOX_Poll() != 0) break;
    }
    KVOX_FreeMPG();
    return heard;
  }
};

TEST_F(EndToEnd, DiskDriverWritesExactlyWhatTheDecoderMakes) {
  std::vector<uint8_t> mp3 = Encode("-b 128", "e2e_128.mp3");
  if (mp3.empty()) GTEST_SKIP() << "lame is not installed";
  KvoxStreamInfo info{};
  std::vector<uint8_t> want = DecodeWhole(mp3, &info);
  ASSERT_GT(want.size(), 88200u * 4);
  ASSERT_EQ(KVOX_SetDriver(&KVOX_Disk), 0);
  ASSERT_EQ(KVOX_PrepareMPG(mp3.data(), int32_t(mp3.size()), 0, 100000, KVOX_INPUT_MEMORY), 0);
  KVOX_PlayMPG();
  int32_t polls = 0;
  while (KVOX_Poll() == 0 && polls < 1000) polls++;
  KVOX_FreeMPG();
  std::vector<uint8_t> wav = ReadBytes("output.wav");
  ASSERT_GE(wav.size(), 44u);
  EXPECT_EQ(std::vector<uint8_t>(wav.begin() + 44, wav.end()), want);
  EXPECT_EQ(wav[22], 2);
  EXPECT_EQ(uint32_t(wav[24] | wav[25] << 8 | wav[26] << 16), 44100u);
}

TEST_F(EndToEnd, MidasAtTheMixingRatePlaysTheDecodedSamples) {
  std::vector<uint8_t> mp3 = Encode("-b 160", "e2e_160.mp3");
  if (mp3.empty()) GTEST_SKIP() << "lame is not installed";
  KvoxStreamInfo info{};
  std::vector<uint8_t> want = DecodeWhole(mp3, &info);
  std::vector<uint8_t> heard = PlayThroughMidas(mp3);
  // Everything but the last few bytes the stream keeps when it reports its end.
  ASSERT_GE(heard.size(), want.size() - 100);
  size_t compare = want.size() - 100;
  for (size_t i = 0; i < compare / 2; i++) ASSERT_EQ(Sample(heard, i), Sample(want, i)) << "sample " << i;
  for (size_t i = want.size() / 2; i < heard.size() / 2; i++) ASSERT_EQ(Sample(heard, i), 0) << i;
}

TEST_F(EndToEnd, MidasResamplesAHalfRateStreamByLinearInterpolation) {
  std::vector<uint8_t> mp3 = Encode("-b 64 --resample 22.05", "e2e_22.mp3");
  if (mp3.empty()) GTEST_SKIP() << "lame is not installed";
  KvoxStreamInfo info{};
  std::vector<uint8_t> want = DecodeWhole(mp3, &info);
  ASSERT_EQ(info.rate, 22050);
  std::vector<uint8_t> heard = PlayThroughMidas(mp3);
  size_t frames = want.size() / 4 - 30;
  ASSERT_GE(heard.size() / 4, 2 * frames);
  // Output frame 2n is input frame n; frame 2n + 1 lies halfway to frame n + 1.
  for (size_t n = 0; n + 1 < frames; n++)
    for (size_t side = 0; side < 2; side++) {
      int32_t a = Sample(want, 2 * n + side), b = Sample(want, 2 * n + 2 + side);
      ASSERT_EQ(Sample(heard, 4 * n + side), a) << n;
      ASSERT_NEAR(Sample(heard, 4 * n + 2 + side), (a + b) / 2.0, 0.51) << n;
    }
}

}  // namespace
