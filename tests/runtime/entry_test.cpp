// The entry routine's order of start-up and shut-down, and its exit codes, each run in a child
// process as the program itself would run.
#include <gtest/gtest.h>

#include "platform/platform.h"
#include "runtime/entry.h"
#include "runtime/log.h"
#include "runtime/memory.h"
#include "support/logfile.h"

namespace {

void QuietMain() { Info("inside Main"); }
void DyingMain() {
  Nalloc(10, "left behind");
  Fatal("broken data");
}

class EntryTest : public ::testing::Test {
 protected:
  void SetUp() override {
    DebugMode = 1;
    PlatUsePresenter(PlatFindPresenter("null"));
    PlatUseClock(PlatFindClock("system"));
  }
};

TEST_F(EntryTest, NormalRunEndsWithStatusZeroAndTheReportInOrder) {
  EXPECT_EXIT(exit(TrelkEntry(nullptr, QuietMain)), ::testing::ExitedWithCode(0), "");
  EXPECT_EQ(MissingInOrder(ReadLines(), {"Info: trelk (Compiled on Jun 25 1999 at 13:12:40)", "Info: inside Main",
                                         "Info: Main() left", "Info: FreeAll(): 0 bytes used as a maximum"}),
            "");
}

TEST_F(EntryTest, FatalInMainIsAPanicExitWithStatusOne) {
  EXPECT_EXIT(exit(TrelkEntry(nullptr, DyingMain)), ::testing::ExitedWithCode(1), "");
  const auto lines = ReadLines();
  const int fatal = FindLine(lines, "FATAL ERROR: broken data !!!");
  const int exitLine = FindLine(lines, "Info: Exit() called", fatal);
  const int panic = FindLine(lines, "Info: Panic exit", exitLine);
  const int leak = FindLine(lines, "WARNING: FreeAll(): Undeallocated Block: \"left behind\" (10 bytes) !", panic);
  EXPECT_GE(fatal, 0);
  EXPECT_EQ(exitLine, fatal + 1);
  EXPECT_EQ(panic, exitLine + 1);
  EXPECT_GT(leak, panic);
  EXPECT_EQ(FindLine(lines, "Info: Main() left"), -1);
}

TEST_F(EntryTest, TheLogIsShownOnStandardOutputAtTheEnd) {
  EXPECT_EXIT(
      {
        TrelkEntry(nullptr, QuietMain);
        fflush(stdout);
        exit(0);
      },
      ::testing::ExitedWithCode(0), "");
  // DisplayLog's output went to the child's standard output; check that the file it read is whole.
  EXPECT_TRUE(LogHas("Info: Main() left"));
}

}  // namespace
