// Flip's copy and conversion, its handling of busy and lost surfaces, the key queue and the clock.
#include <gtest/gtest.h>

#include <cstring>

#include "runtime/clock.h"
#include "runtime/log.h"
#include "runtime/video.h"
#include "support/fake_platform.h"
#include "support/logfile.h"

namespace {

class VideoTest : public ::testing::Test {
 protected:
  void SetUp() override {
    DebugMode = 1;
    InitLog();
    UseFakePlatform();
    InitVideo();
  }
  void TearDown() override { CloseVideo(); }

  uint16_t SurfacePixel(int x, int y) {
    uint16_t p;
    memcpy(&p, fake.surface.data() + size_t(y) * size_t(fake.pitch) + size_t(x) * 2, 2);
    return p;
  }
};

TEST_F(VideoTest, ModeLogsAndCopiesRowsUnchangedOn565) {
  uint16_t* fb = SetVideoMode(320, 200, 16, 1, 1);
  ASSERT_NE(fb, nullptr);
  EXPECT_TRUE(LogHas("Info: SetVideoMode(320, 200, 16, 1, 1)"));
  for (int i = 0; i < 320 * 200; i++) fb[i] = uint16_t(i * 7);
  EXPECT_EQ(Flip(), fb);   // the same buffer every time
  for (int y = 0; y < 200; y++)
    ASSERT_EQ(memcmp(fake.surface.data() + size_t(y) * size_t(fake.pitch), fb + y * 320, 640), 0) << y;
  EXPECT_EQ(fake.surface[size_t(fake.pitch) - 1], 0xEE);   // past the row: untouched
  EXPECT_EQ(fake.presents, 1);
}

TEST_F(VideoTest, FifteenBitDisplayGetsConvertedPixels) {
  fake.format = {0x7C00, 0x03E0, 0x001F};
  EXPECT_EQ(DepthFromMasks(0x7C00, 0x03E0, 0x001F), 15);
  EXPECT_EQ(DepthFromMasks(0xF800, 0x07E0, 0x001F), 16);
  uint16_t* fb = SetVideoMode(320, 200, 16, 1, 0);
  fb[0] = 0xFFFF;
  fb[1] = 0x07E0;
  fb[2] = 0xF800;
  fb[3] = 0x001F;
  fb[320 * 199 + 319] = 0x0020;   // green's lowest bit is lost
  Flip();
  EXPECT_EQ((std::vector<uint16_t>{SurfacePixel(0, 0), SurfacePixel(1, 0), SurfacePixel(2, 0), SurfacePixel(3, 0),
                                   SurfacePixel(319, 199)}),
            (std::vector<uint16_t>{0x7FFF, 0x03E0, 0x7C00, 0x001F, 0x0000}));
}

TEST_F(VideoTest, BusyIsRetriedAndLostSkipsTheFrame) {
  uint16_t* fb = SetVideoMode(320, 200, 16, 1, 1);
  fb[0] = 0x1234;
  fake.lockResults = {PLAT_BUSY, PLAT_BUSY};
  fake.unlockResults = {PLAT_STILL_DRAWING, PLAT_BUSY};
  fake.presentResults = {PLAT_BUSY};
  Flip();
  EXPECT_EQ(fake.locks, 3);
  EXPECT_EQ(fake.unlocks, 3);
  EXPECT_EQ(fake.presents, 2);
  EXPECT_EQ(SurfacePixel(0, 0), 0x1234);

  // A lost surface is restored and the frame is not shown; the next one is.
  fb[0] = 0x4321;
  fake.lockResults = {PLAT_LOST};
  Flip();
  EXPECT_EQ(fake.restores, 1);
  EXPECT_EQ(fake.presents, 2);
  EXPECT_EQ(SurfacePixel(0, 0), 0x1234);
  Flip();
  EXPECT_EQ(fake.presents, 3);
  EXPECT_EQ(SurfacePixel(0, 0), 0x4321);

  // Lost at unlock or present: restored, and Flip carries on.
  fake.unlockResults = {PLAT_LOST};
  fake.presentResults = {PLAT_LOST};
  Flip();
  EXPECT_EQ(fake.restores, 3);
  fake.lockResults = {PLAT_FAILED};
  const int before = fake.presents;
  Flip();
  EXPECT_EQ(fake.presents, before);
}

TEST_F(VideoTest, FailedOpenIsFatal) {
  fake.failOpen = true;
  EXPECT_TRUE(DiesFatally([] { SetVideoMode(320, 200, 16, 1, 1); }));
  EXPECT_TRUE(LogHas("FATAL ERROR: SelectVideoMode(): Couldn't set the mode 320x200 16 bits !!!"));
}

TEST_F(VideoTest, SecondModeClosesFirstAndCloseTwiceIsSafe) {
  SetVideoMode(320, 200, 16, 1, 1);
  SetVideoMode(320, 200, 16, 1, 1);
  EXPECT_EQ(fake.opens, 2);
  EXPECT_EQ(fake.closes, 1);
  CloseVideo();
  CloseVideo();
  EXPECT_EQ(fake.closes, 2);
}

TEST_F(VideoTest, KeyQueueOrderLimitAndSign) {
  EXPECT_EQ(GetKey(), 0);
  QueueKey('*');
  QueueKey(' ');
  EXPECT_EQ(GetKey(), '*');
  EXPECT_EQ(GetKey(), ' ');
  EXPECT_EQ(GetKey(), 0);
  for (int i = 0; i < 65; i++) QueueKey(uint8_t('A' + i % 26));
  for (int i = 0; i < 64; i++) ASSERT_EQ(GetKey(), 'A' + i % 26) << i;
  EXPECT_EQ(GetKey(), 0);   // the 65th was dropped
  QueueKey(0xE9);
  EXPECT_EQ(GetKey(), -23);  // codes 128..255 come out negative
}

TEST_F(VideoTest, EventSinkFeedsTheQueueAndTheQuitFlag) {
  PlatGetEventSink().typed('+');
  EXPECT_EQ(GetKey(), '+');
  EXPECT_FALSE(QuitRequested());
  PlatGetEventSink().closeRequested();
  EXPECT_TRUE(QuitRequested());
  InitVideo();
  EXPECT_FALSE(QuitRequested());
}

TEST(ClockTest, ReadingsShiftsAndTheTimersWrap) {
  UseFakePlatform();
  fake.now = 1000;
  StartClock();
  EXPECT_EQ(GetClock(), 0);
  fake.now += 2000;
  EXPECT_EQ(GetClock(), 2000);
  ShiftClock(5000);
  EXPECT_EQ(GetClock(), 7000);
  ShiftClock(-5000);
  ShiftClock(-5000);
  EXPECT_EQ(GetClock(), -3000);

  fake.now = 0xFFFFFF00u;   // 256 ms before the timer wraps
  StartClock();
  fake.now += 1000;         // wraps to 744
  EXPECT_EQ(fake.now, 744u);
  EXPECT_EQ(GetClock(), 1000);
}

}  // namespace
