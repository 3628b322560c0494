// Polling streams: ring sizes, feed limits, bytes buffered, poll output through a fake wave-out, the
// fatal path of poll, and a waiting feed drained by a poll on another thread.
#include <gtest/gtest.h>

#include <cstring>
#include <thread>
#include <vector>

#include "midas/fake_waveout.h"
#include "midas/midas.h"
#include "midas/sdevice.h"

namespace {

struct MidasStreams : ::testing::Test {
  void SetUp() override {
    fake_waveout::Install();
    MIDASstartup();
    ASSERT_EQ(MIDASinit(), 1);
    ASSERT_EQ(MIDASopenChannels(2), 1);
  }
  void TearDown() override {
    MIDASclose();
    MIDASstartup();
  }
};

std::vector<uint8_t> Ramp(int32_t bytes) {
  std::vector<uint8_t> v(static_cast<size_t>(bytes));
  for (int32_t i = 0; i < bytes; i++) v[size_t(i)] = uint8_t(i * 7 + (i >> 8));
  return v;
}

TEST_F(MidasStreams, RingOf1000MsAt22050Is22052BytesForEightBitMono) {
  MIDASstreamHandle s = MIDASplayStreamPolling(MIDAS_SAMPLE_8BIT_MONO, 22050, 1000);
  ASSERT_NE(s, nullptr);
  std::vector<uint8_t> big(40000, 200);
  // The whole ring less one frame is free, rounded down to 4 bytes.
  EXPECT_EQ(MIDASfeedStreamData(s, big.data(), 40000, false), 22048);
  EXPECT_EQ(MIDASfeedStreamData(s, big.data(), 40000, false), 0);
  EXPECT_EQ(MIDASgetStreamBytesBuffered(s), 22052 - 3);
}

TEST_F(MidasStreams, SixteenBitStereoRingTakes176396BytesAndReportsWhatIsBuffered) {
  MIDASstreamHandle s = MIDASplayStreamPolling(MIDAS_SAMPLE_16BIT_STEREO, 44100, 1000);
  ASSERT_NE(s, nullptr);
  EXPECT_EQ(MIDASgetStreamBytesBuffered(s), 4);   // empty ring: everything but one frame is free
  std::vector<uint8_t> data = Ramp(95);
  EXPECT_EQ(MIDASfeedStreamData(s, data.data(), 95, false), 95);
  EXPECT_EQ(MIDASgetStreamBytesBuffered(s), 99);
  EXPECT_EQ(MIDASfeedStreamData(s, data.data(), 1, false), 1);
  EXPECT_EQ(MIDASgetStreamBytesBuffered(s), 100);
  std::vector<uint8_t> big(300000, 1);
  EXPECT_EQ(MIDASfeedStreamData(s, big.data(), 300000, false), (176400 - 96 - 4) & ~3);
}

TEST_F(MidasStreams, BadTypesAndMissingChannelsAreErrors) {
  EXPECT_EQ(MIDASplayStreamPolling(9, 44100, 1000), nullptr);
  EXPECT_EQ(MIDASgetLastError(), 46);
  EXPECT_EQ(MIDASplayStreamPolling(0, 44100, 1000), nullptr);
  EXPECT_EQ(MIDASgetLastError(), 46);
  MIDASstreamHandle a = MIDASplayStreamPolling(MIDAS_SAMPLE_16BIT_MONO, 44100, 100);
  MIDASstreamHandle b = MIDASplayStreamPolling(MIDAS_SAMPLE_16BIT_MONO, 44100, 100);
  ASSERT_NE(a, nullptr);
  ASSERT_NE(b, nullptr);
  EXPECT_EQ(MIDASplayStreamPolling(MIDAS_SAMPLE_16BIT_MONO, 44100, 100), nullptr);
  EXPECT_EQ(MIDASgetLastError(), 48);
  EXPECT_EQ(MIDASstopStream(a), 1);
  EXPECT_EQ(MIDASstopStream(a), 0);   // a stopped handle is no longer valid
  EXPECT_EQ(MIDASfeedStreamData(a, nullptr, 0, false), 0);
  EXPECT_EQ(MIDAScloseChannels(), 1);
  EXPECT_EQ(MIDASplayStreamPolling(MIDAS_SAMPLE_16BIT_MONO, 44100, 100), nullptr);
  EXPECT_EQ(MIDASgetLastError(), 20);
}

TEST_F(MidasStreams, PollQueuesEveryFreeBlockWithTheFedSamplesAtTheSameRate) {
  MIDASstreamHandle s = MIDASplayStreamPolling(MIDAS_SAMPLE_16BIT_STEREO, 44100, 1000);
  std::vector<uint8_t> data = Ramp(100000);
  ASSERT_EQ(MIDASfeedStreamData(s, data.data(), 100000, false), 100000);
  ASSERT_EQ(MIDASpoll(), 1);
  EXPECT_EQ(PlatWaveOutQueuedBytes(), 33 * 2672);
  ASSERT_EQ(MIDASpoll(), 1);   // nothing done yet: nothing more is mixed
  EXPECT_EQ(PlatWaveOutQueuedBytes(), 33 * 2672);
  std::vector<uint8_t> played = fake_waveout::PlayAll();
  ASSERT_EQ(played.size(), size_t(33 * 2672));
  EXPECT_EQ(memcmp(played.data(), data.data(), played.size()), 0);
  ASSERT_EQ(MIDASpoll(), 1);
  played = fake_waveout::PlayAll();
  ASSERT_EQ(played.size(), size_t(33 * 2672));
  // The rest of what was fed, then silence: the stream never plays what was not fed.
  size_t rest = 100000 - 33 * 2672;
  EXPECT_EQ(memcmp(played.data(), data.data() + 33 * 2672, rest), 0);
  for (size_t i = rest; i < played.size(); i++) ASSERT_EQ(played[i], 0) << i;
  EXPECT_EQ(MIDASgetStreamBytesBuffered(s), 4);
}

TEST_F(MidasStreams, VolumeAndPanningReachTheMix) {
  MIDASstreamHandle s = MIDASplayStreamPolling(MIDAS_SAMPLE_16BIT_STEREO, 44100, 1000);
  std::vector<uint8_t> data(40000);
  for (size_t i = 0; i < data.size(); i += 2) {
    data[i] = 0x00;
    data[i + 1] = 0x10;   // 4096 in every sample
  }
  MIDASsetStreamVolume(s, 32);
  MIDASsetStreamPanning(s, 32);   // halfway right: the left side at half
  MIDASfeedStreamData(s, data.data(), 40000, false);
  MIDASpoll();
  std::vector<uint8_t> played = fake_waveout::PlayAll();
  ASSERT_GE(played.size(), size_t(16));
  int16_t left = int16_t(played[0] | (played[1] << 8));
  int16_t right = int16_t(played[2] | (played[3] << 8));
  EXPECT_EQ(left, 1024);
  EXPECT_EQ(right, 2048);
}

TEST_F(MidasStreams, ADeviceErrorInPollIsFatalWithItsMessage) {
  MIDASstreamHandle s = MIDASplayStreamPolling(MIDAS_SAMPLE_16BIT_STEREO, 44100, 1000);
  ASSERT_NE(s, nullptr);
  EXPECT_EXIT(
      {
        // The wave-out goes away under MIDAS: the next block cannot be written.
        PlatWaveOutReset();
        PlatWaveOutClose();
        MIDASpoll();
      },
      ::testing::ExitedWithCode(1), "MIDAS Error: Invalid device used");
}

TEST_F(MidasStreams, AWaitingFeedIsDrainedByPollsOnAnotherThread) {
  MIDASstreamHandle s = MIDASplayStreamPolling(MIDAS_SAMPLE_16BIT_STEREO, 44100, 1000);
  std::vector<uint8_t> data = Ramp(400000);
  std::vector<uint8_t> heard;
  std::atomic<bool> fed{false};
  // The first part goes in before the player starts, so that nothing silent is mixed ahead of it.
  int32_t first = MIDASfeedStreamData(s, data.data(), 400000, false);
  ASSERT_GT(first, 100000);
  std::thread player([&] {
    while (!fed.load() || PlatWaveOutQueuedBytes() > 0 || MIDASgetStreamBytesBuffered(s) > 4) {
      // Poll only with a full buffer's worth queued (or at the end), so the ring never runs dry.
      if (!fed.load() && MIDASgetStreamBytesBuffered(s) < 33 * 2672 + 4) {
        std::this_thread::yield();
        continue;
      }
      MIDASpoll();
      std::vector<uint8_t> got = fake_waveout::PlayAll();
      heard.insert(heard.end(), got.begin(), got.end());
      std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
  });
  EXPECT_EQ(MIDASfeedStreamData(s, data.data() + first, 400000 - first, true), 400000 - first);
  fed.store(true);
  player.join();
  ASSERT_GE(heard.size(), data.size());
  EXPECT_EQ(memcmp(heard.data(), data.data(), data.size()), 0);
}

}  // namespace
