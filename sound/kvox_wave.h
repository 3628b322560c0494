// The disk driver's helpers: the 44-byte RIFF/WAVE header and the in-place volume scaling, and the
// file the driver writes.
//
//   uint8_t h[44];
//   KvoxWaveHeader(h, 44100, 2, 16, 0);   // RIFF size 36, data size 0: patched when the file closes
#pragma once
#include <cstdint>

inline void KvoxPut16(uint8_t* p, uint32_t v) {
  p[0] = uint8_t(v);
  p[1] = uint8_t(v >> 8);
}
inline void KvoxPut32(uint8_t* p, uint32_t v) {
  for (int i = 0; i < 4; i++) p[i] = uint8_t(v >> (8 * i));
}

// Fills a header for (rate, channels, bits) with format selector 0 (PCM, tag 1) or 10 (mu-law, tag 7);
// returns 44, or 0 (nothing written) for any other selector.
int32_t KvoxWaveHeader(uint8_t out[44], int32_t rate, int32_t channels, int32_t bits, int32_t selector);

// Scales PCM in place by volume, truncating toward zero: 8-bit bytes as unsigned 0..255, 16-bit as
// signed little-endian samples. Results are held to the sample range.
void KvoxScalePcm(uint8_t* data, int32_t bytes, int32_t bits, float volume);

// Where the disk driver writes from its next InitSamplePlay on: "output.wav" in the current directory
// by default (and after a null path); tools name a file of their own.
void KvoxSetDiskFile(const char* path);
// Whether the last output the disk driver closed reached its name whole (false after a failed write:
// then no file was left, and an earlier file of that name is as it was).
bool KvoxDiskFileWritten();
