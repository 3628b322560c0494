// A wave-out sink for tests: a device that exists (or not), accepts the formats a test allows, and
// plays only when the test pulls from the queue (PlatWaveOutPull), standing in for the sound card.
#pragma once
#include <cstdint>
#include <vector>

#include "platform/waveout.h"

namespace fake_waveout {

inline int32_t devices = 1;
inline bool (*accepts)(const PlatWaveFormat&) = nullptr;   // null: every format
inline PlatWaveFormat opened = {0, 0, 0};
inline int32_t opens = 0;
inline int32_t closes = 0;

inline int32_t Count() { return devices; }
inline bool Supports(const PlatWaveFormat& f) { return accepts ? accepts(f) : true; }
inline bool Open(const PlatWaveFormat& f) {
  opened = f;
  opens++;
  return true;
}
inline void Close() { closes++; }

inline const PlatWaveSink kSink = {"fake", Count, Supports, Open, nullptr, Close, nullptr};

// Installs the sink with one device accepting everything.
inline void Install() {
  devices = 1;
  accepts = nullptr;
  PlatUseWaveOutSink(&kSink);
}

// Plays (takes out of the queue) everything queued so far.
inline std::vector<uint8_t> PlayAll() {
  std::vector<uint8_t> out(static_cast<size_t>(PlatWaveOutQueuedBytes()));
  int32_t got = PlatWaveOutPull(out.data(), int32_t(out.size()));
  out.resize(size_t(got));
  return out;
}

}  // namespace fake_waveout
