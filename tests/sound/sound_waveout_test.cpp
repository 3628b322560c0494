// The platform wave-out queue: order, done and prepared marks, the refusals, and the SDL sink over
// SDL's dummy audio driver (which plays in real time without a sound card; skipped where SDL lacks it).
#include <chrono>
#include <cstdlib>
#include <thread>

#include "platform/platform.h"
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
  PlatWaveHeader ha{a, 8}, hb{b, 4};
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
#if !defined(_WIN32)
  EXPECT_NE(PlatFindWaveOutSink("sdl"), nullptr);
#endif
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
#if defined(_WIN32)
  GTEST_SKIP() << "the Windows build has no SDL sink";
#else
  setenv("SDL_AUDIODRIVER", "dummy", 1);
  PlatUseWaveOutSink(PlatFindWaveOutSink("sdl"));
  if (PlatWaveOutDeviceCount() <= 0) {
    unsetenv("SDL_AUDIODRIVER");
    GTEST_SKIP() << "SDL has no dummy audio driver here";
  }
  ASSERT_EQ(PlatWaveOutOpen({2, 44100, 16}), PLAT_WAVE_OK);
  std::vector<uint8_t> block(4096, 0);
  const int32_t n = int32_t(block.size());
  PlatWaveHeader h[3] = {{block.data(), n}, {block.data(), n}, {block.data(), n}};
  for (PlatWaveHeader& x : h) {
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
#endif
}

}  // namespace

namespace {

uint32_t fakeNow = 0;
uint32_t FakeNow() { return fakeNow; }
void FakeSleep(uint32_t ms) { fakeNow += ms; }
const PlatClock kFakeClock = {"fake", FakeNow, FakeSleep};

TEST_F(WaveOut, RenderSinkPlaysInStepWithTheClockFromTheFirstBlock) {
  const PlatClock* saved = PlatCurrentClock();
  PlatUseClock(&kFakeClock);
  fakeNow = 5000;
  PlatSetWaveOutFile("render.wav");
  PlatUseWaveOutSink(PlatFindWaveOutSink("render"));
  ASSERT_EQ(PlatWaveOutDeviceCount(), 1);
  EXPECT_EQ(PlatWaveOutQuery({2, 22050, 16}), PLAT_WAVE_BAD_FORMAT);   // 44.1 kHz 16-bit stereo only
  ASSERT_EQ(PlatWaveOutOpen({2, 44100, 16}), PLAT_WAVE_OK);
  fakeNow = 6000;   // time before the first block is not in the file
  std::vector<uint8_t> a(4 * 4410), b(4 * 4410);
  for (size_t i = 0; i < a.size(); i++) a[i] = uint8_t(i), b[i] = uint8_t(i * 3);
  PlatWaveHeader ha{a.data(), int32_t(a.size())}, hb{b.data(), int32_t(b.size())};
  PlatWaveOutPrepare(&ha);
  PlatWaveOutPrepare(&hb);
  PlatWaveOutWrite(&ha);
  PlatWaveOutWrite(&hb);
  EXPECT_FALSE(PlatWaveIsDone(&ha));
  fakeNow += 50;    // 2205 frames: half of the first block
  PlatWaveOutUpdate();
  EXPECT_FALSE(PlatWaveIsDone(&ha));
  EXPECT_EQ(PlatWaveOutQueuedBytes(), int32_t(a.size() + b.size()) - 2205 * 4);
  fakeNow += 60;    // 4851 frames: the first block and a little of the second
  PlatWaveOutUpdate();
  EXPECT_TRUE(PlatWaveIsDone(&ha));
  EXPECT_FALSE(PlatWaveIsDone(&hb));
  fakeNow += 1000;  // more than is queued: the file holds exactly the two blocks, nothing padded
  PlatWaveOutUpdate();
  EXPECT_TRUE(PlatWaveIsDone(&hb));
  PlatWaveOutReset();
  ASSERT_EQ(PlatWaveOutClose(), PLAT_WAVE_OK);
  std::vector<uint8_t> file = ReadBytes("render.wav");
  ASSERT_EQ(file.size(), 44 + a.size() + b.size());
  EXPECT_EQ(uint32_t(file[40] | file[41] << 8 | file[42] << 16), uint32_t(a.size() + b.size()));
  EXPECT_EQ(uint32_t(file[28] | file[29] << 8 | file[30] << 16), 176400u);
  EXPECT_EQ(memcmp(file.data() + 44, a.data(), a.size()), 0);
  EXPECT_EQ(memcmp(file.data() + 44 + a.size(), b.data(), b.size()), 0);
  PlatSetWaveOutFile(nullptr);
  PlatUseClock(saved);
}

}  // namespace
