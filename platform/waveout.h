// platform: wave-out, one PCM output device fed with a queue of blocks played in order.
//
// The model is the classic wave-out device. The caller owns its blocks and their headers. It prepares a
// header, writes it (the header joins the end of the queue and loses its done mark), and the device marks
// each header done once its last byte has been played. Headers are played in the order they were written.
// A header that is queued cannot be unprepared; a header that is not prepared cannot be written.
//
// Who plays the queue is a sink, picked from a table by name:
//   "sdl"     the default: SDL2 audio on its own audio thread; absent (no devices) where no audio
//             device opens (no sound card, no sound server, tests, CI). While the "render" presenter is
//             current the default gives way to the "render" sink.
//   "render"  the offline renderer: appends what it plays to a RIFF/WAVE file, in step with the current
//             clock: at 44100 Hz, 10 ms of clock time plays 441 frames. The file (PlatSetWaveOutFile, else
//             PlatRenderFolder()/show.wav) is begun when the first block is written, and its sample 0 is
//             that block's first sample; it takes its name, whole, when the device closes. 44.1 kHz 16-bit
//             stereo only.
//   "none"    no device at all (PlatWaveOutDeviceCount() is 0)
//   "winmm"   the Windows build's default in place of "sdl": the system's wave-out device (wave mapper),
//             to which the queue calls are handed on one for one (platform/win/waveout_winmm.cpp)
//   "webaudio" the browser build's default in place of "sdl": the page's AudioWorklet, fed at the pace
//             of the audio context's clock (platform/web/waveout_webaudio.cpp)
// Tests install a sink of their own (PlatUseWaveOutSink) and play with PlatWaveOutPull.
//
//   PlatWaveFormat f = {2, 44100, 16};
//   if (PlatWaveOutDeviceCount() > 0 && PlatWaveOutOpen(f) == PLAT_WAVE_OK) {
//     PlatWaveHeader h = {}; h.data = block; h.bytes = 4096;
//     PlatWaveOutPrepare(&h); PlatWaveOutWrite(&h);
//     ... later, once PlatWaveIsDone(&h): PlatWaveOutUnprepare(&h), refill, write again ...
//     PlatWaveOutReset(); PlatWaveOutClose();
//   }
//
// Threads: every call may come from any one thread at a time; the sink plays on its own thread (sdl) or
// on the caller's (render, test sinks, from inside the calls or PlatWaveOutUpdate). Flags are atomic.
#pragma once
#include <atomic>
#include <cstdint>

enum PlatWaveFlag : uint32_t {
  PLAT_WAVE_DONE = 1u << 0,       // played (or never written); the caller may reuse the block
  PLAT_WAVE_PREPARED = 1u << 1,   // prepared for writing
  PLAT_WAVE_QUEUED = 1u << 4,     // in the device's queue
};

struct PlatWaveHeader {
  uint8_t* data = nullptr;
  int32_t bytes = 0;
  std::atomic<uint32_t> flags{0};
  PlatWaveHeader* next = nullptr;   // the queue's link, owned by the device while queued
  int32_t played = 0;               // bytes of this block already played, owned by the device
  void* system = nullptr;           // the system's own header while prepared (a sink that keeps the queue)
};

struct PlatWaveFormat {
  int32_t channels;   // 1 or 2
  int32_t rate;       // frames per second
  int32_t bits;       // 8 (unsigned) or 16 (signed little-endian)
};

enum PlatWaveResult : int32_t {
  PLAT_WAVE_OK = 0,
  PLAT_WAVE_BAD_DEVICE,      // no such device, or no device open
  PLAT_WAVE_ALLOCATED,       // the device is already open
  PLAT_WAVE_NO_DRIVER,
  PLAT_WAVE_NO_MEMORY,
  PLAT_WAVE_NOT_SUPPORTED,
  PLAT_WAVE_BAD_PARAM,       // a null or malformed header
  PLAT_WAVE_BAD_FORMAT,      // the format is not one this device plays
  PLAT_WAVE_STILL_PLAYING,   // unprepare of a queued header, close with blocks queued
  PLAT_WAVE_UNPREPARED,      // write of a header that is not prepared
  PLAT_WAVE_ERROR,
};

inline bool PlatWaveIsDone(const PlatWaveHeader* h) { return (h->flags.load() & PLAT_WAVE_DONE) != 0; }
inline bool PlatWaveIsPrepared(const PlatWaveHeader* h) { return (h->flags.load() & PLAT_WAVE_PREPARED) != 0; }

int32_t PlatWaveOutDeviceCount();                          // 0 when the sink has no device
PlatWaveResult PlatWaveOutQuery(const PlatWaveFormat& f);  // OK when the device plays f; opens nothing
PlatWaveResult PlatWaveOutOpen(const PlatWaveFormat& f);
PlatWaveResult PlatWaveOutPrepare(PlatWaveHeader* h);      // sets PREPARED
PlatWaveResult PlatWaveOutUnprepare(PlatWaveHeader* h);    // clears PREPARED; STILL_PLAYING while queued
PlatWaveResult PlatWaveOutWrite(PlatWaveHeader* h);        // clears DONE, queues the header
PlatWaveResult PlatWaveOutReset();                         // every queued header is marked done at once
PlatWaveResult PlatWaveOutClose();                         // STILL_PLAYING while anything is queued
void PlatWaveOutUpdate();                                  // lets a caller-thread sink play what is due

// Sinks. A sink plays by calling PlatWaveOutPull from whatever thread it plays on.
struct PlatWaveSink {
  const char* name;
  int32_t (*deviceCount)();                 // 0 = no device
  bool (*supports)(const PlatWaveFormat& f);
  bool (*open)(const PlatWaveFormat& f);    // starts playing the queue
  void (*update)();                         // called on the caller's thread by every queue call; may pull
  void (*close)();                          // stops playing; no pull runs after it returns
  const struct PlatWaveSystemQueue* system; // null for a sink that pulls; see below
};

// A sink whose system keeps the queue itself (winmm) plays no pulls: the queue calls are handed on to
// it once the common checks (open device, header given, prepared, not queued) have passed. It keeps
// each header's flags as the device does, DONE set once the system has played the block.
struct PlatWaveSystemQueue {
  PlatWaveResult (*prepare)(PlatWaveHeader* h);
  PlatWaveResult (*unprepare)(PlatWaveHeader* h);
  PlatWaveResult (*write)(PlatWaveHeader* h);
  PlatWaveResult (*reset)();
  int32_t (*queuedBytes)();
};

const PlatWaveSink* PlatFindWaveOutSink(const char* name);   // "sdl", "render", "none"; null otherwise
void PlatUseWaveOutSink(const PlatWaveSink* sink);           // while no device is open
const PlatWaveSink* PlatCurrentWaveOutSink();

// Copies up to `bytes` of queued PCM, oldest first, into out, marking each header done (and leaving the
// queue) once its last byte is copied. Returns the bytes copied; fewer when the queue runs dry.
int32_t PlatWaveOutPull(uint8_t* out, int32_t bytes);
int32_t PlatWaveOutQueuedBytes();                            // bytes written and not yet played
// The open format (valid while a device is open).
PlatWaveFormat PlatWaveOutFormat();

// The file the "render" sink writes ("show.wav" in the render folder). Copied; null clears it.
void PlatSetWaveOutFile(const char* path);

// The built-in sinks (for the table; users pick them by name).
extern const PlatWaveSink PlatWaveSdlSink;
extern const PlatWaveSink PlatWaveRenderSink;
extern const PlatWaveSink PlatWaveNoneSink;
extern const PlatWaveSink PlatWaveWebAudioSink;   // the browser build's default: the page's WebAudio
extern const PlatWaveSink PlatWaveWinmmSink;      // the Windows build's default: winmm's wave-out
