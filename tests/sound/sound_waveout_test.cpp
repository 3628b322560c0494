// The platform wave-out queue: order, done and prepared marks, the refusals, and the SDL sink over
// SDL's dummy audio driver (which plays in real time without a sound card; skipped where SDL lacks it).
#include <chrono>
#include <cstdlib>
#include <thread>

#include "sound_fixture.h"

namespace {

struct WaveOut : ::testing::Test {
  void SetUp() override { fake_waveout::Install(); }
  void TearDown() override {
    PlatWaveOutReset();
    PlatWaveOutClose();
    fake_waveout::Install();
  }
};

TEST_F(WaveOut, BlocksPlayInOrderAndAreMarkedDoneOncePlayed) {
  ASSERT_EQ(PlatWaveOutOpen({2, 44100, 16}), PLAT_WAVE_OK);
  EXPECT_EQ(PlatWaveOutOpen({2, 44100, 16}), PLAT_WAVE_ALLOCATED);
  uint8_t a[8] = {1, 2, 3, 4, 5, 6, 7, 8}, b[4] = {9, 10, 11, 12};
  PlatWaveHeader ha, hb;
  ha.data = a;
  ha.bytes = 8;
  hb.data = b;
  hb.bytes = 4;
  EXPECT_EQ(PlatWaveOutWrite(&ha), PLAT_WAVE_UNPREPARED);
  ASSERT_EQ(PlatWaveOutPrepare(&ha), PLAT_WAVE_OK);
  ASSERT_EQ(PlatWaveOutPrepare(&hb), PLAT_WAVE_OK);
  ASSERT_EQ(PlatWaveOutWrite(&ha), PLAT_WAVE_OK);
  ASSERT_EQ(PlatWaveOutWrite(&hb), PLAT_WAVE_OK);
  EXPECT_EQ(PlatWaveOutWrite(&hb), PLAT_WAVE_STILL_PLAYING);
  EXPECT_FALSE(PlatWaveIsDone(&ha));
  EXPECT_EQ(PlatWaveOutUnprepare(&ha), PLAT_WAVE_STILL_PLAYING);
  EXPECT_EQ(PlatWaveOutQueuedBytes(), 12);
  uint8_t out[16] = {};
  EXPECT_EQ(PlatWaveOutPull(out, 6), 6);
  EXPECT_FALSE(PlatWaveIsDone(&ha));
  EXPECT_EQ(PlatWaveOutPull(out + 6, 10), 6);
  EXPECT_TRUE(PlatWaveIsDone(&ha));
  EXPECT_TRUE(PlatWaveIsDone(&hb));
  const uint8_t want[12] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12};
  EXPECT_EQ(memcmp(out, want, 12), 0);
  EXPECT_EQ(PlatWaveOutUnprepare(&ha), PLAT_WAVE_OK);
  EXPECT_FALSE(PlatWaveIsPrepared(&ha));
  // Reset marks what is queued done at once; close refuses while anything is queued.
  ASSERT_EQ(PlatWaveOutWrite(&hb), PLAT_WAVE_OK);
  EXPECT_EQ(PlatWaveOutClose(), PLAT_WAVE_STILL_PLAYING);
  EXPECT_EQ(PlatWaveOutReset(), PLAT_WAVE_OK);
  EXPECT_TRUE(PlatWaveIsDone(&hb));
  EXPECT_EQ(PlatWaveOutQueuedBytes(), 0);
  EXPECT_EQ(PlatWaveOutClose(), PLAT_WAVE_OK);
  EXPECT_EQ(PlatWaveOutWrite(&hb), PLAT_WAVE_BAD_DEVICE);
  EXPECT_EQ(PlatWaveOutPrepare(nullptr), PLAT_WAVE_BAD_PARAM);
}

TEST_F(WaveOut, TheSinkTableAndItsRefusals) {
  EXPECT_NE(PlatFindWaveOutSink("sdl"), nullptr);
  EXPECT_NE(PlatFindWaveOutSink("render"), nullptr);
  EXPECT_EQ(PlatFindWaveOutSink("directsound"), nullptr);
  PlatUseWaveOutSink(PlatFindWaveOutSink("none"));
  EXPECT_EQ(PlatWaveOutDeviceCount(), 0);
  EXPECT_EQ(PlatWaveOutOpen({2, 44100, 16}), PLAT_WAVE_BAD_DEVICE);
  fake_waveout::Install();
  EXPECT_EQ(PlatWaveOutQuery({3, 44100, 16}), PLAT_WAVE_BAD_FORMAT);
  EXPECT_EQ(PlatWaveOutQuery({2, 44100, 12}), PLAT_WAVE_BAD_FORMAT);
  EXPECT_EQ(PlatWaveOutQuery({1, 8000, 8}), PLAT_WAVE_OK);
}

TEST_F(WaveOut, SdlSinkPlaysThroughTheDummyDriver) {
  setenv("SDL_AUDIODRIVER", "dummy", 1);
  PlatUseWaveOutSink(PlatFindWaveOutSink("sdl"));
  if (PlatWaveOutDeviceCount() <= 0) {
    unsetenv("SDL_AUDIODRIVER");
    GTEST_SKIP() << "SDL has no dummy audio driver here";
  }
  ASSERT_EQ(PlatWaveOutOpen({2, 44100, 16}), PLAT_WAVE_OK);
  std::vector<uint8_t> block(4096, 0);
  PlatWaveHeader h[3];
  for (PlatWaveHeader& x : h) {
    x.data = block.data();
    x.bytes = int32_t(block.size());
    PlatWaveOutPrepare(&x);
    PlatWaveOutWrite(&x);
  }
  // About 70 ms of sound: wait (generously) until the device has played all three.
  for (int32_t i = 0; i < 500 && !PlatWaveIsDone(&h[2]); i++) std::this_thread::sleep_for(std::chrono::milliseconds(10));
  EXPECT_TRUE(PlatWaveIsDone(&h[0]));
  EXPECT_TRUE(PlatWaveIsDone(&h[2]));
  PlatWaveOutReset();
  EXPECT_EQ(PlatWaveOutClose(), PLAT_WAVE_OK);
  unsetenv("SDL_AUDIODRIVER");
}

}  // namespace
