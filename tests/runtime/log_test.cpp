// The log's line forms, DisplayLog, the fatal exit under the guard, and SplitParameters.
#include <gtest/gtest.h>

#include <cstdio>

#include "runtime/log.h"
#include "runtime/params.h"
#include "support/logfile.h"

namespace {

using LogTest = LoggedTest;

TEST_F(LogTest, FourLineFormsAndTruncationAtInit) {
  Info("LoadMp3(%s)", "meeting.mp3");
  Warning("w %d", 1);
  Error("PlayMp3(): Couldn't poll the mp3");
  EXPECT_TRUE(DiesFatally([] { Fatal("bad %s", "thing"); }));
  const auto lines = ReadLines();
  const std::vector<std::string> want = {"Info: LoadMp3(meeting.mp3)", "WARNING: w 1 !",
                                         "ERROR: PlayMp3(): Couldn't poll the mp3 !", "FATAL ERROR: bad thing !!!",
                                         "Info: Exit() called"};
  EXPECT_EQ(lines, want);
  InitLog();
  EXPECT_TRUE(ReadLines().empty());
}

TEST_F(LogTest, DebugModeOffSilencesAllButFatal) {
  DebugMode = 0;
  Info("a");
  Warning("b");
  Error("c");
  EXPECT_TRUE(DiesFatally([] { Fatal("d"); }));
  DebugMode = 1;
  EXPECT_EQ(ReadLines(), std::vector<std::string>{"FATAL ERROR: d !!!"});
}

TEST_F(LogTest, NothingRunsAfterFatal) {
  static bool after = false;
  EXPECT_TRUE(DiesFatally([] {
    Fatal("stop");
    after = true;
  }));
  EXPECT_FALSE(after);
  EXPECT_FALSE(RunGuarded(+[] {}));   // a routine that returns is not a panic exit
}

TEST_F(LogTest, DisplayLogPrintsEachPieceWithABlank) {
  Info("short");
  Info("%s", std::string(300, 'x').c_str());
  testing::internal::CaptureStdout();
  DisplayLog();
  const std::string out = testing::internal::GetCapturedStdout();
  // 306 characters plus the line end come out as a 255-character piece and the rest.
  const std::string longLine = "Info: " + std::string(300, 'x') + "\n";
  EXPECT_EQ(out, "Contents of \"log.txt\":\n Info: short\n " + longLine.substr(0, 255) + " " + longLine.substr(255));
}

TEST_F(LogTest, AppNameIsCutAt63Characters) {
  SetAppName(std::string(100, 'a').c_str());
  EXPECT_EQ(std::string(GetAppName()), std::string(63, 'a'));
  SetAppName("trelk powered by Ombrevia");
  EXPECT_STREQ(GetAppName(), "trelk powered by Ombrevia");
}

TEST_F(LogTest, SplitParametersWords) {
  char* argv[100];
  int32_t argc = -1;
  SplitParameters("0 loading.tga 0 0", &argc, argv);
  ASSERT_EQ(argc, 4);
  EXPECT_STREQ(argv[0], "0");
  EXPECT_STREQ(argv[1], "loading.tga");
  EXPECT_STREQ(argv[3], "0");
  EXPECT_EQ(argv[4], nullptr);

  SplitParameters("   ", &argc, argv);
  EXPECT_EQ(argc, 0);
  EXPECT_EQ(argv[0], nullptr);

  // Only the blank separates; runs count once; tabs belong to words.
  SplitParameters("  a\tb   c  ", &argc, argv);
  ASSERT_EQ(argc, 2);
  EXPECT_STREQ(argv[0], "a\tb");
  EXPECT_STREQ(argv[1], "c");
}

TEST_F(LogTest, SplitParametersBounds) {
  char* argv[100];
  int32_t argc = 0;
  std::string many;
  for (int i = 0; i < 150; i++) many += "w ";
  SplitParameters(many.c_str(), &argc, argv);
  EXPECT_EQ(argc, 99);
  EXPECT_EQ(argv[99], nullptr);

  const std::string huge(3000, 'z');
  SplitParameters(huge.c_str(), &argc, argv);
  ASSERT_EQ(argc, 1);
  EXPECT_EQ(strlen(argv[0]), 1023u);

  EXPECT_TRUE(DiesFatally([] {
    char* v[100];
    int32_t n;
    SplitParameters(nullptr, &n, v);
  }));
  EXPECT_TRUE(LogHas("FATAL ERROR: Assert failed line 505 of \"tarvon3.cpp\": \"String!=NULL\" !!!"));
}

TEST_F(LogTest, SecondExitIsCorruption) {
  EXPECT_EXIT(
      {
        ResetExitOnce();
        RunGuarded(+[] { Fatal("first"); });
        Fatal("second");
      },
      ::testing::ExitedWithCode(1), "\\*\\*\\* TRELK CORRUPTED !!! \\*\\*\\*");
  EXPECT_EXIT(Fatal("outside the guard"), ::testing::ExitedWithCode(1), "");
}

}  // namespace
