// MIDAS: the stream output under the sound library's MIDAS driver.
//
// What it offers: one configuration (13 options), one sound device chosen at init (DirectSound, which
// never detects here; the wave device over platform/waveout.h; the no-sound device), a floating-point
// software mixer of up to 32 channels (volume 0..64, panning -64..64, each channel at its own rate,
// linear interpolation into the mixing rate), and polling streams: a ring buffer per stream that the
// caller feeds and that MIDASpoll mixes out to the device. There is no MIDAS thread: all mixing and
// device work happens inside MIDASpoll, on the caller's thread.
//
// Conventions: every call returns 1 on success and 0 on failure, storing an error code that
// MIDASgetLastError returns and MIDASgetErrorMessage names; calls that produce a value (a stream handle,
// a byte count) return it, 0 on failure. A device error inside MIDASpoll is fatal: MIDAS closes itself,
// writes "MIDAS Error: <message>" and a line break to standard error and ends the process with status 1.
//
// Streams: sample types 1 = 8-bit mono, 2 = 16-bit mono, 3 = 8-bit stereo, 4 = 16-bit stereo (8-bit data is
// unsigned, 128 = silence). The ring holds (ms x rate / 1000 + 3) rounded down to 4 frames. The stream's
// channel never plays past the last byte fed: when feeding falls behind it plays silence and waits.
//
//   MIDASstartup(); MIDASsetOption(MIDAS_OPTION_FILTER_MODE, 0);
//   if (!MIDASinit() || !MIDASopenChannels(2)) fail(MIDASgetErrorMessage(MIDASgetLastError()));
//   MIDASstreamHandle s = MIDASplayStreamPolling(MIDAS_SAMPLE_16BIT_STEREO, 44100, 1000);
//   every 100 ms: taken = MIDASfeedStreamData(s, pcm, bytes, false); MIDASpoll();
//   MIDASstopStream(s); MIDAScloseChannels(); MIDASclose();
//
// Threads: one MIDAS-wide lock is taken by MIDASpoll and by every stream and channel call (the waiting
// feed takes it per attempt and sleeps without it); the wave device has a lock of its own.
#pragma once
#include <cstdint>

enum MidasOption : int32_t {
  MIDAS_OPTION_MIXRATE = 1,                // mixing rate in Hz (44100)
  MIDAS_OPTION_OUTPUTMODE = 2,             // MIDAS_MODE_* bits; 0 = the device chooses 16-bit stereo (0)
  MIDAS_OPTION_MIXBUFLEN = 3,              // wave-out buffer length in ms (500)
  MIDAS_OPTION_MIXBUFBLOCKS = 4,           // kept, not read (16)
  MIDAS_OPTION_DSOUND_MODE = 5,            // 0 keeps the DirectSound device from detecting (0)
  MIDAS_OPTION_DSOUND_HWND = 6,            // (0)
  MIDAS_OPTION_DSOUND_OBJECT = 7,          // (0)
  MIDAS_OPTION_DSOUND_BUFLEN = 8,          // (100)
  MIDAS_OPTION_16BIT_ULAW_AUTOAMP = 9,     // integer mixer setting, unused with floating point (1)
  MIDAS_OPTION_FILTER_MODE = 10,           // 0 none, 1, 2, 3 automatic (3); no filter is built here
  MIDAS_OPTION_MIXING_MODE = 11,           // 1 = ask for the alternative mixing mode (0)
  MIDAS_OPTION_DEFAULT_STEREO_SEPARATION = 12,   // kept, not read (64)
  MIDAS_OPTION_FORCE_NO_SOUND = 13,        // 1 = the no-sound device (0)
};

enum MidasMode : int32_t {
  MIDAS_MODE_MONO = 1,
  MIDAS_MODE_STEREO = 2,
  MIDAS_MODE_8BIT = 4,
  MIDAS_MODE_16BIT = 8,
};

enum MidasSampleType : int32_t {
  MIDAS_SAMPLE_8BIT_MONO = 1,
  MIDAS_SAMPLE_16BIT_MONO = 2,
  MIDAS_SAMPLE_8BIT_STEREO = 3,
  MIDAS_SAMPLE_16BIT_STEREO = 4,
};

struct MidasStream;
using MIDASstreamHandle = MidasStream*;

int32_t MIDASstartup();                                     // defaults, clears the state; always 1
int32_t MIDASsetOption(int32_t option, int32_t value);      // options outside 1..13 are ignored; 1
int32_t MIDASgetOption(int32_t option);                     // 0 outside 1..13
int32_t MIDASinit();
int32_t MIDASopenChannels(int32_t count);                   // 1..32
int32_t MIDAScloseChannels();
MIDASstreamHandle MIDASplayStreamPolling(int32_t sampleType, int32_t rate, int32_t lengthMs);
// Queues at most the ring's free space (rounded down to 4 bytes); with wait, repeats until all is queued.
int32_t MIDASfeedStreamData(MIDASstreamHandle stream, const uint8_t* data, int32_t bytes, bool wait);
int32_t MIDASgetStreamBytesBuffered(MIDASstreamHandle stream);   // ring bytes - free space
int32_t MIDASsetStreamVolume(MIDASstreamHandle stream, int32_t volume);    // 0..64
int32_t MIDASsetStreamPanning(MIDASstreamHandle stream, int32_t panning);  // -64 left .. 64 right
int32_t MIDASstopStream(MIDASstreamHandle stream);
int32_t MIDASpoll();
int32_t MIDASclose();
int32_t MIDASgetLastError();
const char* MIDASgetErrorMessage(int32_t code);             // "Undefined error" outside the table

// What init chose: the device's name (null before init), the mixing rate and MIDAS_MODE_* bits.
const char* MIDASgetDeviceName();
int32_t MIDASgetMixRate();
int32_t MIDASgetOutputMode();
// True when init chose the no-sound device although option 13 did not ask for it (no wave-out device).
bool MIDASfellBackToNoSound();
