// Sound output costs: the MIDAS mixer (same rate and half rate) against a plain copy-and-convert of
// the same samples, and the whole player (forms, decoding, the MIDAS driver, the mixer, a wave-out that
// takes everything) against the decoder alone on the same stream.
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "midas/midas.h"
#include "midas/sdevice.h"
#include "platform/waveout.h"
#include "sound/kvox.h"

namespace {

using Clock = std::chrono::steady_clock;

double Seconds(Clock::time_point a) { return std::chrono::duration<double>(Clock::now() - a).count(); }

volatile uint32_t sink = 0;

std::vector<uint8_t> Signal(int32_t frames) {
  std::vector<uint8_t> v(static_cast<size_t>(frames) * 4);
  for (int32_t i = 0; i < frames; i++) {
    int16_t l = int16_t(12000 * std::sin(i * 0.05)), r = int16_t(9000 * std::cos(i * 0.031));
    memcpy(&v[size_t(4 * i)], &l, 2);
    memcpy(&v[size_t(4 * i + 2)], &r, 2);
  }
  return v;
}

// Seconds to mix `seconds` of output from a looping 16-bit stereo sample at `rate`.
double Mix(const std::vector<uint8_t>& sample, int32_t rate, int32_t seconds) {
  DsmChannel c{true, true, false, sample.data(), int32_t(sample.size() / 4), MIDAS_SAMPLE_16BIT_STEREO, rate, 64,
               0, 0, 0};
  std::vector<float> acc(882 * 2);
  std::vector<uint8_t> out(882 * 4);
  Clock::time_point t = Clock::now();
  for (int32_t tick = 0; tick < seconds * 50; tick++) {
    std::fill(acc.begin(), acc.end(), 0.0f);
    DsmMixChannel(c, acc.data(), 882, 44100, true);
    DsmConvert(acc.data(), 882 * 2, out.data(), false);
    sink = sink + out[100];
  }
  return Seconds(t);
}

// The peer: the same samples through a plain int16 -> float -> int16 copy.
double Copy(const std::vector<uint8_t>& sample, int32_t seconds) {
  const int16_t* in = reinterpret_cast<const int16_t*>(sample.data());
  size_t values = sample.size() / 2, at = 0;
  std::vector<float> acc(882 * 2);
  std::vector<int16_t> out(882 * 2);
  Clock::time_point t = Clock::now();
  for (int32_t tick = 0; tick < seconds * 50; tick++) {
    for (size_t i = 0; i < acc.size(); i++, at = (at + 1) % values) acc[i] = float(in[at]);
    for (size_t i = 0; i < acc.size(); i++) out[i] = int16_t(std::lrint(acc[i]));
    sink = sink + uint32_t(out[100]);
  }
  return Seconds(t);
}

int32_t OneDevice() { return 1; }
bool Any(const PlatWaveFormat&) { return true; }
bool OpenOk(const PlatWaveFormat&) { return true; }
void TakeAll() {
  static uint8_t buffer[1 << 18];
  while (PlatWaveOutPull(buffer, sizeof buffer) > 0) {}
}
void Nothing() {}
const PlatWaveSink kDrain = {"drain", OneDevice, Any, OpenOk, TakeAll, Nothing, nullptr};

std::vector<uint8_t> Music() {
  if (system("command -v lame >/dev/null 2>&1") != 0) return {};
  std::vector<uint8_t> wav(44 + 20 * 176400);
  memcpy(wav.data(), "RIFF", 4);
  uint32_t v;
  v = uint32_t(wav.size() - 8); memcpy(&wav[4], &v, 4);
  memcpy(&wav[8], "WAVEfmt ", 8);
  const uint8_t fmt[16] = {16, 0, 0, 0, 1, 0, 2, 0, 0x44, 0xAC, 0, 0, 0x10, 0xB1, 2, 0};
  memcpy(&wav[16], fmt, 16);
  wav[32] = 4; wav[34] = 16;
  memcpy(&wav[36], "data", 4);
  v = 20 * 176400; memcpy(&wav[40], &v, 4);
  std::vector<uint8_t> s = Signal(20 * 44100);
  memcpy(&wav[44], s.data(), s.size());
  { std::ofstream f("bench_sound.wav", std::ios::binary); f.write((const char*)wav.data(), std::streamsize(wav.size())); }
  if (system("lame --quiet -b 192 bench_sound.wav bench_sound.mp3") != 0) return {};
  std::ifstream f("bench_sound.mp3", std::ios::binary);
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>());
}

double DecodeOnly(const std::vector<uint8_t>& mp3) {
  KvoxMpegHeader h{};
  int32_t length = KvoxParseHeader(mp3.data(), int32_t(mp3.size()), &h);
  KvoxDecoderTable[0].init(&h, length, 0, 0, 0, 24000);
  std::vector<uint8_t> pcm(8192);
  Clock::time_point t = Clock::now();
  for (size_t at = 0; mp3.size() - at >= size_t(length);) {
    KvoxDecodeResult r = KvoxDecoderTable[0].decode(mp3.data() + at, int32_t(mp3.size() - at), pcm.data());
    if (r.consumed <= 0) break;
    at += size_t(r.consumed);
    sink = sink + pcm[7];
  }
  return Seconds(t);
}

double Player(const std::vector<uint8_t>& mp3) {
  PlatUseWaveOutSink(&kDrain);
  KVOX_Init(0);
  Clock::time_point t = Clock::now();
  KVOX_PrepareMPG(mp3.data(), int32_t(mp3.size()), 0, 100000, KVOX_INPUT_MEMORY);
  KVOX_PlayMPG();
  for (int32_t i = 0; i < 100000 && KVOX_Poll() == 0; i++) {}
  KVOX_FreeMPG();
  double s = Seconds(t);
  KVOX_Uninit();
  return s;
}

}  // namespace

int main() {
  const int32_t seconds = 60;
  std::vector<uint8_t> sample = Signal(44100);
  double same = Mix(sample, 44100, seconds), half = Mix(sample, 22050, seconds), copy = Copy(sample, seconds);
  printf("mixer, 44.1 kHz stereo stream: %.1fx real time, %.2fx the time of a plain copy and convert\n",
         seconds / same, same / copy);
  printf("mixer, 22.05 kHz stream into 44.1 kHz: %.1fx real time, %.2fx the copy\n", seconds / half, half / copy);
  printf("RESULT mixer_realtime=%.0f mixer_vs_copy=%.2f mixer_half_rate_vs_copy=%.2f\n", seconds / same, same / copy,
         half / copy);
  std::vector<uint8_t> mp3 = Music();
  if (mp3.empty()) {
    printf("player: skipped (lame is not installed)\n");
    return 0;
  }
  double decode = DecodeOnly(mp3), player = Player(mp3);
  printf("player over 20 s of 192 kbit/s music: %.1fx real time; %.2fx the time of the decoder alone\n", 20 / player,
         player / decode);
  printf("RESULT player_realtime=%.0f player_vs_decoder=%.2f\n", 20 / player, player / decode);
  return 0;
}
