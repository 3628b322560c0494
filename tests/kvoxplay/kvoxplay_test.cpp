// kvoxplay's playback through the disk driver gives, after its 44-byte header, exactly the PCM of
// its direct decode; silent playback (no sound device, or the no-sound driver) ends with the stream; bad
// options and files are refused; a file it cannot write whole is not left behind.
#include <gtest/gtest.h>

#include <string>

#include "support/logfile.h"
#include "support/programs.h"
#include "support/small_disk.h"

namespace {

int Kvoxplay(const std::string& args, const std::string& prefix = "") {
  return RunCommand(prefix + " " + ProgramPath("kvoxplay") + " " + args).status;
}

TEST(KvoxplayTest, DiskPlaybackMatchesTheDirectDecode) {
  const std::string music = std::string(TARVON_SOURCE_DIR) + "/data/meeting.mp3";
  if (Slurp(music).empty()) GTEST_SKIP() << "no data/meeting.mp3: run make data";
  ASSERT_EQ(Kvoxplay(music + " --raw direct.pcm"), 0);
  ASSERT_EQ(Kvoxplay(music + " --wav played.wav"), 0);
  const std::string pcm = Slurp("direct.pcm"), wav = Slurp("played.wav");
  ASSERT_GT(pcm.size(), 1000000u);
  ASSERT_EQ(wav.size(), pcm.size() + 44);
  EXPECT_EQ(wav.substr(0, 4), "RIFF");
  EXPECT_TRUE(wav.compare(44, std::string::npos, pcm) == 0);
}

// One second of silent Layer I frames (48 kHz stereo, 384 kbit/s: 384-byte frames, nothing allocated).
void WriteSilentStream(const char* name) {
  std::vector<uint8_t> s(125 * 384, 0);
  for (size_t at = 0; at < s.size(); at += 384) s[at] = s[at + 1] = 0xFF, s[at + 2] = 0xC4;
  WriteBytes(name, s);
}

// A hang guard, not a timing test: silent playback must end on its own well within the bound.
TEST(KvoxplayTest, SilentPlaybackEndsWithTheStream) {
  WriteSilentStream("silent.mp1");
  EXPECT_EQ(Kvoxplay("silent.mp1 --driver nosound", "timeout 60"), 0);
  // An audio driver SDL does not have: MIDAS finds no device and plays silent.
  EXPECT_EQ(Kvoxplay("silent.mp1", "SDL_AUDIODRIVER=no-such-driver timeout 60"), 0);
}

// One second of 48 kHz stereo is 192000 bytes of PCM: more than the small disk holds.
TEST(KvoxplayTest, AFileThatCannotBeWrittenWholeIsNotLeftBehind) {
  WriteSilentStream("silent.mp1");
  WriteText("kept.wav", "precious");
  EXPECT_EQ(Kvoxplay("silent.mp1 --wav kept.wav", kSmallDisk), 1);
  EXPECT_EQ(Slurp("kept.wav"), "precious");
  EXPECT_EQ(Kvoxplay("silent.mp1 --raw new.pcm", kSmallDisk), 1);
  EXPECT_FALSE(std::filesystem::exists("new.pcm"));
  EXPECT_EQ(Temporaries(), "");
  ASSERT_EQ(Kvoxplay("silent.mp1 --wav kept.wav"), 0);
  EXPECT_EQ(Slurp("kept.wav").size(), 44u + 192000u);
}

TEST(KvoxplayTest, Refusals) {
  EXPECT_EQ(Kvoxplay("--help"), 0);
  EXPECT_EQ(Kvoxplay("x.mp3 --driver speakers"), 2);
  EXPECT_EQ(Kvoxplay("x.mp3 --raw a.pcm --wav b.wav"), 2);
  EXPECT_EQ(Kvoxplay("missing.mp3 --driver nosound"), 1);
  WriteText("text.mp3", "not a stream at all\n");
  EXPECT_EQ(Kvoxplay("text.mp3 --driver nosound"), 1);
}

}  // namespace
