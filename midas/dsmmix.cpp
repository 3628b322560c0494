// The mixing core: one channel into a float buffer on the 16-bit scale, with linear interpolation
// from the channel's rate to the mixing rate; then rounding and clipping into the output format.
//
// Gains: volume / 64, times the panning balance: left min(1, (64 - pan) / 64), right
// min(1, (64 + pan) / 64), so the middle plays both sides at full volume. A mono channel feeds both
// sides; mono output is the average of the two sides.
#include <algorithm>
#include <cmath>

#include "midas/midas.h"
#include "midas/sdevice.h"

namespace {

template <int32_t Type>
inline void Frame(const uint8_t* data, int32_t index, float* left, float* right) {
  if constexpr (Type == MIDAS_SAMPLE_8BIT_MONO) {
    *left = *right = float((int32_t(data[index]) - 128) * 256);
  } else if constexpr (Type == MIDAS_SAMPLE_16BIT_MONO) {
    *left = *right = float(int16_t(uint16_t(data[2 * index] | (data[2 * index + 1] << 8))));
  } else if constexpr (Type == MIDAS_SAMPLE_8BIT_STEREO) {
    *left = float((int32_t(data[2 * index]) - 128) * 256);
    *right = float((int32_t(data[2 * index + 1]) - 128) * 256);
  } else {
    const uint8_t* p = data + 4 * index;
    *left = float(int16_t(uint16_t(p[0] | (p[1] << 8))));
    *right = float(int16_t(uint16_t(p[2] | (p[3] << 8))));
  }
}

template <int32_t Type>
void MixTyped(DsmChannel& c, float* acc, int32_t frames, int32_t mixRate, bool stereoOut) {
  const float volume = float(c.volume) / 64.0f;
  const float gainLeft = volume * std::min(1.0f, float(64 - c.panning) / 64.0f);
  const float gainRight = volume * std::min(1.0f, float(64 + c.panning) / 64.0f);
  const uint64_t step = (uint64_t(uint32_t(c.rate)) << 32) / uint64_t(uint32_t(mixRate));
  const uint64_t length = uint64_t(uint32_t(c.frames)) << 32;
  uint64_t position = c.position;
  for (int32_t i = 0; i < frames; i++) {
    int32_t index = int32_t(position >> 32);
    if (c.stream && index == c.writeFrame) break;   // nothing fed beyond here: silence until the next feed
    int32_t next = index + 1;
    if (next >= c.frames) next = c.loop ? 0 : index;
    if (c.stream && next == c.writeFrame) next = index;
    float l0, r0, l1, r1;
    Frame<Type>(c.data, index, &l0, &r0);
    Frame<Type>(c.data, next, &l1, &r1);
    const float t = float(uint32_t(position)) * (1.0f / 4294967296.0f);
    const float left = (l0 + (l1 - l0) * t) * gainLeft;
    const float right = (r0 + (r1 - r0) * t) * gainRight;
    if (stereoOut) {
      acc[2 * i] += left;
      acc[2 * i + 1] += right;
    } else {
      acc[i] += (left + right) * 0.5f;
    }
    // Advance; a stream never steps over its write position.
    uint64_t advanced = position + step;
    if (c.stream) {
      int32_t ahead = c.writeFrame - index;
      if (ahead < 0) ahead += c.frames;
      if ((advanced >> 32) - uint64_t(index) >= uint64_t(ahead))
        advanced = (uint64_t(uint32_t(index)) + uint64_t(ahead)) << 32;
    }
    if (advanced >= length) {
      if (!c.loop) {
        c.playing = false;
        position = 0;
        break;
      }
      advanced %= length;
    }
    position = advanced;
  }
  c.position = position;
}

}  // namespace

void DsmMixChannel(DsmChannel& c, float* accumulator, int32_t frames, int32_t mixRate, bool stereoOut) {
  if (!c.playing || !c.data || c.frames <= 0 || c.rate <= 0 || mixRate <= 0) return;
  switch (c.type) {
    case MIDAS_SAMPLE_8BIT_MONO: MixTyped<MIDAS_SAMPLE_8BIT_MONO>(c, accumulator, frames, mixRate, stereoOut); break;
    case MIDAS_SAMPLE_16BIT_MONO: MixTyped<MIDAS_SAMPLE_16BIT_MONO>(c, accumulator, frames, mixRate, stereoOut); break;
    case MIDAS_SAMPLE_8BIT_STEREO: MixTyped<MIDAS_SAMPLE_8BIT_STEREO>(c, accumulator, frames, mixRate, stereoOut); break;
    case MIDAS_SAMPLE_16BIT_STEREO: MixTyped<MIDAS_SAMPLE_16BIT_STEREO>(c, accumulator, frames, mixRate, stereoOut); break;
    default: break;
  }
}

// Rounds to the nearest integer, ties to even, as lrint does in the default rounding mode, without a
// library call: adding and taking away 1.5 x 2^23 leaves the float rounded to an integer.
inline int32_t RoundClip(float v) {
  if (!(v >= -32768.0f)) v = -32768.0f;   // also catches NaN
  if (v > 32767.0f) v = 32767.0f;
  return int32_t((v + 12582912.0f) - 12582912.0f);
}

void DsmConvert(const float* accumulator, int32_t values, uint8_t* out, bool eightBit) {
  for (int32_t i = 0; i < values; i++) {
    int32_t v = RoundClip(accumulator[i]);
    if (eightBit) {
      out[i] = uint8_t((v >> 8) ^ 128);
    } else {
      out[2 * i] = uint8_t(v);
      out[2 * i + 1] = uint8_t(uint16_t(v) >> 8);
    }
  }
}
