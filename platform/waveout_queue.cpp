// The wave-out queue: headers written in order, played in order by the current sink, marked done once
// played. One device at a time.
#include <algorithm>
#include <atomic>
#include <cstring>
#include <mutex>
#include <string>

#include "platform/platform.h"
#include "platform/waveout.h"

namespace {

int32_t NoDevices() { return 0; }
bool NoFormat(const PlatWaveFormat&) { return false; }
bool NoOpen(const PlatWaveFormat&) { return false; }
void Nothing() {}

}  // namespace

// No device at all, on every system.
const PlatWaveSink PlatWaveNoneSink = {"none", NoDevices, NoFormat, NoOpen, nullptr, Nothing, nullptr};

namespace {

#if defined(__EMSCRIPTEN__)
const PlatWaveSink* const kDefaultSink = &PlatWaveWebAudioSink;   // in a browser: WebAudio
const PlatWaveSink* const kSinks[] = {&PlatWaveWebAudioSink, &PlatWaveRenderSink, &PlatWaveNoneSink};
#elif defined(_WIN32)
const PlatWaveSink* const kDefaultSink = &PlatWaveWinmmSink;   // on Windows: winmm's wave-out
const PlatWaveSink* const kSinks[] = {&PlatWaveWinmmSink, &PlatWaveRenderSink, &PlatWaveNoneSink};
#else
const PlatWaveSink* const kDefaultSink = &PlatWaveSdlSink;
const PlatWaveSink* const kSinks[] = {&PlatWaveSdlSink, &PlatWaveRenderSink, &PlatWaveNoneSink};
#endif

std::atomic<const PlatWaveSink*> currentSink{kDefaultSink};

std::mutex queueLock;            // guards the queue and the open state
PlatWaveHeader* queueHead = nullptr;
PlatWaveHeader* queueTail = nullptr;
int32_t queuedBytes = 0;
bool deviceOpen = false;
PlatWaveFormat openFormat = {2, 44100, 16};

bool ValidFormat(const PlatWaveFormat& f) {
  return (f.channels == 1 || f.channels == 2) && (f.bits == 8 || f.bits == 16) && f.rate > 0 && f.rate <= 384000;
}

std::atomic<const PlatWaveSink*> openSink{&PlatWaveNoneSink};   // the sink of the open device

// The sink that plays now: during an offline render (the render presenter is current) the default
// sink gives way to the render sink, which writes show.wav into the render's folder.
const PlatWaveSink* Resolve() {
  const PlatWaveSink* sink = currentSink.load();
  const PlatPresenter* presenter = PlatCurrentPresenter();
  if (sink == kDefaultSink && presenter && strcmp(presenter->name, "render") == 0) return &PlatWaveRenderSink;
  return sink;
}

// The system queue of the open sink, when the system keeps the queue (checked with the lock held).
const PlatWaveSystemQueue* SystemQueue() { return openSink.load()->system; }

void UpdateSink() {
  const PlatWaveSink* sink = openSink.load();
  if (sink->update) sink->update();
}

}  // namespace

const PlatWaveSink* PlatFindWaveOutSink(const char* name) {
  if (!name) return nullptr;
  for (const PlatWaveSink* s : kSinks)
    if (strcmp(s->name, name) == 0) return s;
  return nullptr;
}

void PlatUseWaveOutSink(const PlatWaveSink* sink) {
  std::lock_guard<std::mutex> hold(queueLock);
  if (!deviceOpen && sink) currentSink = sink;
}

const PlatWaveSink* PlatCurrentWaveOutSink() {
  std::lock_guard<std::mutex> hold(queueLock);
  return currentSink;
}

int32_t PlatWaveOutDeviceCount() { return Resolve()->deviceCount(); }

PlatWaveResult PlatWaveOutQuery(const PlatWaveFormat& f) {
  const PlatWaveSink* sink = Resolve();
  if (sink->deviceCount() <= 0) return PLAT_WAVE_BAD_DEVICE;
  if (!ValidFormat(f) || !sink->supports(f)) return PLAT_WAVE_BAD_FORMAT;
  return PLAT_WAVE_OK;
}

PlatWaveResult PlatWaveOutOpen(const PlatWaveFormat& f) {
  {
    std::lock_guard<std::mutex> hold(queueLock);
    if (deviceOpen) return PLAT_WAVE_ALLOCATED;
  }
  PlatWaveResult r = PlatWaveOutQuery(f);
  if (r != PLAT_WAVE_OK) return r;
  {
    std::lock_guard<std::mutex> hold(queueLock);
    queueHead = queueTail = nullptr;
    queuedBytes = 0;
    openFormat = f;
    deviceOpen = true;
  }
  openSink.store(Resolve());
  if (!openSink.load()->open(f)) {
    std::lock_guard<std::mutex> hold(queueLock);
    deviceOpen = false;
    return PLAT_WAVE_NO_DRIVER;
  }
  return PLAT_WAVE_OK;
}

PlatWaveResult PlatWaveOutPrepare(PlatWaveHeader* h) {
  if (!h || !h->data || h->bytes < 0) return PLAT_WAVE_BAD_PARAM;
  std::lock_guard<std::mutex> hold(queueLock);
  if (!deviceOpen) return PLAT_WAVE_BAD_DEVICE;
  if (SystemQueue()) return SystemQueue()->prepare(h);
  h->flags.fetch_or(PLAT_WAVE_PREPARED);
  return PLAT_WAVE_OK;
}

PlatWaveResult PlatWaveOutUnprepare(PlatWaveHeader* h) {
  if (!h) return PLAT_WAVE_BAD_PARAM;
  std::lock_guard<std::mutex> hold(queueLock);
  if (!deviceOpen) return PLAT_WAVE_BAD_DEVICE;
  if (h->flags.load() & PLAT_WAVE_QUEUED) return PLAT_WAVE_STILL_PLAYING;
  if (SystemQueue()) return SystemQueue()->unprepare(h);
  h->flags.fetch_and(~uint32_t(PLAT_WAVE_PREPARED));
  return PLAT_WAVE_OK;
}

PlatWaveResult PlatWaveOutWrite(PlatWaveHeader* h) {
  if (!h || !h->data || h->bytes < 0) return PLAT_WAVE_BAD_PARAM;
  {
    std::lock_guard<std::mutex> hold(queueLock);
    if (!deviceOpen) return PLAT_WAVE_BAD_DEVICE;
    uint32_t flags = h->flags.load();
    if (!(flags & PLAT_WAVE_PREPARED)) return PLAT_WAVE_UNPREPARED;
    if (flags & PLAT_WAVE_QUEUED) return PLAT_WAVE_STILL_PLAYING;
    if (SystemQueue()) return SystemQueue()->write(h);
    h->played = 0;
    h->next = nullptr;
    h->flags.store((flags & ~uint32_t(PLAT_WAVE_DONE)) | PLAT_WAVE_QUEUED);
    if (queueTail) queueTail->next = h;
    else queueHead = h;
    queueTail = h;
    queuedBytes += h->bytes;
  }
  UpdateSink();
  return PLAT_WAVE_OK;
}

PlatWaveResult PlatWaveOutReset() {
  std::lock_guard<std::mutex> hold(queueLock);
  if (!deviceOpen) return PLAT_WAVE_BAD_DEVICE;
  if (SystemQueue()) return SystemQueue()->reset();
  for (PlatWaveHeader* h = queueHead; h;) {
    PlatWaveHeader* next = h->next;
    h->next = nullptr;
    h->flags.store((h->flags.load() & ~uint32_t(PLAT_WAVE_QUEUED)) | PLAT_WAVE_DONE);
    h = next;
  }
  queueHead = queueTail = nullptr;
  queuedBytes = 0;
  return PLAT_WAVE_OK;
}

PlatWaveResult PlatWaveOutClose() {
  {
    std::lock_guard<std::mutex> hold(queueLock);
    if (!deviceOpen) return PLAT_WAVE_BAD_DEVICE;
    if (queueHead || (SystemQueue() && SystemQueue()->queuedBytes() > 0)) return PLAT_WAVE_STILL_PLAYING;
  }
  openSink.load()->close();   // outside the lock: a sink's player thread may be waiting for it
  std::lock_guard<std::mutex> hold(queueLock);
  deviceOpen = false;
  return PLAT_WAVE_OK;
}

void PlatWaveOutUpdate() {
  {
    std::lock_guard<std::mutex> hold(queueLock);
    if (!deviceOpen) return;
  }
  UpdateSink();
}

int32_t PlatWaveOutPull(uint8_t* out, int32_t bytes) {
  std::lock_guard<std::mutex> hold(queueLock);
  int32_t copied = 0;
  while (copied < bytes && queueHead) {
    PlatWaveHeader* h = queueHead;
    int32_t n = std::min(bytes - copied, h->bytes - h->played);
    if (n > 0) memcpy(out + copied, h->data + h->played, size_t(n));
    h->played += n;
    copied += n;
    queuedBytes -= n;
    if (h->played >= h->bytes) {
      queueHead = h->next;
      if (!queueHead) queueTail = nullptr;
      h->next = nullptr;
      h->flags.store((h->flags.load() & ~uint32_t(PLAT_WAVE_QUEUED)) | PLAT_WAVE_DONE);
    }
  }
  return copied;
}

int32_t PlatWaveOutQueuedBytes() {
  std::lock_guard<std::mutex> hold(queueLock);
  if (deviceOpen && SystemQueue()) return SystemQueue()->queuedBytes();
  return queuedBytes;
}

PlatWaveFormat PlatWaveOutFormat() {
  std::lock_guard<std::mutex> hold(queueLock);
  return openFormat;
}
