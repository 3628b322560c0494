// The program as a user runs it: its command line, the offline render, and a run under a virtual X
// display when xvfb-run is installed.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <string>

#include "demo/tarvon3/tarvon3.h"
#include "support/logfile.h"
#include "support/programs.h"

namespace {

// The show's data, where `make data` put it, seen from the test's own folder; false when there is none.
bool LinkData() {
  for (const char* name : {"data", "data.qvx"}) {
    const std::string source = std::string(TARVON_SOURCE_DIR) + "/" + name;
    if (access(source.c_str(), F_OK) == 0 && access(name, F_OK) != 0 && symlink(source.c_str(), name) != 0) return false;
  }
  return access("data", F_OK) == 0 || access("data.qvx", F_OK) == 0;
}

RunResult RunProgram(const char* program, const std::string& args, const std::string& env = "") {
  return RunCommand(env + " " + ProgramPath(program) + " " + args);
}

RunResult Tarvon(const std::string& args, const std::string& env = "") { return RunProgram("tarvon3", args, env); }

TEST(ProgramTest, HelpVersionAndBadOptions) {
  RunResult help = Tarvon("--help");
  EXPECT_EQ(help.status, 0);
  EXPECT_NE(help.out.find("Usage: tarvon3"), std::string::npos);
  EXPECT_NE(help.out.find("--render DIR"), std::string::npos);
  RunResult version = Tarvon("--version");
  EXPECT_EQ(version.status, 0);
  EXPECT_EQ(version.out.rfind("tarvon3 ", 0), 0u);

  for (const char* bad : {"--bogus", "--to", "--to abc", "--fps 0", "--keys 100:x", "--keys 100", "--stills 5"}) {
    RunResult r = Tarvon(bad);
    EXPECT_EQ(r.status, 2) << bad;
    EXPECT_NE(r.out.find("tarvon3: "), std::string::npos) << bad;
  }
}

TEST(ProgramTest, EffectViewerNamesAndRefusals) {
  RunResult list = Tarvon("--effect list");
  EXPECT_EQ(list.status, 0);
  EXPECT_NE(list.out.find("phong"), std::string::npos);
  EXPECT_EQ(Tarvon("--effect nosuch").status, 2);
}

TEST(ProgramTest, NoDisplaySaysHowToRender) {
  RunResult r = Tarvon("", "env -u DISPLAY -u WAYLAND_DISPLAY");
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.out.find("--render DIR"), std::string::npos);
}

TEST(ProgramTest, RenderIsTheSameTwiceAndWritesItsFiles) {
  if (!LinkData()) GTEST_SKIP() << "no data/ or data.qvx: run make data";
  RunResult a = Tarvon("--render out-a --to 3000 --no-video --stills 1500", "env -u DISPLAY");
  ASSERT_EQ(a.status, 0) << a.out;
  const std::vector<std::string> log = ReadLines();
  RunResult b = Tarvon("--render out-b --to 3000 --no-video", "env -u DISPLAY");
  ASSERT_EQ(b.status, 0) << b.out;

  const std::string frames = Slurp("out-a/frames.txt");
  EXPECT_EQ(frames, Slurp("out-b/frames.txt"));
  // At 60 frames a second frame n reads floor(n * 1000 / 60) ms; the show runs past 3000 ms.
  const auto lines = ReadLines("out-a/frames.txt");
  ASSERT_GT(lines.size(), 180u);
  EXPECT_EQ(lines[0].substr(0, 4), "0 0 ");
  EXPECT_EQ(lines[3].substr(0, 5), "3 50 ");
  EXPECT_EQ(Slurp("out-a/contact.png").substr(1, 3), "PNG");
  EXPECT_EQ(Slurp("out-a/still-1500.png").substr(1, 3), "PNG");

  // The log has the start-up, the timeline and the shut-down in order.
  EXPECT_EQ(MissingInOrder(log, {"Info: trelk (Compiled on Jun 25 1999 at 13:12:40)", "Info: Begin of tarvon3",
                                 "Info: " + std::to_string(Timeline.size()) + " effect(s)", "Info: End of tarvon3", "Info: Main() left"}),
            "");
}

TEST(ProgramTest, WindowUnderAVirtualDisplay) {
  if (system("command -v xvfb-run >/dev/null 2>&1") != 0) GTEST_SKIP() << "xvfb-run is not installed";
  if (!LinkData()) GTEST_SKIP() << "no data/ or data.qvx: run make data";
  RunResult r = Tarvon("--window --scale 1 --to 1500", "SDL_AUDIODRIVER=dummy timeout 120 xvfb-run -a");
  EXPECT_EQ(r.status, 0) << r.out;
  EXPECT_TRUE(LogHas("Info: Main() left"));
}

// A show that ends on a fatal line has failed: status 1, the render says so and keeps no video.
TEST(ProgramTest, RenderWithoutDataFailsAndSaysWhereToLook) {
  RunResult r = Tarvon("--render out --to 1000", "env -u DISPLAY");
  EXPECT_EQ(r.status, 1) << r.out;
  EXPECT_NE(r.out.find("neither data.qvx nor data/"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("make data"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("render: failed"), std::string::npos) << r.out;
  EXPECT_EQ(r.out.find("frames written"), std::string::npos) << r.out;
  EXPECT_NE(access("out/show.mp4", F_OK), 0);
  EXPECT_TRUE(LogHas("FATAL ERROR: Couldn't open file \"data/\" for reading !!!"));
  EXPECT_TRUE(LogHas("Info: Panic exit"));

  // A render folder that cannot be made fails the same way.
  RunResult blocked = Tarvon("--render /proc/no-such/out --to 1000", "env -u DISPLAY");
  EXPECT_EQ(blocked.status, 1) << blocked.out;
  EXPECT_NE(blocked.out.find("render: failed"), std::string::npos) << blocked.out;

  // A fatal error of the sound library ends the program at once; the render fails all the same.
  WriteBytes("meeting.mp3", std::vector<uint8_t>(4000, 0x5A));
  RunResult sound = Tarvon("--render sound --to 3000", "env -u DISPLAY");
  std::remove("meeting.mp3");
  EXPECT_EQ(sound.status, 1) << sound.out;
  EXPECT_NE(sound.out.find("Kalvox v0.53.000: Bad or unsupported MPEG file."), std::string::npos) << sound.out;
  EXPECT_NE(sound.out.find("render: failed"), std::string::npos) << sound.out;
  EXPECT_NE(access("sound/picture.mp4", F_OK), 0);
  EXPECT_NE(access("sound/show.mp4", F_OK), 0);
}

// The tools answer as every program does: 0 for help, 2 for words they cannot take, 1 for a failure.
TEST(ProgramTest, ToolExitCodes) {
  EXPECT_EQ(RunProgram("forge", "--help").status, 0);
  for (const char* bad : {"--bogus", "--out", "--pcm"}) EXPECT_EQ(RunProgram("forge", bad).status, 2) << bad;
  const RunResult r = RunProgram("forge", "--out /proc/no-such/data --no-music --no-contact");
  EXPECT_EQ(r.status, 1) << r.out;
  EXPECT_NE(r.out.find("forge: "), std::string::npos) << r.out;

  // The Layer I encoder: a stream that cannot be written whole is a failure, and is not left behind.
  std::vector<uint8_t> wav = {'R', 'I', 'F', 'F', 0, 0, 0, 0, 'W', 'A', 'V', 'E', 'f', 'm', 't', ' ', 16, 0, 0, 0,
                              1, 0, 1, 0, 0x44, 0xAC, 0, 0, 0x88, 0x58, 1, 0, 2, 0, 16, 0, 'd', 'a', 't', 'a'};
  for (uint8_t b : {0x00, 0x10, 0, 0}) wav.push_back(b);   // 4096 bytes of silence
  wav.resize(wav.size() + 4096);
  WriteBytes("quiet.wav", wav);
  EXPECT_EQ(RunProgram("l1enc", "quiet.wav quiet.mp1").status, 0);
  if (access("/dev/full", W_OK) == 0) {
    const RunResult full = RunProgram("l1enc", "quiet.wav /dev/full");
    EXPECT_EQ(full.status, 1) << full.out;
    EXPECT_NE(full.out.find("l1enc: cannot write"), std::string::npos) << full.out;
  }
}

}  // namespace
