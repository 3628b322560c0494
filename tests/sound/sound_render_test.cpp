// Audio in the offline render: show.wav holds the decoded music from its sample 0, and two renders
// write the same file. Needs the program and the show's data (`make data`); skipped without them.
#include <filesystem>
#include <string>
#include <system_error>

#include "sound_fixture.h"
#include "support/programs.h"

namespace {

std::string Program() { return ProgramPath("tarvon3"); }

bool LinkData() {
  namespace fs = std::filesystem;
  const fs::path source = fs::path(TARVON_SOURCE_DIR) / "data";
  std::error_code error;
  if (fs::exists(source) && !fs::exists("data")) fs::create_directory_symlink(source, "data", error);
  return !error && fs::exists("data/meeting.mp3");
}

int Render(const std::string& folder) {
  return RunCommand(Program() + " --render " + folder + " --to 2500 --fps 25 --no-video").status;
}

int32_t Sample(const std::vector<uint8_t>& v, size_t offset, size_t index) {
  return int16_t(uint16_t(v[offset + 2 * index] | (v[offset + 2 * index + 1] << 8)));
}

TEST(RenderAudio, ShowWavStartsWithTheMusicAndIsTheSameOnEveryRun) {
#if defined(_WIN32)
  GTEST_SKIP() << "runs tarvon3 through a POSIX shell, which Windows has not";
#endif
  if (!std::filesystem::exists(Program())) GTEST_SKIP() << "no tarvon3 program in TARVON_BIN";
  if (!LinkData()) GTEST_SKIP() << "no show data (make data)";
  ASSERT_EQ(Render("av1"), 0);
  ASSERT_EQ(Render("av2"), 0);
  std::vector<uint8_t> wav = ReadBytes("av1/show.wav");
  ASSERT_GT(wav.size(), 44u + 2 * 176400u);
  EXPECT_EQ(wav, ReadBytes("av2/show.wav"));
  EXPECT_EQ(std::string(wav.begin(), wav.begin() + 4), "RIFF");
  EXPECT_EQ(wav[22], 2);
  EXPECT_EQ(uint32_t(wav[24] | wav[25] << 8 | wav[26] << 16), 44100u);
  EXPECT_EQ(wav[34], 16);
  uint32_t dataBytes = uint32_t(wav[40] | wav[41] << 8 | wav[42] << 16 | uint32_t(wav[43]) << 24);
  EXPECT_EQ(dataBytes, wav.size() - 44);

  // The music as the decoder makes it, from sample 0 of show.wav, sample for sample within 2 of the
  // 16-bit scale (the program and this test may be builds whose decoders round their vector kernels
  // differently).
  KvoxStreamInfo info{};
  const std::vector<uint8_t> music = DecodeWhole(ReadBytes("data/meeting.mp3"), &info, 3 * 176400u);
  const size_t values = 2 * 44100;   // one second, both channels
  ASSERT_GE(music.size() / 2, values);
  ASSERT_GE((wav.size() - 44) / 2, values);
  for (size_t i = 0; i < values; i++) ASSERT_NEAR(Sample(wav, 44, i), Sample(music, 0, i), 2) << "value " << i;
}

}  // namespace
