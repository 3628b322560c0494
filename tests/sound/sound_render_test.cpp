// Audio in the offline render: show.wav holds the decoded music from its sample 0, and two renders
// write the same file. Needs the program and the show's data (`make data`); skipped without them.
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>

#include "sound_fixture.h"

namespace {

std::vector<uint8_t> ReadFile(const std::string& name) {
  std::ifstream f(name, std::ios::binary);
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>());
}

std::string Program() {
  const char* bin = getenv("TARVON_BIN");
  return std::string(bin ? bin : TARVON_BINARY_DIR "/bin") + "/tarvon3";
}

bool LinkData() {
  const std::string source = std::string(TARVON_SOURCE_DIR) + "/data";
  if (access(source.c_str(), F_OK) == 0 && access("data", F_OK) != 0 && symlink(source.c_str(), "data") != 0)
    return false;
  return access("data/meeting.mp3", F_OK) == 0;
}

int Render(const std::string& folder) {
  std::string command = Program() + " --render " + folder + " --to 2500 --fps 25 --no-video >/dev/null 2>&1";
  int s = system(command.c_str());
  return WIFEXITED(s) ? WEXITSTATUS(s) : -1;
}

int32_t Sample(const std::vector<uint8_t>& v, size_t offset, size_t index) {
  return int16_t(uint16_t(v[offset + 2 * index] | (v[offset + 2 * index + 1] << 8)));
}

struct RenderAudio : ::testing::Test {
  void SetUp() override { EnterTestFolder(); }
  void TearDown() override { LeaveTestFolder(); }
};

TEST_F(RenderAudio, ShowWavStartsWithTheMusicAndIsTheSameOnEveryRun) {
  if (access(Program().c_str(), X_OK) != 0) GTEST_SKIP() << "no tarvon3 program in TARVON_BIN";
  if (!LinkData()) GTEST_SKIP() << "no show data (make data)";
  ASSERT_EQ(Render("av1"), 0);
  ASSERT_EQ(Render("av2"), 0);
  std::vector<uint8_t> wav = ReadFile("av1/show.wav");
  ASSERT_GT(wav.size(), 44u + 2 * 176400u);
  EXPECT_EQ(wav, ReadFile("av2/show.wav"));
  EXPECT_EQ(std::string(wav.begin(), wav.begin() + 4), "RIFF");
  EXPECT_EQ(wav[22], 2);
  EXPECT_EQ(uint32_t(wav[24] | wav[25] << 8 | wav[26] << 16), 44100u);
  EXPECT_EQ(wav[34], 16);
  uint32_t dataBytes = uint32_t(wav[40] | wav[41] << 8 | wav[42] << 16 | uint32_t(wav[43]) << 24);
  EXPECT_EQ(dataBytes, wav.size() - 44);

  // The music as the decoder makes it.
  std::vector<uint8_t> mp3 = ReadFile("data/meeting.mp3");
  KvoxMpegHeader h{};
  int32_t length = KvoxParseHeader(mp3.data(), int32_t(mp3.size()), &h);
  ASSERT_GT(length, 0);
  ASSERT_EQ(KvoxDecoderTable[0].init(&h, length, 0, 0, 0, 24000), 1);
  std::vector<uint8_t> music, pcm(8192);
  for (size_t at = 0; music.size() < 3 * 176400u && mp3.size() - at >= size_t(length);) {
    KvoxDecodeResult r = KvoxDecoderTable[0].decode(mp3.data() + at, int32_t(mp3.size() - at), pcm.data());
    if (r.consumed <= 0) break;
    music.insert(music.end(), pcm.begin(), pcm.begin() + r.produced);
    at += size_t(r.consumed);
  }
  // Where in show.wav the music lines up best, within one frame (1764 samples at 25 fps) of sample 0.
  const size_t values = 2 * 44100;   // one second, both channels
  ASSERT_GE(music.size() / 2, values + 2 * 1764 * 2);
  ASSERT_GE((wav.size() - 44) / 2, values + 2 * 1764 * 2);
  int32_t best = 0;
  double bestError = 1e300;
  for (int32_t shift = -1764; shift <= 1764; shift++) {
    double error = 0;
    for (size_t i = 2 * 1764; i < values; i += 7) {
      double d = Sample(wav, 44, i + size_t(2 * shift)) - Sample(music, 0, i);
      error += d * d;
    }
    if (error < bestError) {
      bestError = error;
      best = shift;
    }
  }
  EXPECT_EQ(best, 0);
  // Sample for sample, within 2 of the 16-bit scale (the program and this test may be builds whose
  // decoders round their vector kernels differently).
  for (size_t i = 0; i < values; i++) ASSERT_NEAR(Sample(wav, 44, i), Sample(music, 0, i), 2) << "value " << i;
}

}  // namespace
