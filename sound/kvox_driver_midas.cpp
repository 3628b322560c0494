// The MIDAS driver: PCM into one MIDAS polling stream of 1000 ms, mixed out on every poll.
#include <cmath>

#include "midas/midas.h"
#include "sound/kvox.h"

namespace {

MIDASstreamHandle gStream = nullptr;
int32_t gPanning = 0;
float gVolume = 1.0f;

int32_t Detect() {
  MIDASstartup();   // resets MIDAS's configuration; touches no hardware
  return 0;
}

int32_t Init() {
  MIDASsetOption(MIDAS_OPTION_FILTER_MODE, 0);
  return MIDASinit() ? 0 : -1;
}

int32_t Uninit() {
  gStream = nullptr;
  return MIDASclose() ? 0 : -1;
}

int32_t GetCaps() { return 3; }

int32_t InitSamplePlay(int32_t bits, int32_t channels, int32_t rate, int32_t) {
  if (!MIDASopenChannels(2)) return -1;
  int32_t type = bits == 8 ? (channels == 2 ? MIDAS_SAMPLE_8BIT_STEREO : MIDAS_SAMPLE_8BIT_MONO)
                           : (channels == 2 ? MIDAS_SAMPLE_16BIT_STEREO : MIDAS_SAMPLE_16BIT_MONO);
  gStream = MIDASplayStreamPolling(type, rate, 1000);
  return gStream ? 0 : -1;
}

int32_t UninitSamplePlay() {
  int32_t result = 0;
  if (!MIDASstopStream(gStream)) result = -1;
  gStream = nullptr;
  if (!MIDAScloseChannels()) result = -1;
  return result;
}

int32_t Write(int32_t* written, uint8_t* data, int32_t bytes) {
  int32_t n = gStream ? MIDASfeedStreamData(gStream, data, bytes, true) : 0;
  if (written) *written = n;
  return 0;
}

int32_t SendData(uint8_t* data, int32_t bytes) {
  int32_t n = gStream ? MIDASfeedStreamData(gStream, data, bytes, false) : 0;
  return bytes - n;
}

int32_t GetStatus() { return 0; }
float GetVolume() { return gVolume; }

// 1.0 is MIDAS's 64; fractions round to the nearest step.
int32_t ToMidasVolume(float v) {
  if (!(v > 0.0f)) return 0;
  if (v >= 1.0f) return 64;
  return int32_t(std::lround(v * 64.0f));
}

int32_t SetVolume(float v) {
  gVolume = v;
  KVOX_MIDAS.volume = v;
  if (gStream) MIDASsetStreamVolume(gStream, ToMidasVolume(v));
  return 0;
}

int32_t SetPanning(int32_t p) {
  gPanning = p;
  if (gStream) MIDASsetStreamPanning(gStream, p);
  return 0;
}

int32_t Poll() {
  MIDASpoll();
  return 0;
}

int32_t StreamStat() { return MIDASgetStreamBytesBuffered(gStream) < 100 ? -1 : 0; }

}  // namespace

KvoxSoundDriver KVOX_MIDAS = {"MIDAS Driver v1.00", Detect, Init, Uninit, GetCaps, InitSamplePlay, UninitSamplePlay,
                              Write, SendData, GetStatus, GetVolume, SetVolume, SetPanning, Poll, StreamStat, 0, 1.0f};

bool KvoxPlaysSilent() { return KVOX_CurrentDriver == &KVOX_MIDAS && MIDASfellBackToNoSound(); }
