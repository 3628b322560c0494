// The disk driver: writes the PCM to "output.wav" in the current directory, with a header that
// describes the data exactly once the output is closed.
#include <cmath>
#include <cstring>

#include <fcntl.h>
#include <unistd.h>

#include "sound/kvox.h"
#include "sound/kvox_wave.h"

namespace {

constexpr const char* kFileName = "output.wav";

int fileHandle = -1;
uint8_t isOpen = 0;
int32_t total = 0;
int32_t bitsPerSample = 16;
int32_t panning = 0;
float volume = 1.0f;
uint8_t header[44];

int32_t Zero() { return 0; }
int32_t Caps() { return 3; }
int32_t Dry() { return -1; }

int32_t Init() {
  total = 0;
  return 0;
}

int32_t InitSamplePlay(int32_t bits, int32_t channels, int32_t rate, int32_t) {
  if (isOpen) {
    if (KVOX_Flags & 1) KVOX_SysError("Uninit sample output first!");
    return -1;
  }
  fileHandle = open(kFileName, O_CREAT | O_TRUNC | O_WRONLY, 0600);
  if (fileHandle < 0) {
    if (KVOX_Flags & 1) KVOX_SysError("Cannot open file %s.", kFileName);
    return -1;
  }
  KvoxWaveHeader(header, rate, channels, bits, 0);
  ssize_t ignored = write(fileHandle, header, sizeof header);
  (void)ignored;
  isOpen = 1;
  total = 0;
  bitsPerSample = bits;
  return 0;
}

int32_t UninitSamplePlay() {
  if (!isOpen) return 0;
  KvoxPut32(header + 4, uint32_t(36 + total));
  KvoxPut32(header + 40, uint32_t(total));
  off_t here = lseek(fileHandle, 0, SEEK_CUR);
  lseek(fileHandle, 0, SEEK_SET);
  ssize_t ignored = write(fileHandle, header, sizeof header);
  (void)ignored;
  lseek(fileHandle, here, SEEK_SET);
  close(fileHandle);
  fileHandle = -1;
  isOpen = 0;
  return 0;
}

int32_t Write(int32_t* written, uint8_t* data, int32_t bytes) {
  if (bytes < 0) bytes = 0;
  if (volume != 1.0f && data) KvoxScalePcm(data, bytes, bitsPerSample, volume);
  if (isOpen && bytes > 0 && data) {
    ssize_t ignored = write(fileHandle, data, size_t(bytes));
    (void)ignored;
    total += bytes;
  }
  if (written) *written = bytes;
  return 0;
}

int32_t SendData(uint8_t* data, int32_t bytes) {
  int32_t written = 0;
  Write(&written, data, bytes);
  return 0;
}

float GetVolume() { return volume; }
int32_t SetVolume(float v) {
  volume = v;
  KVOX_Disk.volume = v;
  return 0;
}
int32_t SetPanning(int32_t p) {
  panning = p;
  return 0;
}

}  // namespace

KvoxSoundDriver KVOX_Disk = {"Disk Driver v1.01", Zero, Init, Zero, Caps, InitSamplePlay, UninitSamplePlay, Write,
                             SendData, Zero, GetVolume, SetVolume, SetPanning, Zero, Dry, 0, 1.0f};
