// kvoxplay's playback through the disk driver gives, after its 44-byte header, exactly the PCM of
// its direct decode; silent playback (no sound device, or the no-sound driver) ends with the stream; bad
// options and files are refused.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>
#include <string>

#include "support/logfile.h"

namespace {

int Kvoxplay(const std::string& args, const std::string& prefix = "") {
  const char* bin = getenv("TARVON_BIN");
  const std::string command =
      prefix + " " + std::string(bin ? bin : TARVON_BINARY_DIR "/bin") + "/kvoxplay " + args + " 2>/dev/null";
  const int s = system(command.c_str());
  return WIFEXITED(s) ? WEXITSTATUS(s) : -1;
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
  FILE* f = fopen(name, "wb");
  ASSERT_NE(f, nullptr);
  for (int n = 0; n < 125; n++) {
    unsigned char frame[384] = {0xFF, 0xFF, 0xC4, 0x00};
    fwrite(frame, 1, sizeof frame, f);
  }
  fclose(f);
}

// A hang guard, not a timing test: silent playback must end on its own well within the bound.
TEST(KvoxplayTest, SilentPlaybackEndsWithTheStream) {
  WriteSilentStream("silent.mp1");
  EXPECT_EQ(Kvoxplay("silent.mp1 --driver nosound", "timeout 60"), 0);
  // An audio driver SDL does not have: MIDAS finds no device and plays silent.
  EXPECT_EQ(Kvoxplay("silent.mp1", "SDL_AUDIODRIVER=no-such-driver timeout 60"), 0);
}

TEST(KvoxplayTest, Refusals) {
  EXPECT_EQ(Kvoxplay("--help"), 0);
  EXPECT_EQ(Kvoxplay("x.mp3 --driver speakers"), 2);
  EXPECT_EQ(Kvoxplay("x.mp3 --raw a.pcm --wav b.wav"), 2);
  EXPECT_EQ(Kvoxplay("missing.mp3 --driver nosound"), 1);
  FILE* f = fopen("text.mp3", "w");
  fputs("not a stream at all\n", f);
  fclose(f);
  EXPECT_EQ(Kvoxplay("text.mp3 --driver nosound"), 1);
}

}  // namespace
