// The timeline's rules, driven by a scripted clock over the real table with recording routines. Rows
// are found by their routine and start time, so the tests hold when rows are added.
#include <gtest/gtest.h>

#include <vector>
#include <map>

#include "demo/tarvon3/options.h"
#include "demo/tarvon3/routines.h"
#include "demo/tarvon3/tarvon3.h"
#include "runtime/clock.h"
#include "runtime/log.h"
#include "runtime/video.h"
#include "support/fake_platform.h"
#include "support/logfile.h"

namespace {

struct Call {
  int32_t row;
  float progress;
  int32_t clock;   // the fake timer, from the start of the loop
  int32_t demo;    // the demo clock as the routine would read it
  std::vector<std::string> words;
};

std::vector<Call> calls;
std::vector<uint32_t> script;   // clock readings of successive passes, relative to the first
size_t scriptAt = 0;
uint32_t origin = 0;

void Record(float, int32_t, char**) {}

// The index of the table's first row that calls `routine` from `start`.
int32_t Row(EffectRoutine routine, int32_t start) {
  for (size_t i = 0; i < Timeline.size(); i++)
    if (Timeline[i].routine == routine && Timeline[i].start == start) return int32_t(i);
  ADD_FAILURE() << "no such row from " << start;
  return -1;
}

// Whether a row is one of the loading rows (run once at 0, in the first pass).
bool Loading(int32_t row) { return Timeline[size_t(row)].start == 0; }

void Observe(int32_t row, float progress, int32_t argc, char** argv) {
  Call c{row, progress, int32_t(fake.now - origin), GetClock(), {}};
  for (int32_t i = 0; i < argc; i++) c.words.push_back(argv[i]);
  calls.push_back(c);
}

// After each shown frame the clock jumps to the next scripted reading; past the script it runs on
// in steps of 20 ms.
void NextReading() {
  if (scriptAt < script.size())
    fake.now = origin + script[scriptAt++];
  else
    fake.now += 20;
}

class TimelineTest : public ::testing::Test {
 protected:
  std::vector<EffectEntry> rows;

  void SetUp() override {
    DebugMode = 1;
    InitLog();
    UseFakePlatform();
    InitVideo();
    ScreenBuffer = SetVideoMode(320, 200, 16, 1, 1);
    rows.assign(Timeline.begin(), Timeline.end());
    for (auto& r : rows) r.routine = Record;
    calls.clear();
    script.clear();
    scriptAt = 0;
    origin = fake.now = 5000;
    fake.onPresent = NextReading;
    TimelineObserver = Observe;
    ShowSettings = {0, -1, {}, 0};
  }
  void TearDown() override {
    TimelineObserver = nullptr;
    CloseVideo();
  }

  int CallsOf(int32_t row) const {
    int n = 0;
    for (const auto& c : calls) n += c.row == row;
    return n;
  }
  const Call* FirstCall(int32_t row) const {
    for (const auto& c : calls)
      if (c.row == row) return &c;
    return nullptr;
  }
};

TEST_F(TimelineTest, AStartIsExclusiveAndRunOnceRowsRunInOrderInOnePass) {
  script = {0, 1, 2, 1000};
  ShowSettings.toMs = 1000;
  RunTimeline(rows);
  // Passes at readings 0 (nothing: a row starts strictly after its start), 1 (all the loading rows,
  // the restart the last of them), 2 (the title picture's row judged at 2 with its window 1..10000).
  size_t loading = 0;
  while (loading < Timeline.size() && Loading(int32_t(loading))) loading++;
  ASSERT_GT(calls.size(), loading);
  for (size_t i = 0; i < loading; i++) {
    EXPECT_EQ(calls[i].row, int32_t(i));
    EXPECT_EQ(calls[i].clock, 1);
    EXPECT_EQ(calls[i].progress, 0.0f);
  }
  EXPECT_EQ(Timeline[loading - 1].routine, RestartClock);
  EXPECT_EQ(FirstCall(Row(LoadImage, 0))->words, (std::vector<std::string>{"0", "loading.tga", "0", "0"}));
  const Call* frameNow = FirstCall(Row(ShowFrameNow, 0));   // a row without text sees the last split
  EXPECT_EQ(frameNow->words, (frameNow - 1)->words);
  EXPECT_EQ((frameNow - 1)->words, (std::vector<std::string>{"0"}));
  const Call* title = FirstCall(Row(ShowImage, 1));
  ASSERT_NE(title, nullptr);
  EXPECT_EQ(title->clock, 2);
  EXPECT_FLOAT_EQ(title->progress, 1.0f / 9999.0f);
}

TEST_F(TimelineTest, PassedWindowsAreDoneWithoutACallAndTheShowEnds) {
  script = {1, 20000, 30000, 95000, 189000, 189001};
  RunTimeline(rows);
  EXPECT_EQ(CallsOf(Row(ShowImage, 1)), 0);         // 1..10000 passed over
  EXPECT_EQ(CallsOf(Row(DrawChecker, 2000)), 0);    // 2000..11000 passed over
  EXPECT_EQ(CallsOf(Row(ShowImage, 10000)), 1);     // 10000..30000 seen at 20000, and done at its end
  EXPECT_FLOAT_EQ(FirstCall(Row(ShowImage, 10000))->progress, 0.5f);
  EXPECT_EQ(CallsOf(Row(ClearScreen, 30000)), 1);   // run-once rows always run, however late
  EXPECT_EQ(CallsOf(Row(ShowImage, 85000)), 1);
  EXPECT_EQ(CallsOf(Row(DrawDeform, 117000)), 0);
  for (size_t r = 0; r < Timeline.size(); r++)   // the releasing rows
    EXPECT_TRUE(Timeline[r].start != 189000 || CallsOf(int32_t(r)) == 1) << r;
  // The end comes in the first pass above 189000: the 189000 pass does not release yet.
  EXPECT_EQ(FirstCall(Row(FreeImages, 189000))->clock, 189001);
  EXPECT_EQ(fake.presents, 7);
}

TEST_F(TimelineTest, SeekingForwardFortyTimesEndsTheShowWithEveryRunOnceRow) {
  script = {1};
  for (int i = 0; i < 40; i++) ShowSettings.keys[ShowSettings.keyCount++] = {0, '*', false};
  // One key per pass: queue all forty at once.
  ShowSettings.keyCount = 40;
  RunTimeline(rows);
  for (size_t r = 0; r < Timeline.size(); r++)
    EXPECT_TRUE(Timeline[r].end != -1 || CallsOf(int32_t(r)) == 1) << r;
  EXPECT_LE(fake.presents, 42);
}

TEST_F(TimelineTest, SeekingBackMakesTheClockNegativeAndDoneRowsStayDone) {
  script = {1, 2000, 2100, 2200};
  ShowSettings.keys[0] = {2000, '/', false};
  ShowSettings.keyCount = 1;
  ShowSettings.toMs = 3000;
  RunTimeline(rows);
  // The title row (1..10000) is called at 2000, then not while the clock is at -2900 .. 1, then again.
  std::vector<int32_t> demo;
  for (const auto& c : calls)
    if (c.row == Row(ShowImage, 1)) demo.push_back(c.demo);
  ASSERT_GE(demo.size(), 2u);
  EXPECT_EQ(demo[0], 2000);
  EXPECT_EQ(demo[1], 20);   // the timer runs on in 20 ms steps from 2200, the clock from -2800
  for (const auto& c : calls) EXPECT_TRUE(Loading(c.row) || c.demo > 1) << c.row << " at " << c.demo;
  for (size_t r = 0; r < Timeline.size(); r++)
    EXPECT_TRUE(!Loading(int32_t(r)) || CallsOf(int32_t(r)) == 1) << r;
}

TEST_F(TimelineTest, SpaceAndCloseEndTheShowAtOnce) {
  script = {1, 100, 200, 300};
  ShowSettings.keys[0] = {100, ' ', false};
  ShowSettings.keyCount = 1;
  RunTimeline(rows);
  EXPECT_EQ(fake.presents, 3);   // the pass at 100 shows its frame, takes the space and ends
  EXPECT_EQ(CallsOf(Row(FreeImages, 189000)), 0);   // nothing released

  SetUp();
  script = {1, 100, 200};
  fake.onPresent = [] {
    NextReading();
    if (fake.now - origin == 200) PlatGetEventSink().closeRequested();
  };
  RunTimeline(rows);
  EXPECT_TRUE(QuitRequested());
  EXPECT_EQ(fake.presents, 3);
}

TEST_F(TimelineTest, KeysAtTheirTimeOneKeyPerPass) {
  script = {1, 500, 600, 700};
  ShowSettings.keys[0] = {500, '+', false};
  ShowSettings.keys[1] = {500, '+', false};
  ShowSettings.keyCount = 2;
  ShowSettings.toMs = 2700;
  RunTimeline(rows);
  std::vector<int32_t> demo;
  for (const auto& c : calls)
    if (c.row == Row(ShowImage, 1)) demo.push_back(c.demo);
  EXPECT_EQ(demo, (std::vector<int32_t>{500, 1600, 2700, 2720}));
}

// With a loop (the effect viewer's) the show ends only by a key, a close or --to, which counts the
// time the loop took back: from 0 to 2000, back to 1000, to 2000, back, then past 1000 + 2000.
TEST_F(TimelineTest, TheToLimitCountsOnAcrossLoops) {
  const TimelineLoop loop = {1000, 2000};
  ShowSettings.toMs = 3000;
  fake.onPresent = [] {
    NextReading();
    if (fake.presents >= 1000) PlatGetEventSink().closeRequested();
  };
  RunTimeline(rows, &loop);
  EXPECT_FALSE(QuitRequested());
  EXPECT_EQ(fake.presents, 152);
}

TEST_F(TimelineTest, StartOptionShiftsTheRestartedClock) {
  script = {1, 2, 3};
  ShowSettings.startMs = 100000;
  ShowSettings.toMs = 100000;
  rows[size_t(Row(RestartClock, 0))].routine = RestartClock;   // the real restart, which applies the option
  RunTimeline(rows);
  EXPECT_EQ(CallsOf(Row(ShowImage, 1)), 0);
  EXPECT_EQ(CallsOf(Row(ShowImage, 85000)), 1);   // once: still runs
  EXPECT_EQ(CallsOf(Row(ShowImage, 97000)), 1);   // 97000..117000 at 100001
}

}  // namespace
