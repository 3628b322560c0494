// The disk driver: its WAVE header figures, volume scaling and the order of its calls; the no-sound
// and MIDAS drivers' small contracts.
#include "sound/kvox_wave.h"
#include "sound_fixture.h"

namespace {

uint32_t U32(const std::vector<uint8_t>& v, size_t at) {
  return uint32_t(v[at]) | uint32_t(v[at + 1]) << 8 | uint32_t(v[at + 2]) << 16 | uint32_t(v[at + 3]) << 24;
}
uint32_t U16(const std::vector<uint8_t>& v, size_t at) { return uint32_t(v[at]) | uint32_t(v[at + 1]) << 8; }

struct Disk : SoundTest {
  void SetUp() override {
    SoundTest::SetUp();
    ASSERT_EQ(KVOX_SetDriver(&KVOX_Disk), 0);
    KVOX_SetVolume(1.0f);
  }
  void TearDown() override {
    KVOX_Disk.UninitSamplePlay();
    KVOX_SetVolume(1.0f);
    SoundTest::TearDown();
  }
};

TEST_F(Disk, HeaderOfSixteenBitStereoAfterAMillionBytes) {
  std::remove("output.wav");
  ASSERT_EQ(KVOX_Disk.InitSamplePlay(16, 2, 44100, 100000), 0);
  EXPECT_TRUE(ReadBytes("output.wav").empty());   // the file takes its name once it is whole
  std::vector<uint8_t> block(100000, 3);
  int32_t written = 0;
  for (int32_t i = 0; i < 10; i++) {
    ASSERT_EQ(KVOX_Write(&written, block.data(), 100000), 0);
    EXPECT_EQ(written, 100000);
  }
  EXPECT_EQ(KVOX_Disk.StreamStat(), -1);
  ASSERT_EQ(KVOX_Disk.UninitSamplePlay(), 0);
  std::vector<uint8_t> f = ReadBytes("output.wav");
  ASSERT_EQ(f.size(), 1000044u);
  EXPECT_EQ(std::string(f.begin() + 8, f.begin() + 16), "WAVEfmt ");
  EXPECT_EQ(std::string(f.begin() + 36, f.begin() + 40), "data");
  // Sizes of the file and the format, the format, channels, rate, bytes a second, block, bits, data bytes.
  EXPECT_EQ((std::vector<uint32_t>{U32(f, 4), U32(f, 16), U16(f, 20), U16(f, 22), U32(f, 24), U32(f, 28), U16(f, 32),
                                   U16(f, 34), U32(f, 40)}),
            (std::vector<uint32_t>{1000036, 16, 1, 2, 44100, 176400, 4, 16, 1000000}));
}

TEST_F(Disk, EightBitMonoAt8000Hz) {
  ASSERT_EQ(KVOX_Disk.InitSamplePlay(8, 1, 8000, 0), 0);
  KVOX_Disk.UninitSamplePlay();
  std::vector<uint8_t> f = ReadBytes("output.wav");
  ASSERT_EQ(f.size(), 44u);
  EXPECT_EQ(U32(f, 28), 8000u);
  EXPECT_EQ(U16(f, 32), 1u);
  EXPECT_EQ(U16(f, 34), 8u);
}

TEST_F(Disk, HeaderRoutineKnowsPcmAndMuLawOnly) {
  uint8_t h[44] = {};
  EXPECT_EQ(KvoxWaveHeader(h, 8000, 1, 8, 10), 44);
  EXPECT_EQ(h[20], 7);
  uint8_t untouched[44] = {};
  EXPECT_EQ(KvoxWaveHeader(untouched, 8000, 1, 8, 3), 0);
  for (uint8_t b : untouched) EXPECT_EQ(b, 0);
}

TEST_F(Disk, VolumeScalesTheCallersDataInPlaceTowardZero) {
  ASSERT_EQ(KVOX_Disk.InitSamplePlay(16, 1, 44100, 0), 0);
  KVOX_SetVolume(0.5f);
  EXPECT_EQ(KVOX_GetVolume(), 0.5f);
  uint8_t pcm[6] = {0xE9, 0x03, 0x17, 0xFC, 0xFF, 0x7F};   // 1001, -1001, 32767
  int32_t written = 0;
  KVOX_Write(&written, pcm, 6);
  EXPECT_EQ(int16_t(pcm[0] | pcm[1] << 8), 500);
  EXPECT_EQ(int16_t(pcm[2] | pcm[3] << 8), -500);
  EXPECT_EQ(int16_t(pcm[4] | pcm[5] << 8), 16383);
  KVOX_Disk.UninitSamplePlay();
  std::vector<uint8_t> f = ReadBytes("output.wav");
  ASSERT_EQ(f.size(), 50u);
  EXPECT_EQ(int16_t(f[44] | f[45] << 8), 500);
  // Eight-bit bytes scale as unsigned values; a volume above 1 holds them to the sample range.
  uint8_t bytes[3] = {255, 128, 3};
  KvoxScalePcm(bytes, 3, 8, 0.5f);
  EXPECT_EQ(bytes[0], 127);
  EXPECT_EQ(bytes[1], 64);
  EXPECT_EQ(bytes[2], 1);
  uint8_t loud[4] = {0x00, 0x60, 0x00, 0xA0};   // 24576, -24576
  KvoxScalePcm(loud, 4, 16, 2.0f);
  EXPECT_EQ(int16_t(loud[0] | loud[1] << 8), 32767);
  EXPECT_EQ(int16_t(loud[2] | loud[3] << 8), -32768);
}

TEST_F(Disk, SecondInitWithoutUninitFails) {
  ASSERT_EQ(KVOX_Disk.InitSamplePlay(16, 2, 44100, 0), 0);
  EXPECT_EQ(KVOX_Disk.InitSamplePlay(16, 2, 44100, 0), -1);
  EXPECT_EXIT(
      {
        KVOX_Flags = 1;
        KVOX_Disk.InitSamplePlay(16, 2, 44100, 0);
      },
      ::testing::ExitedWithCode(1), "Uninit sample output first!");
  KVOX_Disk.UninitSamplePlay();
  EXPECT_EQ(KVOX_Disk.InitSamplePlay(16, 2, 44100, 0), 0);
}

TEST_F(Disk, NoSoundTakesEverythingAndNeverRunsDry) {
  uint8_t b[10] = {};
  EXPECT_EQ(KVOX_NoSound.SendData(b, 10), 0);
  EXPECT_EQ(KVOX_NoSound.StreamStat(), 0);
  EXPECT_EQ(KVOX_NoSound.GetCaps(), 3);
  EXPECT_EQ(KVOX_NoSound.GetVolume(), 1.0f);
}

TEST_F(Disk, MidasDriverStreamTypesAndStreamStatAt99And100Bytes) {
  ASSERT_EQ(KVOX_SetDriver(&KVOX_MIDAS), 0);
  ASSERT_EQ(KVOX_MIDAS.InitSamplePlay(16, 2, 44100, 0), 0);
  EXPECT_EQ(KVOX_MIDAS.StreamStat(), -1);
  std::vector<uint8_t> pcm(300000, 5);
  EXPECT_EQ(KVOX_MIDAS.SendData(pcm.data(), 95), 0);   // 95 bytes + one frame buffered
  EXPECT_EQ(KVOX_MIDAS.StreamStat(), -1);
  EXPECT_EQ(KVOX_MIDAS.SendData(pcm.data(), 1), 0);
  EXPECT_EQ(KVOX_MIDAS.StreamStat(), 0);
  EXPECT_EQ(KVOX_MIDAS.SendData(pcm.data(), 300000), 300000 - ((176400 - 96 - 4) & ~3));
  EXPECT_EQ(KVOX_MIDAS.UninitSamplePlay(), 0);
  // 8-bit mono streams: a ring of one second at the rate, one byte a frame.
  ASSERT_EQ(KVOX_MIDAS.InitSamplePlay(8, 1, 22050, 0), 0);
  EXPECT_EQ(KVOX_MIDAS.SendData(pcm.data(), 30000), 30000 - 22048);
  EXPECT_EQ(KVOX_MIDAS.UninitSamplePlay(), 0);
  EXPECT_EQ(KVOX_MIDAS.UninitSamplePlay(), -1);
}

}  // namespace
