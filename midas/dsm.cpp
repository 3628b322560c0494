// The software mixer's channels and its output: every call runs under MidasLock.
#include <algorithm>
#include <cstring>

#include "midas/midas.h"
#include "midas/sdevice.h"

namespace {

DsmChannel channels[kDsmMaxChannels];
int32_t channelCount = 0;
int32_t mixRate = 44100;
bool stereoOut = true;
bool eightBitOut = false;
bool mixerUp = false;

int32_t Check(int32_t channel) {
  if (!mixerUp) return MIDAS_ERR_INVALID_DEVICE;
  if (channel < 0 || channel >= channelCount) return MIDAS_ERR_INVALID_CHANNEL;
  return MIDAS_OK;
}

}  // namespace

int32_t DsmInit(int32_t rate, int32_t mode) {
  if (rate <= 0) return MIDAS_ERR_INVALID_ARGUMENTS;
  mixRate = rate;
  stereoOut = !(mode & MIDAS_MODE_MONO);
  eightBitOut = (mode & MIDAS_MODE_8BIT) != 0;
  channelCount = 0;
  for (DsmChannel& c : channels) c = DsmChannel{};
  mixerUp = true;
  return MIDAS_OK;
}

int32_t DsmClose() {
  mixerUp = false;
  channelCount = 0;
  return MIDAS_OK;
}

int32_t DsmOpenChannels(int32_t count) {
  if (!mixerUp) return MIDAS_ERR_INVALID_DEVICE;
  if (count < 1 || count > kDsmMaxChannels) return MIDAS_ERR_INVALID_ARGUMENTS;
  for (DsmChannel& c : channels) c = DsmChannel{};
  channelCount = count;
  return MIDAS_OK;
}

int32_t DsmCloseChannels() {
  for (DsmChannel& c : channels) c = DsmChannel{};
  channelCount = 0;
  return MIDAS_OK;
}

int32_t DsmChannelCount() { return channelCount; }

int32_t DsmPlaySound(int32_t channel, const uint8_t* data, int32_t frames, int32_t type, int32_t rate, bool loop,
                     bool stream) {
  if (int32_t e = Check(channel)) return e;
  if (!data || frames <= 0 || rate <= 0) return MIDAS_ERR_INVALID_ARGUMENTS;
  if (type < 1 || type > 4) return MIDAS_ERR_INVALID_SAMPLE_TYPE;
  DsmChannel& c = channels[channel];
  int32_t volume = c.volume, panning = c.panning;
  c = DsmChannel{true, loop, stream, data, frames, type, rate, volume, panning, 0, 0};
  return MIDAS_OK;
}

int32_t DsmStopSound(int32_t channel) {
  if (int32_t e = Check(channel)) return e;
  channels[channel].playing = false;
  channels[channel].data = nullptr;
  return MIDAS_OK;
}

int32_t DsmSetVolume(int32_t channel, int32_t volume) {
  if (int32_t e = Check(channel)) return e;
  channels[channel].volume = std::clamp(volume, 0, 64);
  return MIDAS_OK;
}

int32_t DsmSetPanning(int32_t channel, int32_t panning) {
  if (int32_t e = Check(channel)) return e;
  channels[channel].panning = std::clamp(panning, -64, 64);
  return MIDAS_OK;
}

int32_t DsmGetPosition(int32_t channel, int32_t* frame) {
  *frame = 0;
  if (int32_t e = Check(channel)) return e;
  *frame = int32_t(channels[channel].position >> 32);
  return MIDAS_OK;
}

int32_t DsmSetStreamWritePosition(int32_t channel, int32_t frame) {
  if (int32_t e = Check(channel)) return e;
  DsmChannel& c = channels[channel];
  if (c.frames > 0) c.writeFrame = ((frame % c.frames) + c.frames) % c.frames;
  return MIDAS_OK;
}

int32_t DsmBytesPerFrame() { return (stereoOut ? 2 : 1) * (eightBitOut ? 1 : 2); }

void DsmMix(uint8_t* out, int32_t frames) {
  constexpr int32_t kChunk = 512;
  float accumulator[kChunk * 2];
  const int32_t perFrame = stereoOut ? 2 : 1;
  const int32_t outBytes = eightBitOut ? 1 : 2;
  while (frames > 0) {
    int32_t n = std::min(frames, kChunk);
    std::fill(accumulator, accumulator + n * perFrame, 0.0f);
    for (int32_t i = 0; i < channelCount; i++)
      if (channels[i].playing) DsmMixChannel(channels[i], accumulator, n, mixRate, stereoOut);
    DsmConvert(accumulator, n * perFrame, out, eightBitOut);
    out += n * perFrame * outBytes;
    frames -= n;
  }
}
