// Music playback control: the sound library's start and stop, the music file, and the polling thread
// that lets the library decode and feed its output every 100 ms.
#include "runtime/music.h"

#include <atomic>

#include "platform/platform.h"
#include "runtime/files.h"
#include "runtime/log.h"
#include "sound/kvox.h"

namespace {

int32_t initialised = 0;
int32_t loaded = 0;
int32_t playing = 0;
void* musicData = nullptr;

// The polling thread. The routine and interval may be changed while it runs, so they are atomic; the
// first-tick flag belongs to the thread (one thread at a time, each started after the last has ended).
std::atomic<int32_t> firstTick{1};
std::atomic<void (*)()> pollRoutine{nullptr};
std::atomic<int32_t> interval{100};
std::atomic<int32_t> stopRequest{0};
PlatThread* thread = nullptr;

void PollMp3() {
  if (firstTick.load()) {
    KVOX_PlayMPG();
    firstTick.store(0);
  } else if (KVOX_Poll() != 0) {
    Error("PlayMp3(): Couldn't poll the mp3");
  }
}

void PollThreadProc(void*) {
  while (!stopRequest.load()) {
    if (void (*routine)() = pollRoutine.load()) routine();
    PlatSleep(uint32_t(interval.load()));
  }
}

void StartPollThread(int32_t ms, void (*routine)()) {
  pollRoutine.store(routine);
  interval.store(ms);
  stopRequest.store(0);
  if (!thread) thread = PlatStartThread(PollThreadProc, nullptr, true);
}

void StopPollThread() {
  stopRequest.store(1);
  // Waiting for the thread to end is what makes StopMp3 safe: once it returns, no call into the sound
  // library is running or can start, so the music data and the decoder may be released.
  PlatJoinThread(thread);
  thread = nullptr;
}

// A fatal sound-library error ends the process at once with status 1. Its message goes into the log
// first, so that the log says why the show stopped; on a desktop the message box still shows it.
void LogSoundError(const char* message) {
  Error("KVOX_SysError(): %s", message);
  if (PlatHasDisplay()) PlatMessageBox("Kalvox v0.53.000", message);
}

}  // namespace

void InitMp3() {
  if (initialised) Fatal("InitMp3(): Already initialized");
  Info("InitMp3()");
  KVOX_SetErrorHandler(LogSoundError);
  KVOX_Init(1);
  if (KvoxPlaysSilent())
    Warning("InitMp3(): No sound device found, the music plays silent");
  initialised = 1;
}

void LoadMp3(const char* name) {
  if (!initialised) Fatal("LoadMp3(%s): InitMp3() not called", name);
  if (loaded) Fatal("LoadMp3(%s): UnloadMp3() not called", name);
  Info("LoadMp3(%s)", name);
  musicData = LoadFile(name, nullptr);
  int32_t size = FileSize(name);
  KVOX_PrepareMPG(musicData, size, 0, 100000, KVOX_INPUT_MEMORY);
  loaded = 1;
}

void PlayMp3() {
  Info("PlayMp3()");
  StartPollThread(100, PollMp3);
  playing = 1;
}

void StopMp3() {
  if (!playing) return;
  Info("StopMp3()");
  StopPollThread();
  playing = 0;
}

void UnloadMp3() {
  if (!initialised) {
    Error("UnloadMp3(): InitMp3() not called");
    return;
  }
  if (!loaded) {
    Error("UnloadMp3(): LoadMp3() not called");
    return;
  }
  Info("UnloadMp3()");
  StopMp3();
  UnloadFile(musicData);
  musicData = nullptr;
  KVOX_FreeMPG();
  loaded = 0;
}

void FreeMp3() {
  if (!initialised) {
    Error("FreeMp3(): InitMp3() not called");
    return;
  }
  if (loaded) {
    Error("FreeMp3(): UnloadMp3() not called");
    UnloadMp3();
    return;
  }
  Info("FreeMp3()");
  KVOX_Uninit();
  initialised = 0;
}
