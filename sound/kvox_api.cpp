// The KVOX_ API layer: driver selection, the sample-play buffers, the pass-through calls, fatal errors.
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "platform/platform.h"
#include "sound/kvox.h"

KvoxSoundDriver* const KVOX_SoundDrivers[3] = {&KVOX_MIDAS, &KVOX_NoSound, &KVOX_Disk};

KvoxSoundDriver* KVOX_CurrentDriver = nullptr;
int32_t KVOX_Flags = 0;
KvoxBuffer KVOX_Buffering[2] = {};
uint8_t KVOX_CurrentBuffer = 0;
uint8_t KVOX_AllBufferFilled = 0;
KvoxCallBack KVOX_CallBackFct = nullptr;
char KVOX_ErrorMessage[512] = {};

namespace {

KvoxErrorHandler gErrorHandler = nullptr;
int32_t gSampleBufferBytes = 0;   // size of each KVOX_Buffering block

}  // namespace

// ---- driver selection --------------------------------------------------------------------------------

int32_t KVOX_Init(int32_t flags) {
  KVOX_Flags = flags;
  for (KvoxSoundDriver* d : KVOX_SoundDrivers) d->usable = d->Detect() == 0 ? 1 : 0;
  for (KvoxSoundDriver* d : KVOX_SoundDrivers)
    if (d->usable) {
      KVOX_CurrentDriver = d;
      d->Init();
      return 0;
    }
  if (KVOX_CurrentDriver) {
    KVOX_CurrentDriver->Init();
    return 0;
  }
  if (KVOX_Flags & 1) KVOX_SysError("Can't find usable driver.");
  return -1;
}

int32_t KVOX_SetDriver(KvoxSoundDriver* driver) {
  if (!driver) return -1;
  KvoxSoundDriver* earlier = KVOX_CurrentDriver;
  if (earlier) earlier->Uninit();
  if (driver->Detect() == 0) {
    driver->Init();
    KVOX_CurrentDriver = driver;
    return 0;
  }
  if (earlier) {
    earlier->Detect();
    earlier->Init();
  }
  return -1;
}

int32_t KVOX_Uninit() { return KVOX_CurrentDriver ? KVOX_CurrentDriver->Uninit() : -1; }
int32_t KVOX_GetCaps() { return KVOX_CurrentDriver ? KVOX_CurrentDriver->GetCaps() : -1; }

// ---- sample play -------------------------------------------------------------------------------------

int32_t KVOX_InitSamplePlay(int32_t bits, int32_t channels, int32_t rate, int32_t bufferBytes) {
  if (!KVOX_CurrentDriver) return -1;
  for (KvoxBuffer& b : KVOX_Buffering) {
    free(b.data);
    b = KvoxBuffer{};
  }
  gSampleBufferBytes = 0;
  if (bufferBytes < 0) return 2;
  for (KvoxBuffer& b : KVOX_Buffering) {
    b.data = static_cast<uint8_t*>(malloc(size_t(bufferBytes > 0 ? bufferBytes : 1)));
    b.bytes = 0;
    if (!b.data) return 2;
  }
  gSampleBufferBytes = bufferBytes;
  KVOX_CurrentBuffer = 0;
  KVOX_AllBufferFilled = 0;
  return KVOX_CurrentDriver->InitSamplePlay(bits, channels, rate, bufferBytes);
}

int32_t KVOX_UninitSamplePlay() {
  if (!KVOX_CurrentDriver) return -1;
  for (KvoxBuffer& b : KVOX_Buffering) {
    free(b.data);
    b = KvoxBuffer{};
  }
  gSampleBufferBytes = 0;
  return KVOX_CurrentDriver->UninitSamplePlay();
}

int32_t KVOX_SetCallBack(KvoxCallBack callback) {
  KVOX_CallBackFct = callback;
  return 0;
}

int32_t KVOX_FillBuffers(const uint8_t* data, int32_t bytes) {
  if (!KVOX_CurrentDriver) return -1;
  KvoxBuffer& b = KVOX_Buffering[KVOX_CurrentBuffer & 1];
  // The count must fit the buffer that KVOX_InitSamplePlay made.
  if (!b.data || bytes < 0 || bytes > gSampleBufferBytes || (bytes > 0 && !data)) {
    if (KVOX_Flags & 1)
      KVOX_SysError("KVOX_FillBuffers() : %d bytes don't fit in a buffer of %d bytes.", bytes, gSampleBufferBytes);
    return -1;
  }
  if (bytes) memcpy(b.data, data, size_t(bytes));
  b.bytes = bytes;
  KVOX_CurrentBuffer = uint8_t(KVOX_CurrentBuffer + 1);
  if (KVOX_CurrentBuffer < 2) return 3;
  KVOX_CurrentBuffer = 0;
  KVOX_AllBufferFilled = 1;
  return 0;
}

int32_t KVOX_StartSamplePlay() {
  if (!KVOX_CurrentDriver) return -1;
  if (!KVOX_AllBufferFilled) return 3;
  if (KVOX_CurrentBuffer != 0) return -1;
  KvoxBuffer& b = KVOX_Buffering[KVOX_CurrentBuffer];
  int32_t written = 0;
  if (!KVOX_CallBackFct) {
    KVOX_CurrentDriver->Write(&written, b.data, b.bytes);
    return 0;
  }
  KvoxBuffer* next = KVOX_CallBackFct();
  KVOX_CurrentDriver->Write(&written, b.data, b.bytes);
  if (next && next->data) {
    int32_t n = next->bytes < 0 ? 0 : next->bytes > gSampleBufferBytes ? gSampleBufferBytes : next->bytes;
    memmove(b.data, next->data, size_t(n));
    b.bytes = n;
  }
  return 0;
}

// ---- pass-through calls ------------------------------------------------------------------------------

int32_t KVOX_Write(int32_t* written, uint8_t* data, int32_t bytes) {
  return KVOX_CurrentDriver ? KVOX_CurrentDriver->Write(written, data, bytes) : -1;
}

int32_t KVOX_SendData(uint8_t* data, int32_t bytes) {
  if (!KVOX_CurrentDriver) return -1;
  if (bytes <= 0) return 0;
  int32_t untaken = KVOX_CurrentDriver->SendData(data, bytes);
  if (untaken < 0) untaken = 0;
  if (untaken > bytes) untaken = bytes;
  if (untaken > 0 && untaken < bytes) memmove(data, data + (bytes - untaken), size_t(untaken));
  return untaken;
}

int32_t KVOX_GetStatus() { return KVOX_AllBufferFilled && KVOX_CurrentDriver ? KVOX_CurrentDriver->GetStatus() : 0; }
float KVOX_GetVolume() { return KVOX_CurrentDriver ? KVOX_CurrentDriver->GetVolume() : -1.0f; }
int32_t KVOX_SetVolume(float volume) { return KVOX_CurrentDriver ? KVOX_CurrentDriver->SetVolume(volume) : -1; }
int32_t KVOX_SetPanning(int32_t panning) { return KVOX_CurrentDriver ? KVOX_CurrentDriver->SetPanning(panning) : -1; }
int32_t KVOX_StreamStat() { return KVOX_CurrentDriver ? KVOX_CurrentDriver->StreamStat() : -1; }

int32_t KVOX_Poll() {
  if (!KVOX_CurrentDriver) return -1;
  if (KVOX_PollMPG() != 0) return -1;
  KVOX_CurrentDriver->Poll();
  return 0;
}

// ---- memory and errors -------------------------------------------------------------------------------

void* KVOX_malloc(int32_t bytes) {
  void* p = bytes >= 0 ? malloc(size_t(bytes > 0 ? bytes : 1)) : nullptr;
  if (!p) KVOX_SysError("KVOX_malloc() : insufficient memory! (%d bytes were needed)", bytes);
  memset(p, 0, size_t(bytes));
  return p;
}

void KVOX_SetErrorHandler(KvoxErrorHandler handler) { gErrorHandler = handler; }

void KVOX_SysError(const char* format, ...) {
  va_list args;
  va_start(args, format);
  vsnprintf(KVOX_ErrorMessage, sizeof KVOX_ErrorMessage, format, args);   // cut to fit, always terminated
  va_end(args);
  if (KVOX_CurrentDriver) KVOX_CurrentDriver->Uninit();   // sound stops before anything is shown
  if (gErrorHandler) {
    gErrorHandler(KVOX_ErrorMessage);
    fprintf(stderr, "Kalvox v0.53.000: %s\n", KVOX_ErrorMessage);
  } else {
    PlatMessageBox("Kalvox v0.53.000", KVOX_ErrorMessage);   // also on standard error
  }
  // The process ends at once, whichever thread is here: nothing else runs after the message, and the
  // status says the program failed.
  PlatEndProcess(1);
}
