// The "winmm" wave-out sink: the system's wave mapper plays the queue. Every queue call is handed on
// to its winmm call (waveOutPrepareHeader, waveOutWrite, waveOutUnprepareHeader, waveOutReset,
// waveOutClose), each block with a system header of its own in locked global memory pointing at the
// caller's bytes, so the system plays the caller's blocks in place, in order. The system marks a
// block done once played; its done callback (on the system's thread) mirrors that into the header's
// flags at once, so a caller polling PlatWaveIsDone sees what it would see in the system's header.
#include <windows.h>
#include <mmsystem.h>

#include <algorithm>
#include <cstdio>
#include <vector>

#include "platform/waveout.h"

namespace {

HWAVEOUT device = nullptr;
int32_t written = 0;   // blocks written since open
int32_t dry = 0;       // writes that found the device with nothing left to play: gaps heard
std::vector<PlatWaveHeader*> prepared;   // headers with a system header; changed under the queue's lock

PlatWaveResult FromSystem(MMRESULT r) {
  switch (r) {
    case MMSYSERR_NOERROR: return PLAT_WAVE_OK;
    case MMSYSERR_BADDEVICEID:
    case MMSYSERR_INVALHANDLE: return PLAT_WAVE_BAD_DEVICE;
    case MMSYSERR_ALLOCATED: return PLAT_WAVE_ALLOCATED;
    case MMSYSERR_NODRIVER: return PLAT_WAVE_NO_DRIVER;
    case MMSYSERR_NOMEM: return PLAT_WAVE_NO_MEMORY;
    case MMSYSERR_NOTSUPPORTED: return PLAT_WAVE_NOT_SUPPORTED;
    case MMSYSERR_INVALPARAM: return PLAT_WAVE_BAD_PARAM;
    case WAVERR_BADFORMAT: return PLAT_WAVE_BAD_FORMAT;
    case WAVERR_STILLPLAYING: return PLAT_WAVE_STILL_PLAYING;
    case WAVERR_UNPREPARED: return PLAT_WAVE_UNPREPARED;
    default: return PLAT_WAVE_ERROR;
  }
}

WAVEFORMATEX SystemFormat(const PlatWaveFormat& f) {
  WAVEFORMATEX w{};
  w.wFormatTag = WAVE_FORMAT_PCM;
  w.nChannels = WORD(f.channels);
  w.nSamplesPerSec = DWORD(f.rate);
  w.wBitsPerSample = WORD(f.bits);
  w.nBlockAlign = WORD(f.channels * f.bits / 8);
  w.nAvgBytesPerSec = DWORD(f.rate) * w.nBlockAlign;
  return w;
}

void MarkDone(PlatWaveHeader* h) {
  h->flags.store((h->flags.load() & ~uint32_t(PLAT_WAVE_QUEUED)) | PLAT_WAVE_DONE);
}

void CALLBACK WaveDone(HWAVEOUT, UINT message, DWORD_PTR, DWORD_PTR param1, DWORD_PTR) {
  // Only the flags: the system forbids wave-out calls from inside its callback.
  if (message == WOM_DONE) MarkDone(reinterpret_cast<PlatWaveHeader*>(reinterpret_cast<WAVEHDR*>(param1)->dwUser));
}

int32_t WinmmDeviceCount() { return int32_t(waveOutGetNumDevs()); }

bool WinmmSupports(const PlatWaveFormat& f) {
  const WAVEFORMATEX w = SystemFormat(f);
  return waveOutOpen(nullptr, WAVE_MAPPER, &w, 0, 0, WAVE_FORMAT_QUERY) == MMSYSERR_NOERROR;
}

bool WinmmOpen(const PlatWaveFormat& f) {
  const WAVEFORMATEX w = SystemFormat(f);
  written = dry = 0;
  return waveOutOpen(&device, WAVE_MAPPER, &w, reinterpret_cast<DWORD_PTR>(WaveDone), 0, CALLBACK_FUNCTION) ==
         MMSYSERR_NOERROR;
}

WAVEHDR* SystemHeader(PlatWaveHeader* h) { return static_cast<WAVEHDR*>(h->system); }

void FreeSystemHeader(PlatWaveHeader* h) {
  HGLOBAL memory = GlobalHandle(h->system);
  GlobalUnlock(memory);
  GlobalFree(memory);
  h->system = nullptr;
  std::erase(prepared, h);
}

void WinmmClose() {
  // Headers the caller left prepared lose their system headers with the device.
  while (!prepared.empty()) {
    PlatWaveHeader* h = prepared.back();
    waveOutUnprepareHeader(device, SystemHeader(h), sizeof(WAVEHDR));
    FreeSystemHeader(h);
    h->flags.fetch_and(~uint32_t(PLAT_WAVE_PREPARED));
  }
  if (device) {
    waveOutClose(device);
    fprintf(stderr, "tarvon3: wave-out was given %d blocks and ran dry %d times\n", written, dry);
  }
  device = nullptr;
}

PlatWaveResult WinmmPrepare(PlatWaveHeader* h) {
  if (h->system) return PLAT_WAVE_OK;   // already prepared
  HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, sizeof(WAVEHDR));
  if (!memory) return PLAT_WAVE_NO_MEMORY;
  WAVEHDR* w = static_cast<WAVEHDR*>(GlobalLock(memory));
  if (!w) {
    GlobalFree(memory);
    return PLAT_WAVE_NO_MEMORY;
  }
  w->lpData = reinterpret_cast<LPSTR>(h->data);
  w->dwBufferLength = DWORD(h->bytes);
  w->dwUser = reinterpret_cast<DWORD_PTR>(h);
  h->system = w;
  prepared.push_back(h);
  const MMRESULT r = waveOutPrepareHeader(device, w, sizeof(WAVEHDR));
  if (r != MMSYSERR_NOERROR) {
    FreeSystemHeader(h);
    return FromSystem(r);
  }
  h->flags.fetch_or(PLAT_WAVE_PREPARED);
  return PLAT_WAVE_OK;
}

PlatWaveResult WinmmUnprepare(PlatWaveHeader* h) {
  if (!h->system) {
    h->flags.fetch_and(~uint32_t(PLAT_WAVE_PREPARED));
    return PLAT_WAVE_OK;
  }
  const MMRESULT r = waveOutUnprepareHeader(device, SystemHeader(h), sizeof(WAVEHDR));
  if (r != MMSYSERR_NOERROR) return FromSystem(r);
  FreeSystemHeader(h);
  h->flags.fetch_and(~uint32_t(PLAT_WAVE_PREPARED));
  return PLAT_WAVE_OK;
}

int32_t WinmmQueuedBytes();

PlatWaveResult WinmmWrite(PlatWaveHeader* h) {
  if (!h->system) return PLAT_WAVE_UNPREPARED;
  if (written > 0 && WinmmQueuedBytes() == 0) dry++;
  // Queued before the system has it: its done callback may come at any time after the write.
  const uint32_t before = h->flags.load();
  h->flags.store((before & ~uint32_t(PLAT_WAVE_DONE)) | PLAT_WAVE_QUEUED);
  const MMRESULT r = waveOutWrite(device, SystemHeader(h), sizeof(WAVEHDR));
  if (r != MMSYSERR_NOERROR) {
    h->flags.store(before);
    return FromSystem(r);
  }
  written++;
  return PLAT_WAVE_OK;
}

PlatWaveResult WinmmReset() {
  const MMRESULT r = waveOutReset(device);
  // Every block is done once the reset returns, whenever the system's callbacks come.
  for (PlatWaveHeader* h : prepared)
    if (SystemHeader(h)->dwFlags & WHDR_DONE) MarkDone(h);
  return FromSystem(r);
}

int32_t WinmmQueuedBytes() {
  int32_t bytes = 0;
  for (const PlatWaveHeader* h : prepared)
    if (h->flags.load() & PLAT_WAVE_QUEUED) bytes += h->bytes;
  return bytes;
}

const PlatWaveSystemQueue kWinmmQueue = {WinmmPrepare, WinmmUnprepare, WinmmWrite, WinmmReset, WinmmQueuedBytes};

}  // namespace

const PlatWaveSink PlatWaveWinmmSink = {"winmm",  WinmmDeviceCount, WinmmSupports, WinmmOpen,
                                        nullptr,  WinmmClose,       &kWinmmQueue};
