// Driver selection, the sample-play buffers, the pass-through calls and fatal errors.
#include <string>

#include "sound_fixture.h"

namespace {

// A driver that records what it is handed and takes `takes` bytes of each SendData.
namespace probe {
int32_t takes = 0;
int32_t detect = 0;
int32_t inits = 0, uninits = 0;
std::vector<uint8_t> written;
int32_t Detect() { return detect; }
int32_t Init() { inits++; return 0; }
int32_t Uninit() { uninits++; return 7; }
int32_t Caps() { return 3; }
int32_t InitSample(int32_t, int32_t, int32_t, int32_t) { return 0; }
int32_t Zero() { return 0; }
int32_t Write(int32_t* w, uint8_t* data, int32_t bytes) {
  written.insert(written.end(), data, data + bytes);
  *w = bytes;
  return 0;
}
int32_t Send(uint8_t*, int32_t bytes) { return bytes - (takes < bytes ? takes : bytes); }
float Volume() { return 0.25f; }
int32_t SetVolume(float) { return 0; }
int32_t SetPanning(int32_t) { return 0; }
int32_t Dry() { return -1; }
}  // namespace probe

KvoxSoundDriver Probe = {"Probe", probe::Detect, probe::Init, probe::Uninit, probe::Caps, probe::InitSample,
                         probe::Zero, probe::Write, probe::Send, probe::Zero, probe::Volume, probe::SetVolume,
                         probe::SetPanning, probe::Zero, probe::Dry, 0, 1.0f};

using Api = SoundTest;

TEST_F(Api, InitSelectsMidasWhateverTheDeviceAndProbesEveryDriver) {
  fake_waveout::devices = 0;
  EXPECT_EQ(KVOX_Init(1), 0);
  ASSERT_EQ(KVOX_CurrentDriver, &KVOX_MIDAS);
  EXPECT_STREQ(KVOX_CurrentDriver->name, "MIDAS Driver v1.00");
  EXPECT_EQ(KVOX_Flags, 1);
  for (KvoxSoundDriver* d : KVOX_SoundDrivers) EXPECT_EQ(d->usable, 1) << d->name;
  EXPECT_STREQ(KVOX_SoundDrivers[1]->name, "NoSound Driver v0.55");
  EXPECT_STREQ(KVOX_SoundDrivers[2]->name, "Disk Driver v1.01");
  EXPECT_STREQ(MIDASgetDeviceName(), "Mixing No Sound Sound Device");
  EXPECT_EQ(KVOX_GetCaps(), 3);
}

TEST_F(Api, SetDriverSwitchesOrKeepsTheEarlierDriver) {
  KVOX_Init(0);
  EXPECT_EQ(KVOX_SetDriver(nullptr), -1);
  probe::detect = 0;
  probe::inits = 0;
  EXPECT_EQ(KVOX_SetDriver(&Probe), 0);
  EXPECT_EQ(KVOX_CurrentDriver, &Probe);
  EXPECT_EQ(probe::inits, 1);
  EXPECT_EQ(KVOX_Uninit(), 7);   // the driver's own result
  EXPECT_EQ(KVOX_CurrentDriver, &Probe);
  probe::detect = 1;             // not usable: the earlier driver comes back
  EXPECT_EQ(KVOX_SetDriver(&KVOX_NoSound), 0);
  EXPECT_EQ(KVOX_SetDriver(&Probe), -1);
  EXPECT_EQ(KVOX_CurrentDriver, &KVOX_NoSound);
  probe::detect = 0;
}

TEST_F(Api, CallsWithoutADriverReturnMinusOne) {
  KvoxSoundDriver* saved = KVOX_CurrentDriver;
  KVOX_CurrentDriver = nullptr;
  uint8_t b[4] = {};
  int32_t w = 0;
  EXPECT_EQ(KVOX_GetVolume(), -1.0f);
  EXPECT_EQ((std::vector<int32_t>{KVOX_Uninit(), KVOX_GetCaps(), KVOX_InitSamplePlay(16, 2, 44100, 100),
                                  KVOX_UninitSamplePlay(), KVOX_FillBuffers(b, 4), KVOX_StartSamplePlay(),
                                  KVOX_Write(&w, b, 4), KVOX_SendData(b, 4), KVOX_SetVolume(0.5f), KVOX_SetPanning(3),
                                  KVOX_Poll(), KVOX_StreamStat()}),
            std::vector<int32_t>(12, -1));
  EXPECT_EQ(KVOX_GetStatus(), 0);
  KVOX_CurrentDriver = saved;
}

TEST_F(Api, SendDataMovesTheUntakenTailToTheFront) {
  probe::detect = 0;
  KVOX_SetDriver(&Probe);
  std::vector<uint8_t> data = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10};
  probe::takes = 0;
  EXPECT_EQ(KVOX_SendData(data.data(), 10), 10);
  EXPECT_EQ(data, (std::vector<uint8_t>{1, 2, 3, 4, 5, 6, 7, 8, 9, 10}));
  probe::takes = 6;
  EXPECT_EQ(KVOX_SendData(data.data(), 10), 4);
  EXPECT_EQ(std::vector<uint8_t>(data.begin(), data.begin() + 4), (std::vector<uint8_t>{7, 8, 9, 10}));
  probe::takes = 100;
  EXPECT_EQ(KVOX_SendData(data.data(), 4), 0);
  EXPECT_EQ(KVOX_GetVolume(), 0.25f);
}

TEST_F(Api, SamplePlayFillsTwoBuffersThenStarts) {
  probe::detect = 0;
  KVOX_SetDriver(&Probe);
  probe::written.clear();
  ASSERT_EQ(KVOX_InitSamplePlay(16, 2, 44100, 8), 0);
  const uint8_t a[8] = {1, 1, 1, 1, 1, 1, 1, 1}, b[8] = {2, 2, 2, 2, 2, 2, 2, 2};
  EXPECT_EQ(KVOX_GetStatus(), 0);
  EXPECT_EQ(KVOX_FillBuffers(a, 8), 3);
  EXPECT_EQ(KVOX_StartSamplePlay(), 3);
  EXPECT_EQ(KVOX_FillBuffers(a, 9), -1);   // more than a buffer holds: refused, nothing copied
  EXPECT_EQ(KVOX_FillBuffers(a, -1), -1);
  EXPECT_EQ(KVOX_FillBuffers(b, 6), 0);
  EXPECT_EQ(KVOX_AllBufferFilled, 1);
  EXPECT_EQ(KVOX_CurrentBuffer, 0);
  EXPECT_EQ(KVOX_Buffering[1].bytes, 6);
  EXPECT_EQ(KVOX_StartSamplePlay(), 0);
  EXPECT_EQ(probe::written, std::vector<uint8_t>(a, a + 8));
  // With a callback its block is copied into the buffer just written, ready for the next start.
  static uint8_t next[20] = {9, 9, 9, 9, 9, 9, 9, 9, 9, 9, 9, 9, 9, 9, 9, 9, 9, 9, 9, 9};
  static KvoxBuffer nextBlock = {next, 20};
  KVOX_SetCallBack(+[]() { return &nextBlock; });
  probe::written.clear();
  EXPECT_EQ(KVOX_StartSamplePlay(), 0);
  EXPECT_EQ(probe::written, std::vector<uint8_t>(a, a + 8));
  EXPECT_EQ(KVOX_Buffering[0].bytes, 8);   // the callback's 20 bytes are cut to the buffer
  EXPECT_EQ(KVOX_Buffering[0].data[7], 9);
  KVOX_SetCallBack(nullptr);
  EXPECT_EQ(KVOX_UninitSamplePlay(), 0);
  EXPECT_EQ(KVOX_Buffering[0].data, nullptr);
}

TEST_F(Api, FillBuffersBeyondTheBufferIsFatalWithFlagBitZero) {
  probe::detect = 0;
  KVOX_SetDriver(&Probe);
  KVOX_InitSamplePlay(16, 2, 44100, 8);
  uint8_t big[100] = {};
  EXPECT_EXIT(
      {
        KVOX_Flags = 1;
        KVOX_FillBuffers(big, 100);
      },
      ::testing::ExitedWithCode(1), "100 bytes don't fit in a buffer of 8 bytes");
  KVOX_UninitSamplePlay();
}

TEST_F(Api, SysErrorCutsLongMessagesAndStopsTheDriverFirst) {
  std::string word(2000, 'x');
  EXPECT_EXIT(
      {
        probe::detect = 0;
        KVOX_SetDriver(&Probe);
        KVOX_SetErrorHandler(+[](const char* m) {
          fprintf(stderr, "length %zu uninits %d\n", strlen(m), probe::uninits);
        });
        probe::uninits = 0;
        KVOX_SysError("%s %d", word.c_str(), 5);
      },
      ::testing::ExitedWithCode(1), "length 511 uninits 1");
  EXPECT_EXIT(KVOX_SysError("Can't find usable driver."), ::testing::ExitedWithCode(1),
              "Kalvox v0.53.000: Can't find usable driver\\.");
}

TEST_F(Api, MallocZeroFillsAndFailsFatally) {
  uint8_t* p = static_cast<uint8_t*>(KVOX_malloc(1000));
  for (int32_t i = 0; i < 1000; i++) ASSERT_EQ(p[i], 0);
  free(p);
  EXPECT_EXIT(KVOX_malloc(-5), ::testing::ExitedWithCode(1),
              "KVOX_malloc\\(\\) : insufficient memory! \\(-5 bytes were needed\\)");
}

}  // namespace
