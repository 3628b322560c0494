// MIDAS configuration, device choice and the wave device's block figures.
#include <gtest/gtest.h>

#include <cstring>

#include "midas/fake_waveout.h"
#include "midas/midas.h"
#include "midas/sdevice.h"
#include "platform/platform.h"

namespace {

struct MidasDevice : ::testing::Test {
  void SetUp() override {
    fake_waveout::Install();
    MIDASstartup();
  }
  void TearDown() override {
    MIDASclose();
    MIDASstartup();
  }
};

TEST_F(MidasDevice, StartupRestoresTheDefaultsAndIgnoresUnknownOptions) {
  const int32_t defaults[14] = {0, 44100, 0, 500, 16, 0, 0, 0, 100, 1, 3, 0, 64, 0};
  MIDASsetOption(MIDAS_OPTION_MIXRATE, 22050);
  MIDASsetOption(0, 7);
  MIDASsetOption(14, 7);
  EXPECT_EQ(MIDASgetOption(MIDAS_OPTION_MIXRATE), 22050);
  EXPECT_EQ(MIDASgetOption(14), 0);
  MIDASstartup();
  for (int32_t i = 1; i <= 13; i++) EXPECT_EQ(MIDASgetOption(i), defaults[i]) << "option " << i;
}

TEST_F(MidasDevice, DefaultsGiveThirtyThreeBlocksOf2672BytesAndA50HzTick) {
  ASSERT_EQ(MIDASinit(), 1);
  EXPECT_STREQ(MIDASgetDeviceName(), "Windows Wave Sound Device 1.11");
  EXPECT_FALSE(MIDASfellBackToNoSound());
  // Blocks, block bytes and tick frames; the format opened.
  EXPECT_EQ((std::vector<int32_t>{MidasWaveBlockCount(), MidasWaveBlockBytes(), MidasWaveTickFrames(),
                                  fake_waveout::opened.rate, fake_waveout::opened.channels, fake_waveout::opened.bits}),
            (std::vector<int32_t>{33, 2672, 882, 44100, 2, 16}));
}

TEST_F(MidasDevice, BufferOf1000MsIsCappedAt64Blocks) {
  MIDASsetOption(MIDAS_OPTION_MIXBUFLEN, 1000);
  ASSERT_EQ(MIDASinit(), 1);
  EXPECT_EQ(MidasWaveBlockCount(), 64);
  EXPECT_EQ(MidasWaveBlockBytes(), (176400 / 64 + 15) / 16 * 16);
}

TEST_F(MidasDevice, ATinyBufferLengthStillGivesOneBlock) {
  MIDASsetOption(MIDAS_OPTION_MIXBUFLEN, 3);
  ASSERT_EQ(MIDASinit(), 1);
  EXPECT_GE(MidasWaveBlockCount(), 1);
  EXPECT_EQ(MidasWaveBlockBytes() % 16, 0);
}

TEST_F(MidasDevice, WithoutWaveOutDeviceInitFallsBackToNoSound) {
  fake_waveout::devices = 0;
  ASSERT_EQ(MIDASinit(), 1);
  EXPECT_STREQ(MIDASgetDeviceName(), "Mixing No Sound Sound Device");
  EXPECT_TRUE(MIDASfellBackToNoSound());
  ASSERT_EQ(MIDASopenChannels(2), 1);
  MIDASstreamHandle s = MIDASplayStreamPolling(MIDAS_SAMPLE_16BIT_STEREO, 44100, 1000);
  ASSERT_NE(s, nullptr);
  uint8_t pcm[4000] = {};
  EXPECT_EQ(MIDASfeedStreamData(s, pcm, 4000, false), 4000);
  EXPECT_EQ(MIDASpoll(), 1);
  EXPECT_EQ(PlatWaveOutQueuedBytes(), 0);   // poll produces nothing
  EXPECT_EQ(MIDASgetStreamBytesBuffered(s), 4004);
}

TEST_F(MidasDevice, OptionThirteenForcesNoSoundWithoutCountingAsAFallback) {
  MIDASsetOption(MIDAS_OPTION_FORCE_NO_SOUND, 1);
  ASSERT_EQ(MIDASinit(), 1);
  EXPECT_STREQ(MIDASgetDeviceName(), "Mixing No Sound Sound Device");
  EXPECT_FALSE(MIDASfellBackToNoSound());
}

TEST_F(MidasDevice, DirectSoundIsLookedForOnlyWhenAskedAndNeedsAWindow) {
  ASSERT_EQ(MIDASinit(), 1);   // by default it is never looked for
  EXPECT_STREQ(MIDASgetDeviceName(), "Windows Wave Sound Device 1.11");
  MIDASclose();
  MIDASsetOption(MIDAS_OPTION_DSOUND_MODE, 1);
  EXPECT_EQ(MIDASinit(), 0);
  EXPECT_EQ(MIDASgetLastError(), 44);
  EXPECT_STREQ(MIDASgetErrorMessage(44), "DirectSound Window Handle not set");
  MIDASsetOption(MIDAS_OPTION_DSOUND_HWND, 1);
  if (PlatDirectSoundPresent()) {
    // Windows: found and chosen, but it has no output path; init says the device is not available.
    EXPECT_EQ(MIDASinit(), 0);
    EXPECT_EQ(MIDASgetLastError(), 40);
  } else {
    ASSERT_EQ(MIDASinit(), 1);
    EXPECT_STREQ(MIDASgetDeviceName(), "Windows Wave Sound Device 1.11");
  }
}

bool Only16BitMono22050(const PlatWaveFormat& f) { return f.bits == 16 && f.channels == 1 && f.rate == 22050; }
bool Only8BitMono(const PlatWaveFormat& f) { return f.bits == 8 && f.channels == 1 && f.rate == 11025; }

TEST_F(MidasDevice, AnUnsupportedFormatSearchesDownwards) {
  fake_waveout::accepts = Only16BitMono22050;
  ASSERT_EQ(MIDASinit(), 1);
  EXPECT_EQ(MIDASgetMixRate(), 22050);
  EXPECT_EQ(MIDASgetOutputMode(), MIDAS_MODE_16BIT | MIDAS_MODE_MONO);
  EXPECT_EQ(MidasWaveTickFrames(), 442);
  MIDASclose();
  fake_waveout::accepts = Only8BitMono;
  ASSERT_EQ(MIDASinit(), 1);
  EXPECT_EQ(MIDASgetMixRate(), 11025);
  EXPECT_EQ(MIDASgetOutputMode(), MIDAS_MODE_8BIT | MIDAS_MODE_MONO);
  MIDASclose();
  // The search starts at the requested format: asking for 8-bit never falls back to 16-bit.
  fake_waveout::accepts = Only16BitMono22050;
  MIDASsetOption(MIDAS_OPTION_OUTPUTMODE, MIDAS_MODE_8BIT | MIDAS_MODE_STEREO);
  EXPECT_EQ(MIDASinit(), 0);
  EXPECT_EQ(MIDASgetLastError(), 42);
}

TEST(MidasErrors, TheTableEndsAtItsLastCode) {
  EXPECT_STREQ(MIDASgetErrorMessage(51), "Unsupported sample data format");
  EXPECT_STREQ(MIDASgetErrorMessage(52), "Undefined error");
  EXPECT_STREQ(MIDASgetErrorMessage(-3), "Undefined error");
}

}  // namespace
