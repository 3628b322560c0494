// The wave device: the mixer's output in a ring of blocks queued to the platform's wave-out.
//
// Each poll refills every block that wave-out has finished with, in order, mixing at most one tick's
// worth of frames at a time, and writes each full block. Audio goes on between polls from the blocks
// already queued (the buffer length of option 3).
#include <chrono>
#include <cstdlib>
#include <new>
#include <thread>

#include "midas/midas.h"
#include "midas/sdevice.h"
#include "platform/waveout.h"

namespace {

constexpr int32_t kMaxBlocks = 64;

std::mutex waveLock;   // the device's own critical section
bool open = false;
int32_t rate = 44100;
int32_t mode = MIDAS_MODE_16BIT | MIDAS_MODE_STEREO;
int32_t frameBytes = 4;
int32_t blockCount = 0;
int32_t blockBytes = 0;
uint8_t* blocks[kMaxBlocks];
PlatWaveHeader* headers[kMaxBlocks];
int32_t current = 0;          // the block being filled
int32_t filled = 0;           // bytes of it already mixed
int32_t tickFrames = 0;
int32_t tickLeft = 0;
int32_t writtenThisPoll = 0;

int32_t MapWaveError(PlatWaveResult r) {
  switch (r) {
    case PLAT_WAVE_OK: return MIDAS_OK;
    case PLAT_WAVE_BAD_DEVICE: return MIDAS_ERR_INVALID_DEVICE;
    case PLAT_WAVE_ALLOCATED: return MIDAS_ERR_DEVICE_BUSY;
    case PLAT_WAVE_STILL_PLAYING: return MIDAS_ERR_DEVICE_BUSY;
    case PLAT_WAVE_NO_DRIVER: return MIDAS_ERR_DEVICE_NOT_AVAILABLE;
    case PLAT_WAVE_NO_MEMORY: return MIDAS_ERR_OUT_OF_MEMORY;
    case PLAT_WAVE_NOT_SUPPORTED: return MIDAS_ERR_UNSUPPORTED_FUNCTION;
    case PLAT_WAVE_BAD_PARAM: return MIDAS_ERR_INVALID_ARGUMENTS;
    case PLAT_WAVE_BAD_FORMAT: return MIDAS_ERR_BAD_OUTPUT_MODE;
    default: return MIDAS_ERR_UNDEFINED;
  }
}

PlatWaveFormat FormatOf(int32_t m, int32_t r) {
  return {(m & MIDAS_MODE_MONO) ? 1 : 2, r, (m & MIDAS_MODE_8BIT) ? 8 : 16};
}

void FreeBlocks() {
  for (int32_t i = 0; i < kMaxBlocks; i++) {
    free(blocks[i]);
    blocks[i] = nullptr;
    if (headers[i]) {
      headers[i]->~PlatWaveHeader();
      free(headers[i]);
    }
    headers[i] = nullptr;
  }
  blockCount = 0;
}

int32_t WaveDetect(bool* present) {
  *present = PlatWaveOutDeviceCount() > 0;
  return MIDAS_OK;
}

int32_t WaveInit(int32_t mixRate, int32_t outputMode) {
  std::lock_guard<std::mutex> hold(waveLock);
  if (open) return MIDAS_ERR_DEVICE_BUSY;
  if (mixRate <= 0) return MIDAS_ERR_INVALID_ARGUMENTS;
  // 8-bit when the mode has the 8-bit bit, mono when it has the mono bit; 16-bit stereo otherwise.
  int32_t m = ((outputMode & MIDAS_MODE_8BIT) ? MIDAS_MODE_8BIT : MIDAS_MODE_16BIT) |
              ((outputMode & MIDAS_MODE_MONO) ? MIDAS_MODE_MONO : MIDAS_MODE_STEREO);
  int32_t r = mixRate;
  PlatWaveResult q = PlatWaveOutQuery(FormatOf(m, r));
  if (q == PLAT_WAVE_BAD_FORMAT || q == PLAT_WAVE_NOT_SUPPORTED) {
    // Search the formats from the requested one down, each at the standard rates from the highest down.
    constexpr int32_t kModes[4] = {MIDAS_MODE_16BIT | MIDAS_MODE_STEREO, MIDAS_MODE_16BIT | MIDAS_MODE_MONO,
                                   MIDAS_MODE_8BIT | MIDAS_MODE_STEREO, MIDAS_MODE_8BIT | MIDAS_MODE_MONO};
    constexpr int32_t kRates[7] = {44100, 37800, 32000, 22050, 16000, 11025, 8000};
    int32_t first = 0;
    while (first < 4 && kModes[first] != m) first++;
    bool found = false;
    for (int32_t i = first; i < 4 && !found; i++)
      for (int32_t rr : kRates)
        if (PlatWaveOutQuery(FormatOf(kModes[i], rr)) == PLAT_WAVE_OK) {
          m = kModes[i];
          r = rr;
          found = true;
          break;
        }
    if (!found) return MIDAS_ERR_BAD_OUTPUT_MODE;
  } else if (q != PLAT_WAVE_OK) {
    return MapWaveError(q);
  }
  rate = r;
  mode = m;
  frameBytes = ((m & MIDAS_MODE_MONO) ? 1 : 2) * ((m & MIDAS_MODE_8BIT) ? 1 : 2);

  // Blocks: buffer length / 15 of them (at least one, at most 64), together holding the buffer length.
  int32_t lengthMs = MidasConfig[MIDAS_OPTION_MIXBUFLEN];
  if (lengthMs < 15) lengthMs = 15;
  if (lengthMs > 10000) lengthMs = 10000;
  int32_t count = lengthMs / 15;
  if (count > kMaxBlocks) count = kMaxBlocks;
  int64_t size = ((int64_t(r) * frameBytes * lengthMs / 1000) / count + 15) & ~int64_t(15);
  if (size < 16) size = 16;

  PlatWaveResult o = PlatWaveOutOpen(FormatOf(m, r));
  if (o != PLAT_WAVE_OK) return MapWaveError(o);
  for (int32_t i = 0; i < count; i++) {
    blocks[i] = static_cast<uint8_t*>(calloc(size_t(size), 1));
    void* h = calloc(1, sizeof(PlatWaveHeader));
    if (!blocks[i] || !h) {
      free(h);
      FreeBlocks();
      PlatWaveOutClose();
      return MIDAS_ERR_OUT_OF_MEMORY;
    }
    headers[i] = new (h) PlatWaveHeader;
    headers[i]->data = blocks[i];
    headers[i]->bytes = int32_t(size);
    headers[i]->flags.store(PLAT_WAVE_DONE);   // done and unprepared: free to fill
  }
  blockCount = count;
  blockBytes = int32_t(size);
  current = 0;
  filled = 0;

  int32_t error = DsmInit(r, m);
  if (error != MIDAS_OK) {
    FreeBlocks();
    PlatWaveOutClose();
    return error;
  }
  tickFrames = (r * 100 / 5000 + 1) & ~1;
  tickLeft = tickFrames;
  open = true;
  return MIDAS_OK;
}

int32_t WaveClose() {
  std::lock_guard<std::mutex> hold(waveLock);
  if (!open) return MIDAS_ERR_INVALID_DEVICE;
  PlatWaveOutReset();
  for (int32_t attempt = 0; attempt < 50; attempt++) {
    bool all = true;
    for (int32_t i = 0; i < blockCount; i++) all = all && PlatWaveIsDone(headers[i]);
    if (all) break;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  for (int32_t i = 0; i < blockCount; i++)
    if (PlatWaveIsPrepared(headers[i])) PlatWaveOutUnprepare(headers[i]);
  PlatWaveOutClose();
  FreeBlocks();
  open = false;
  return MIDAS_OK;
}

int32_t WaveStartPlay() {
  writtenThisPoll = 0;
  PlatWaveOutUpdate();   // a sink that plays on the caller's thread catches up to now
  return MIDAS_OK;
}

int32_t WavePlay(bool* tickDue) {
  std::lock_guard<std::mutex> hold(waveLock);
  *tickDue = false;
  if (!open) return MIDAS_ERR_INVALID_DEVICE;
  while (PlatWaveIsDone(headers[current]) && writtenThisPoll < blockCount) {
    PlatWaveHeader* h = headers[current];
    if (PlatWaveIsPrepared(h)) {
      PlatWaveResult r = PlatWaveOutUnprepare(h);
      if (r != PLAT_WAVE_OK) return MapWaveError(r);
    }
    int32_t frames = (blockBytes - filled) / frameBytes;
    if (frames > tickLeft) frames = tickLeft;
    DsmMix(blocks[current] + filled, frames);
    filled += frames * frameBytes;
    tickLeft -= frames;
    if (blockBytes - filled < frameBytes) {
      h->bytes = filled;
      PlatWaveResult r = PlatWaveOutPrepare(h);
      if (r == PLAT_WAVE_OK) r = PlatWaveOutWrite(h);
      if (r != PLAT_WAVE_OK) return MapWaveError(r);
      current = (current + 1) % blockCount;
      filled = 0;
      writtenThisPoll++;
    }
    if (tickLeft <= 0) {
      tickLeft = tickFrames;
      *tickDue = true;
      return MIDAS_OK;
    }
  }
  return MIDAS_OK;
}

int32_t WaveRate() { return rate; }
int32_t WaveMode() { return mode; }

}  // namespace

const MidasSoundDevice MidasWaveDevice = {"Windows Wave Sound Device 1.11", WaveDetect, WaveInit, WaveClose,
                                          WaveStartPlay, WavePlay, WaveRate, WaveMode};

int32_t MidasWaveBlockCount() { return blockCount; }
int32_t MidasWaveBlockBytes() { return blockBytes; }
int32_t MidasWaveTickFrames() { return tickFrames; }
