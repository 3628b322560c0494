// The "webaudio" wave-out sink: the page's AudioWorklet plays the queue (web/audio-worklet.js).
//
// The page makes the audio context at 44.1 kHz on the viewer's click (Module.tarvonAudio); the
// browser resamples when the hardware runs at another rate. The worklet cannot reach the queue,
// so the main thread pulls from it at the pace of the context's clock, keeping kLeadMs of sound
// ahead of what the context has played, and posts each piece to the worklet. A header is marked
// done once its bytes have gone to the worklet, about kLeadMs before they are heard, as a sound
// card marks a block done once it holds it. When the queue runs dry the gap plays as silence, and
// the sound that comes after it plays from then on, kLeadMs ahead again.
#include <emscripten.h>

#include <algorithm>
#include <cstdint>
#include <vector>

#include "platform/waveout.h"

namespace {

constexpr double kLeadMs = 120;      // sound handed to the worklet ahead of the context's clock
constexpr double kMostAtOnceMs = 500;

struct WebAudioState {
  bool open = false;
  PlatWaveFormat format = {2, 44100, 16};
  double pulledFrames = 0;   // frames handed over (or skipped as silence) since open
  bool dry = false;          // the last pull found the queue empty
  std::vector<uint8_t> piece;
};

WebAudioState audio;

// clang-format off
EM_JS(int, AudioRate, (), {
  const a = Module.tarvonAudio;
  return a && a.context && a.node ? a.context.sampleRate : 0;
});

// Frames the context has played since the sink opened.
EM_JS(double, AudioPlayedFrames, (), {
  const a = Module.tarvonAudio;
  return (a.context.currentTime - a.openTime) * a.context.sampleRate;
});

EM_JS(void, AudioStart, (), {
  const a = Module.tarvonAudio;
  a.openTime = a.context.currentTime;
  a.node.port.postMessage({type: 'reset'});
  if (a.context.state !== 'running') a.context.resume();
});

EM_JS(void, AudioStop, (), {
  const a = Module.tarvonAudio;
  if (a && a.node) a.node.port.postMessage({type: 'reset'});
});

// Posts `frames` frames of PCM (8-bit unsigned or 16-bit signed, 1 or 2 channels) as float stereo;
// `dry`: the queue had no more, so the silence after this piece is the program's own.
EM_JS(void, AudioPost, (const uint8_t* data, int frames, int channels, int bits, int dry), {
  const out = new Float32Array(frames * 2);
  if (bits == 16) {
    const s = new Int16Array(HEAPU8.buffer.slice(data, data + frames * channels * 2));
    for (let i = 0; i < frames; i++) {
      const l = s[i * channels] / 32768;
      out[2 * i] = l;
      out[2 * i + 1] = channels == 2 ? s[i * 2 + 1] / 32768 : l;
    }
  } else {
    for (let i = 0; i < frames; i++) {
      const l = (HEAPU8[data + i * channels] - 128) / 128;
      out[2 * i] = l;
      out[2 * i + 1] = channels == 2 ? (HEAPU8[data + i * 2 + 1] - 128) / 128 : l;
    }
  }
  Module.tarvonAudio.node.port.postMessage({type: 'pcm', samples: out, dry: dry != 0}, [out.buffer]);
});
// clang-format on

int32_t FrameBytes(const PlatWaveFormat& f) { return f.channels * f.bits / 8; }

int32_t WebDeviceCount() { return AudioRate() > 0 ? 1 : 0; }

bool WebSupports(const PlatWaveFormat& f) {
  return f.rate == AudioRate() && (f.bits == 8 || f.bits == 16) && (f.channels == 1 || f.channels == 2);
}

bool WebOpen(const PlatWaveFormat& f) {
  if (AudioRate() <= 0) return false;
  audio.format = f;
  audio.pulledFrames = 0;
  audio.dry = false;
  audio.open = true;
  AudioStart();
  return true;
}

void WebUpdate() {
  if (!audio.open) return;
  const double played = AudioPlayedFrames();
  // When the worklet has run out (the queue was dry, or the page lost its turns for a while), the
  // silence it played is gone: the sound goes on from now, kLeadMs ahead, and does not fall behind.
  if (audio.pulledFrames < played) audio.pulledFrames = played;
  const double wanted = played + kLeadMs * audio.format.rate / 1000 - audio.pulledFrames;
  if (wanted < 1) return;
  const int32_t frames = int32_t(std::min(wanted, kMostAtOnceMs * audio.format.rate / 1000));
  const int32_t frameBytes = FrameBytes(audio.format);
  audio.piece.resize(size_t(frames) * size_t(frameBytes));
  const int32_t got = PlatWaveOutPull(audio.piece.data(), frames * frameBytes) / frameBytes;
  const bool dry = got < frames;
  if (got > 0 || (dry && !audio.dry)) AudioPost(audio.piece.data(), got, audio.format.channels, audio.format.bits, dry);
  audio.dry = dry;
  audio.pulledFrames += got;
}

void WebClose() {
  if (!audio.open) return;
  audio.open = false;
  AudioStop();
}

}  // namespace

const PlatWaveSink PlatWaveWebAudioSink = {"webaudio", WebDeviceCount, WebSupports, WebOpen, WebUpdate, WebClose, nullptr};
