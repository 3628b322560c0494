// Music playback control: the order of calls and its faults, the polling thread's ticks and end, and
// that no sound-library call runs once StopMp3 has returned. The "device" is a thread that plays the
// wave-out queue, ten times faster than real time.
#include <atomic>
#include <chrono>
#include <string>
#include <thread>

#include "runtime/log.h"
#include "runtime/memory.h"
#include "runtime/music.h"
#include "sound_fixture.h"

namespace {

std::atomic<int32_t> updates{0};
void CountUpdate() { updates.fetch_add(1); }
const PlatWaveSink kCountingSink = {"counting", fake_waveout::Count, fake_waveout::Supports, fake_waveout::Open,
                                    CountUpdate, fake_waveout::Close, nullptr};

// Plays the queue from its own thread, as a sound card would.
struct Device {
  std::atomic<bool> run{true};
  std::thread thread{[this] {
    std::vector<uint8_t> buffer(17640);
    while (run.load()) {
      PlatWaveOutPull(buffer.data(), int32_t(buffer.size()));
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
  }};
  ~Device() {
    run.store(false);
    thread.join();
  }
};

// The polling thread starts the stream (KVOX_PlayMPG) on its first tick once per process only; a test
// that may run after another starts it itself, before the thread runs, as the library allows.
void StartMusic() {
  KVOX_PlayMPG();
  PlayMp3();
}

struct Music : SoundTest {
  void SetUp() override {
    SoundTest::SetUp();
    fake_waveout::devices = 1;
    PlatUseWaveOutSink(&kCountingSink);
    DebugMode = 1;
    InitLog();
    InitMemory();
    WriteBytes("fake.mp3", fake_mpeg::Stream(200));
  }
};

TEST_F(Music, AWholeShowLogsEachStepAndTheEndOfTheMusicOnEveryTick) {
  InitMp3();
  EXPECT_EQ(KVOX_CurrentDriver, &KVOX_MIDAS);
  EXPECT_EQ(KVOX_Flags, 1);
  LoadMp3("fake.mp3");
  EXPECT_EQ(KVOX_Player.prepared, 1);
  {
    Device device;
    StartMusic();
    const std::string ended = "ERROR: PlayMp3(): Couldn't poll the mp3 !";
    for (int32_t i = 0; i < 300 && !LogHas(ended); i++) std::this_thread::sleep_for(std::chrono::milliseconds(20));
    std::this_thread::sleep_for(std::chrono::milliseconds(250));
    StopMp3();
  }
  UnloadMp3();
  FreeMp3();
  EXPECT_EQ(MissingInOrder(ReadLines(), {"Info: InitMp3()", "Info: LoadMp3(fake.mp3)", "Info: PlayMp3()",
                                         "ERROR: PlayMp3(): Couldn't poll the mp3 !",
                                         "ERROR: PlayMp3(): Couldn't poll the mp3 !", "Info: StopMp3()",
                                         "Info: UnloadMp3()", "Info: FreeMp3()"}),
            "");
}

TEST_F(Music, NothingRunsInTheLibraryOnceStopMp3HasReturned) {
  InitMp3();
  LoadMp3("fake.mp3");
  Device device;
  for (int32_t round = 0; round < 4; round++) {
    PlayMp3();
    if (round % 2) std::this_thread::sleep_for(std::chrono::milliseconds(120));
    StopMp3();
    int32_t seen = updates.load();
    std::this_thread::sleep_for(std::chrono::milliseconds(150));
    EXPECT_EQ(updates.load(), seen) << "round " << round;
  }
  UnloadMp3();
  FreeMp3();
}

TEST_F(Music, ASecondPlayOfTheProcessOnlyPolls) {
  InitMp3();
  LoadMp3("fake.mp3");
  PlayMp3();   // (the library's state is looked at only once the thread has stopped)
  std::this_thread::sleep_for(std::chrono::milliseconds(150));
  StopMp3();
  UnloadMp3();
  LoadMp3("fake.mp3");
  PlayMp3();
  std::this_thread::sleep_for(std::chrono::milliseconds(250));
  StopMp3();
  EXPECT_EQ(KVOX_Player.playing, 0);   // the first tick has been used: the new stream is never started
  EXPECT_EQ(KVOX_Player.form.pcmFill, 176 * 400);
  UnloadMp3();
  FreeMp3();
}

TEST_F(Music, OrderFaultsAreFatalAtTheStartAndErrorsAtTheEnd) {
  UnloadMp3();
  FreeMp3();
  EXPECT_TRUE(LogHas("ERROR: UnloadMp3(): InitMp3() not called !"));
  EXPECT_TRUE(LogHas("ERROR: FreeMp3(): InitMp3() not called !"));
  ResetExitOnce();
  EXPECT_TRUE(RunGuarded(+[] { LoadMp3("fake.mp3"); }));
  EXPECT_TRUE(LogHas("FATAL ERROR: LoadMp3(fake.mp3): InitMp3() not called !!!"));

  InitMp3();
  ResetExitOnce();
  EXPECT_TRUE(RunGuarded(+[] { InitMp3(); }));
  EXPECT_TRUE(LogHas("FATAL ERROR: InitMp3(): Already initialized !!!"));
  UnloadMp3();
  EXPECT_TRUE(LogHas("ERROR: UnloadMp3(): LoadMp3() not called !"));
  StopMp3();   // not playing: nothing, not even a line
  EXPECT_FALSE(LogHas("Info: StopMp3()"));

  LoadMp3("fake.mp3");
  ResetExitOnce();
  EXPECT_TRUE(RunGuarded(+[] { LoadMp3("fake.mp3"); }));
  EXPECT_TRUE(LogHas("FATAL ERROR: LoadMp3(fake.mp3): UnloadMp3() not called !!!"));

  // After a panic exit the music is still loaded at the end: it is unloaded, the library stays up.
  FreeMp3();
  EXPECT_TRUE(LogHas("ERROR: FreeMp3(): UnloadMp3() not called !"));
  EXPECT_TRUE(LogHas("Info: UnloadMp3()"));
  EXPECT_EQ(KVOX_Player.prepared, 0);
  EXPECT_FALSE(LogHas("Info: FreeMp3()"));
  FreeMp3();
  EXPECT_TRUE(LogHas("Info: FreeMp3()"));
  ResetExitOnce();
}

TEST_F(Music, AnErrorOnTheMusicThreadEndsTheProgramWithStatusOne) {
  InitMp3();
  LoadMp3("fake.mp3");
  EXPECT_EXIT(
      {
        // The wave-out goes away under the stream: the thread's next poll cannot write a block.
        PlatWaveOutReset();
        PlatWaveOutClose();
        PlayMp3();
        std::this_thread::sleep_for(std::chrono::seconds(5));
      },
      ::testing::ExitedWithCode(1), "MIDAS Error: ");
  UnloadMp3();
  FreeMp3();
}

TEST_F(Music, WithoutASoundDeviceTheShowRunsSilentWithOneWarning) {
  fake_waveout::devices = 0;
  InitMp3();
  EXPECT_STREQ(MIDASgetDeviceName(), "Mixing No Sound Sound Device");
  LoadMp3("fake.mp3");
  StartMusic();
  std::this_thread::sleep_for(std::chrono::milliseconds(250));
  StopMp3();
  UnloadMp3();
  FreeMp3();
  EXPECT_EQ(LogCount("WARNING:"), 1);
  EXPECT_TRUE(LogHas("WARNING: InitMp3(): No sound device found, the music plays silent !"));
  EXPECT_FALSE(LogHas("ERROR: PlayMp3(): Couldn't poll the mp3 !"));   // the no-sound device never runs dry
}

}  // namespace
