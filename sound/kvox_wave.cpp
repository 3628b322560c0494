// The RIFF/WAVE header of the disk driver and its volume scaling.
#include <cmath>
#include <cstring>

#include "sound/kvox_wave.h"

int32_t KvoxWaveHeader(uint8_t out[44], int32_t rate, int32_t channels, int32_t bits, int32_t selector) {
  int32_t tag;
  if (selector == 0) tag = 1;
  else if (selector == 10) tag = 7;
  else return 0;
  memcpy(out, "RIFF", 4);
  KvoxPut32(out + 4, 36);
  memcpy(out + 8, "WAVEfmt ", 8);
  KvoxPut32(out + 16, 16);
  KvoxPut16(out + 20, uint32_t(tag));
  KvoxPut16(out + 22, uint32_t(channels));
  KvoxPut32(out + 24, uint32_t(rate));
  KvoxPut32(out + 28, uint32_t((int64_t(rate) * bits * channels + 7) / 8));
  KvoxPut16(out + 32, uint32_t((bits * channels + 7) / 8));
  KvoxPut16(out + 34, uint32_t(bits));
  memcpy(out + 36, "data", 4);
  KvoxPut32(out + 40, 0);
  return 44;
}

void KvoxScalePcm(uint8_t* data, int32_t bytes, int32_t bits, float volume) {
  if (bits == 8) {
    for (int32_t i = 0; i < bytes; i++) {
      float v = std::trunc(float(data[i]) * volume);
      data[i] = uint8_t(v < 0.0f ? 0.0f : v > 255.0f ? 255.0f : v);
    }
    return;
  }
  for (int32_t i = 0; i + 1 < bytes; i += 2) {
    int16_t s = int16_t(uint16_t(data[i] | (data[i + 1] << 8)));
    float v = std::trunc(float(s) * volume);
    int32_t r = int32_t(v < -32768.0f ? -32768.0f : v > 32767.0f ? 32767.0f : v);
    data[i] = uint8_t(r);
    data[i + 1] = uint8_t(uint16_t(r) >> 8);
  }
}
