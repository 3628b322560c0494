// The disk driver: writes the PCM to "output.wav" in the current directory, with a header that
// describes the data exactly once the output is closed.
#include <cmath>
#include <cstring>

#include <fcntl.h>
#include <unistd.h>

#include "sound/kvox.h"
#include "sound/open_binary.h"
#include "sound/kvox_wave.h"

namespace {

constexpr const char* kFileName = "output.wav";

int gFileHandle = -1;
uint8_t gIsOpen = 0;
int32_t gTotal = 0;
int32_t gBitsPerSample = 16;
int32_t gPanning = 0;
float gVolume = 1.0f;
uint8_t gHeader[44];

int32_t Zero() { return 0; }
int32_t Caps() { return 3; }
int32_t Dry() { return -1; }

int32_t Init() {
  gTotal = 0;
  return 0;
}

int32_t InitSamplePlay(int32_t bits, int32_t channels, int32_t rate, int32_t) {
  if (gIsOpen) {
    if (KVOX_Flags & 1) KVOX_SysError("Uninit sample output first!");
    return -1;
  }
  gFileHandle = OpenBinary(kFileName, O_CREAT | O_TRUNC | O_WRONLY, 0600);
  if (gFileHandle < 0) {
    if (KVOX_Flags & 1) KVOX_SysError("Cannot open file %s.", kFileName);
    return -1;
  }
  KvoxWaveHeader(gHeader, rate, channels, bits, 0);
  ssize_t ignored = write(gFileHandle, gHeader, sizeof gHeader);
  (void)ignored;
  gIsOpen = 1;
  gTotal = 0;
  gBitsPerSample = bits;
  return 0;
}

int32_t UninitSamplePlay() {
  if (!gIsOpen) return 0;
  KvoxPut32(gHeader + 4, uint32_t(36 + gTotal));
  KvoxPut32(gHeader + 40, uint32_t(gTotal));
  off_t here = lseek(gFileHandle, 0, SEEK_CUR);
  lseek(gFileHandle, 0, SEEK_SET);
  ssize_t ignored = write(gFileHandle, gHeader, sizeof gHeader);
  (void)ignored;
  lseek(gFileHandle, here, SEEK_SET);
  close(gFileHandle);
  gFileHandle = -1;
  gIsOpen = 0;
  return 0;
}

int32_t Write(int32_t* written, uint8_t* data, int32_t bytes) {
  if (bytes < 0) bytes = 0;
  if (gVolume != 1.0f && data) KvoxScalePcm(data, bytes, gBitsPerSample, gVolume);
  if (gIsOpen && bytes > 0 && data) {
    ssize_t ignored = write(gFileHandle, data, size_t(bytes));
    (void)ignored;
    gTotal += bytes;
  }
  if (written) *written = bytes;
  return 0;
}

int32_t SendData(uint8_t* data, int32_t bytes) {
  int32_t written = 0;
  Write(&written, data, bytes);
  return 0;
}

float GetVolume() { return gVolume; }
int32_t SetVolume(float v) {
  gVolume = v;
  KVOX_Disk.volume = v;
  return 0;
}
int32_t SetPanning(int32_t p) {
  gPanning = p;
  return 0;
}

}  // namespace

KvoxSoundDriver KVOX_Disk = {"Disk Driver v1.01", Zero, Init, Zero, Caps, InitSamplePlay, UninitSamplePlay, Write,
                             SendData, Zero, GetVolume, SetVolume, SetPanning, Zero, Dry, 0, 1.0f};
