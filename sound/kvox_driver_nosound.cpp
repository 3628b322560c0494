// The no-sound driver: takes everything, plays nothing, never runs dry.
#include "sound/kvox.h"

namespace {

int32_t gPanning = 0;
float gVolume = 1.0f;

int32_t Zero() { return 0; }
int32_t Caps() { return 3; }
int32_t InitSamplePlay(int32_t, int32_t, int32_t, int32_t) { return 0; }
int32_t Write(int32_t* written, uint8_t*, int32_t bytes) {
  if (written) *written = bytes;
  return 0;
}
int32_t SendData(uint8_t*, int32_t) { return 0; }
float GetVolume() { return gVolume; }
int32_t SetVolume(float v) {
  gVolume = v;
  KVOX_NoSound.volume = v;
  return 0;
}
int32_t SetPanning(int32_t p) {
  gPanning = p;
  return 0;
}

}  // namespace

KvoxSoundDriver KVOX_NoSound = {"NoSound Driver v0.55", Zero, Zero, Zero, Caps, InitSamplePlay, Zero, Write, SendData,
                                Zero, GetVolume, SetVolume, SetPanning, Zero, Zero, 0, 1.0f};
