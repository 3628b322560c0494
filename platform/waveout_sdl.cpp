// The "sdl" wave-out sink: SDL2 audio pulls the queue on its own thread; gaps play as silence.
#include <SDL.h>

#include <atomic>
#include <cstring>

#include "platform/waveout.h"

namespace {

std::atomic<bool> audioUp{false};
bool probed = false;   // the default device opened once since the subsystem came up
SDL_AudioDeviceID device = 0;
uint8_t silenceByte = 0;

bool StartAudio() {
  if (audioUp.load()) return true;
  if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) return false;
  audioUp.store(true);
  return true;
}

void StopAudio() {
  if (!audioUp.exchange(false)) return;
  probed = false;
  SDL_QuitSubSystem(SDL_INIT_AUDIO);
}

int32_t SdlDeviceCount() {
  if (!StartAudio()) return 0;
  int n = SDL_GetNumAudioDevices(0);
  if (n == 0) {
    // No device to play on: leave the subsystem down so it holds nothing open.
    if (!device) StopAudio();
    return 0;
  }
  if (device || probed) return n < 0 ? 1 : n;
  // Detection opens the default device once: a listed device that cannot be opened counts as none.
  SDL_AudioSpec want{};
  want.freq = 44100;
  want.format = AUDIO_S16LSB;
  want.channels = 2;
  want.samples = 1024;
  SDL_AudioDeviceID probe = SDL_OpenAudioDevice(nullptr, 0, &want, nullptr, SDL_AUDIO_ALLOW_ANY_CHANGE);
  if (!probe) {
    StopAudio();
    return 0;
  }
  SDL_CloseAudioDevice(probe);
  probed = true;
  return n < 0 ? 1 : n;   // a backend that cannot list its devices still has its default one
}

bool SdlSupports(const PlatWaveFormat& f) { return f.channels >= 1 && f.channels <= 2; }

void SDLCALL Callback(void*, Uint8* stream, int len) {
  int32_t got = PlatWaveOutPull(stream, len);
  if (got < len) memset(stream + got, silenceByte, size_t(len - got));
}

bool SdlOpen(const PlatWaveFormat& f) {
  if (!StartAudio()) return false;
  SDL_AudioSpec want{}, have{};
  want.freq = f.rate;
  want.format = f.bits == 8 ? AUDIO_U8 : AUDIO_S16LSB;
  want.channels = uint8_t(f.channels);
  want.samples = 1024;
  want.callback = Callback;
  silenceByte = f.bits == 8 ? 128 : 0;
  device = SDL_OpenAudioDevice(nullptr, 0, &want, &have, 0);   // SDL converts anything else for us
  if (!device) return false;
  SDL_PauseAudioDevice(device, 0);
  return true;
}

void SdlClose() {
  if (device) SDL_CloseAudioDevice(device);   // waits for a running callback to end
  device = 0;
  StopAudio();
}

}  // namespace

const PlatWaveSink PlatWaveSdlSink = {"sdl", SdlDeviceCount, SdlSupports, SdlOpen, nullptr, SdlClose, nullptr};
