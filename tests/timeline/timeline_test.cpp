// The timeline's rules, driven by a scripted clock over the real table with recording routines.
#include <gtest/gtest.h>

#include <cstring>
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
  EffectEntry rows[kTimelineRows];

  void SetUp() override {
    DebugMode = 1;
    InitLog();
    UseFakePlatform();
    InitVideo();
    ScreenBuffer = SetVideoMode(320, 200, 16, 1, 1);
    memcpy(rows, Timeline, sizeof rows);
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
  RunTimeline(rows, kTimelineRows);
  // Passes at readings 0 (nothing: a row starts strictly after its start), 1 (all 37 loading
  // rows and the restart), 2 (row 37 judged at 2 with its window 1..10000).
  ASSERT_GE(calls.size(), 38u);
  for (int i = 0; i <= 36; i++) {
    EXPECT_EQ(calls[size_t(i)].row, i);
    EXPECT_EQ(calls[size_t(i)].clock, 1);
    EXPECT_EQ(calls[size_t(i)].progress, 0.0f);
  }
  EXPECT_EQ(calls[0].words, (std::vector<std::string>{"0", "loading.tga", "0", "0"}));
  EXPECT_EQ(calls[2].words, calls[1].words);   // a row without text sees the last split
  const Call* first37 = FirstCall(37);
  ASSERT_NE(first37, nullptr);
  EXPECT_EQ(first37->clock, 2);
  EXPECT_FLOAT_EQ(first37->progress, 1.0f / 9999.0f);
}

TEST_F(TimelineTest, PassedWindowsAreDoneWithoutACallAndTheShowEnds) {
  script = {1, 20000, 30000, 95000, 189000, 189001};
  RunTimeline(rows, kTimelineRows);
  EXPECT_EQ(CallsOf(37), 0);   // 1..10000 passed over
  EXPECT_EQ(CallsOf(40), 0);   // 2000..11000 passed over
  EXPECT_EQ(CallsOf(38), 1);   // 10000..30000 seen at 20000, and done at its end, 30000
  EXPECT_FLOAT_EQ(FirstCall(38)->progress, 0.5f);
  EXPECT_EQ(CallsOf(41), 1);   // run-once rows always run, however late
  EXPECT_EQ(CallsOf(50), 1);
  EXPECT_EQ(CallsOf(62), 0);
  for (int r = 92; r <= 101; r++) EXPECT_EQ(CallsOf(r), 1) << r;
  // The end comes in the first pass above 189000: the 189000 pass does not release yet.
  EXPECT_EQ(FirstCall(92)->clock, 189001);
  EXPECT_EQ(fake.presents, 7);
}

TEST_F(TimelineTest, SeekingForwardFortyTimesEndsTheShowWithEveryRunOnceRow) {
  script = {1};
  for (int i = 0; i < 40; i++) ShowSettings.keys[ShowSettings.keyCount++] = {0, '*', false};
  // One key per pass: queue all forty at once.
  ShowSettings.keyCount = 40;
  RunTimeline(rows, kTimelineRows);
  for (int r = 0; r < kTimelineRows; r++)
    EXPECT_TRUE(Timeline[r].end != -1 || CallsOf(r) == 1) << r;
  EXPECT_LE(fake.presents, 42);
}

TEST_F(TimelineTest, SeekingBackMakesTheClockNegativeAndDoneRowsStayDone) {
  script = {1, 2000, 2100, 2200};
  ShowSettings.keys[0] = {2000, '/', false};
  ShowSettings.keyCount = 1;
  ShowSettings.toMs = 3000;
  RunTimeline(rows, kTimelineRows);
  // Row 37 (1..10000) is called at 2000, then not while the clock is at -2900 .. 1, then again.
  std::vector<int32_t> demo37;
  for (const auto& c : calls)
    if (c.row == 37) demo37.push_back(c.demo);
  ASSERT_GE(demo37.size(), 2u);
  EXPECT_EQ(demo37[0], 2000);
  EXPECT_GT(demo37[1], 1);
  EXPECT_EQ(demo37[1], 20);   // the timer runs on in 20 ms steps from 2200, the clock from -2800
  for (const auto& c : calls) EXPECT_TRUE(c.row <= 36 || c.demo > 1) << c.row << " at " << c.demo;
  for (int r = 0; r < kTimelineRows; r++)
    EXPECT_TRUE(Timeline[r].end != -1 || r > 36 || CallsOf(r) == 1) << r;
}

TEST_F(TimelineTest, SpaceAndCloseEndTheShowAtOnce) {
  script = {1, 100, 200, 300};
  ShowSettings.keys[0] = {100, ' ', false};
  ShowSettings.keyCount = 1;
  RunTimeline(rows, kTimelineRows);
  EXPECT_EQ(fake.presents, 3);   // the pass at 100 shows its frame, takes the space and ends
  EXPECT_EQ(CallsOf(92), 0);     // nothing released

  SetUp();
  script = {1, 100, 200};
  fake.onPresent = [] {
    NextReading();
    if (fake.now - origin == 200) PlatGetEventSink().closeRequested();
  };
  RunTimeline(rows, kTimelineRows);
  EXPECT_TRUE(QuitRequested());
  EXPECT_EQ(fake.presents, 3);
}

TEST_F(TimelineTest, KeysAtTheirTimeOneKeyPerPass) {
  script = {1, 500, 600, 700};
  ShowSettings.keys[0] = {500, '+', false};
  ShowSettings.keys[1] = {500, '+', false};
  ShowSettings.keyCount = 2;
  ShowSettings.toMs = 2700;
  RunTimeline(rows, kTimelineRows);
  std::vector<int32_t> demo37;
  for (const auto& c : calls)
    if (c.row == 37) demo37.push_back(c.demo);
  EXPECT_EQ(demo37, (std::vector<int32_t>{500, 1600, 2700, 2720}));
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
  RunTimeline(rows, kTimelineRows, &loop);
  EXPECT_FALSE(QuitRequested());
  EXPECT_EQ(fake.presents, 152);
}

TEST_F(TimelineTest, StartOptionShiftsTheRestartedClock) {
  script = {1, 2, 3};
  ShowSettings.startMs = 100000;
  ShowSettings.toMs = 100000;
  rows[36].routine = RestartClock;   // the real restart, which applies the option
  RunTimeline(rows, kTimelineRows);
  EXPECT_EQ(CallsOf(37), 0);
  EXPECT_EQ(CallsOf(50), 1);   // 85000 once: still runs
  EXPECT_EQ(CallsOf(54), 1);   // 97000..117000 at 100001
}

}  // namespace
