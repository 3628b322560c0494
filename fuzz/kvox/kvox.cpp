// The sound library's player over arbitrary input: prepare from memory, play, poll to the end, free,
// through either a driver that takes everything or the MIDAS driver into a wave-out that drains itself.
// The first input byte picks the driver, the flags and the buffer size; the rest is the stream.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "platform/waveout.h"
#include "sound/kvox.h"

namespace {

int32_t Zero() { return 0; }
int32_t Three() { return 3; }
int32_t Dry() { return -1; }
int32_t InitSample(int32_t, int32_t, int32_t, int32_t) { return 0; }
int32_t Write(int32_t* w, uint8_t*, int32_t bytes) {
  *w = bytes;
  return 0;
}
int32_t SendHalf(uint8_t*, int32_t bytes) { return bytes / 2; }
float Volume() { return 1.0f; }
int32_t SetVolume(float) { return 0; }
int32_t SetPanning(int32_t) { return 0; }
KvoxSoundDriver Taker = {"Fuzz", Zero, Zero, Zero, Three, InitSample, Zero, Write, SendHalf, Zero, Volume,
                         SetVolume, SetPanning, Zero, Dry, 0, 1.0f};

int32_t OneDevice() { return 1; }
bool Any(const PlatWaveFormat&) { return true; }
bool OpenOk(const PlatWaveFormat&) { return true; }
void Drain() {
  static uint8_t buffer[1 << 16];
  while (PlatWaveOutPull(buffer, sizeof buffer) > 0) {}
}
void Nothing() {}
const PlatWaveSink kDrain = {"drain", OneDevice, Any, OpenOk, Drain, Nothing, nullptr};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1 || size > 200000) return 0;
  static bool started = false;
  if (!started) {
    PlatUseWaveOutSink(&kDrain);
    KVOX_Init(0);
    started = true;
  }
  const uint8_t choice = data[0];
  KVOX_Flags = 0;
  KVOX_SetDriver((choice & 0x80) ? &KVOX_MIDAS : &Taker);
  const int32_t flags = (choice & 3) | ((choice >> 2) & 3) << 4 | ((choice >> 4) & 3) << 8;
  const int32_t bufferBytes = (choice & 0x40) ? 12000 : 100000;
  std::vector<uint8_t> stream(data + 1, data + size);   // its own block, so reads past it are caught
  if (KVOX_PrepareMPG(stream.data(), int32_t(stream.size()), flags, bufferBytes, KVOX_INPUT_MEMORY) == 0) {
    KVOX_PlayMPG();
    for (int32_t i = 0; i < 400 && KVOX_Poll() == 0; i++) {}
    KVOX_FreeMPG();
  }
  return 0;
}
