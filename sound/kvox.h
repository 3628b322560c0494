// Kalvox, the sound library: the exported KVOX_ interface.
//
// What it offers
//   - Output drivers behind one record (KvoxSoundDriver): KVOX_MIDAS (a MIDAS polling stream, midas/),
//     KVOX_NoSound (takes everything, plays nothing, never runs dry), KVOX_Disk (writes "output.wav" in
//     the current directory, never holds anything back). KVOX_Init picks the first that detects (MIDAS).
//   - A sample-play layer of two buffers (KVOX_InitSamplePlay, KVOX_FillBuffers, KVOX_StartSamplePlay).
//   - One MPEG audio player: KVOX_PrepareMPG opens a stream from a file or a memory block through an
//     input form (KvoxForm) and pre-decodes it; KVOX_PlayMPG starts it; every KVOX_Poll moves decoded
//     PCM to the driver, decodes up to the PCM buffer's target again and lets the driver work. KVOX_Poll
//     returns -1 once the input is exhausted (or a frame fails to decode), every decoded byte has been
//     handed to the driver and the driver has played out. Frames still buffered when the input runs out
//     are decoded on the following polls.
//
// Errors: with KVOX_Init's flag bit 0 set, every error ends the process through KVOX_SysError (message
// to the error handler, or a message box and standard error; exit status 1). Without it, calls return
// codes: 0 success, -1 no driver / wrong state / failure, 2 allocation failure, 3 sample-play buffers not
// all filled, 4 file input error. Some errors are fatal whatever the flags ("Invalid input type (%d)",
// "KVOX_malloc() : insufficient memory! ...", "Can't perform lseek.").
//
// What it refuses: input that does not begin with an MPEG frame header (after an optional RIFF/WAVE
// header: the audio starts at the data chunk found in the first buffer's bytes, or after a fixed 72-byte
// header when there is none, kvox_riff.h; there is no search for the first frame), counts beyond the
// buffers they address (a memory seek outside its data, a KVOX_FillBuffers count above the buffer size, a
// RIFF file shorter than its header), and messages beyond 512 bytes (cut to fit).
//
// Threads: no locks. Prepare and free a stream on one thread; play and poll it on one thread; never
// both at once (the music control of the runtime keeps them apart).
//
//   KVOX_Init(1);
//   KVOX_PrepareMPG(bytes, size, 0, 100000, KVOX_INPUT_MEMORY);
//   KVOX_PlayMPG();
//   while (KVOX_Poll() == 0) sleep 100 ms;
//   KVOX_FreeMPG(); KVOX_Uninit();
//
// The folder's conventions: the exported interface is global and named KVOX_... (Kvox... for the
// records and the decoder's procedures); each decoder module keeps its internals in a kvox_...
// namespace (kvox_tables, kvox_l3tab, kvox_l3, kvox_synth) and a file its own in an unnamed one;
// state at namespace scope is named gName; includes name their folder ("sound/...", "midas/...").
#pragma once
#include <cstdint>

#include "sound/mpeg.h"

// ---- output drivers ----------------------------------------------------------------------------------
struct KvoxSoundDriver {
  const char* name;
  int32_t (*Detect)();                        // 0 = usable here
  int32_t (*Init)();                          // makes the driver current
  int32_t (*Uninit)();
  int32_t (*GetCaps)();                       // 3 for every driver
  int32_t (*InitSamplePlay)(int32_t bits, int32_t channels, int32_t rate, int32_t bufferBytes);   // 0 = ok
  int32_t (*UninitSamplePlay)();
  int32_t (*Write)(int32_t* written, uint8_t* data, int32_t bytes);   // takes all of it
  int32_t (*SendData)(uint8_t* data, int32_t bytes);                  // bytes NOT taken
  int32_t (*GetStatus)();
  float (*GetVolume)();
  int32_t (*SetVolume)(float volume);         // 1.0 = full
  int32_t (*SetPanning)(int32_t panning);
  int32_t (*Poll)();
  int32_t (*StreamStat)();                    // 0 while PCM is queued, -1 once the queue ran dry
  uint8_t usable;                             // written by driver selection
  float volume;                               // the driver's stored volume
};

extern KvoxSoundDriver KVOX_MIDAS;            // "MIDAS Driver v1.00"
extern KvoxSoundDriver KVOX_NoSound;          // "NoSound Driver v0.55"
extern KvoxSoundDriver KVOX_Disk;             // "Disk Driver v1.01"
extern KvoxSoundDriver* const KVOX_SoundDrivers[3];   // in order of preference

// True when the current driver is MIDAS and MIDAS found no sound device: the music plays silent.
bool KvoxPlaysSilent();

// ---- input forms -------------------------------------------------------------------------------------
struct KvoxInputDriver;

struct KvoxForm {
  // Driver-private words.
  int32_t fileHandle;            // file driver: descriptor (0 = none)
  int32_t startOffset;           // file driver
  int32_t memLength;             // memory driver
  const uint8_t* memBase;        // memory driver
  const uint8_t* memCursor;      // memory driver: next byte to read
  int32_t bufferBytes;           // size of each of the two buffers
  uint8_t* input;                // input buffer
  uint8_t* readPointer;          // first unconsumed input byte
  uint8_t* pcm;                  // PCM buffer, filled from the start
  int32_t refillThreshold;       // a refill reads only below this many available bytes (2500; 0 after a failure)
  int32_t pcmTarget;             // bufferBytes - 5000
  int32_t available;             // unconsumed input bytes from readPointer
  int32_t pcmFill;               // valid PCM bytes at the start of pcm
  const KvoxInputDriver* driver;
};

struct KvoxInputDriver {
  const char* name;              // "File Input Driver v1.01", "Memory Input Driver v1.01"
  int32_t (*Open)(KvoxForm* form, const void* a, int32_t b);   // file: name, offset; memory: base, length
  int32_t (*Read)(KvoxForm* form, uint8_t* destination, int32_t bytes);   // count, or -1
  int32_t (*Seek)(KvoxForm* form, int32_t offset, int32_t whence);        // 0 start, 1 current, 2 end
  int32_t (*GetSize)(KvoxForm* form);
  int32_t (*Close)(KvoxForm* form);
};

enum KvoxInputType : int32_t {
  KVOX_INPUT_FILE = 0,
  KVOX_INPUT_MEMORY = 1,
};

extern const KvoxInputDriver* const KVOX_InputDrivers[2];   // indexed by input type

int32_t KVOX_InitForm(KvoxForm* form, const void* a, int32_t b, int32_t bufferBytes, int32_t inputType);
int32_t KVOX_RefillForm(KvoxForm* form);    // 0 = nothing to do or bytes read; -1 = failure (reported once)
int32_t KVOX_GetSizeForm(KvoxForm* form);
int32_t KVOX_UninitForm(KvoxForm* form);

// ---- sample-play buffers -----------------------------------------------------------------------------
struct KvoxBuffer {
  uint8_t* data;
  int32_t bytes;
};
using KvoxCallBack = KvoxBuffer* (*)();
using KvoxErrorHandler = void (*)(const char* message);

// ---- exported state ----------------------------------------------------------------------------------
extern KvoxSoundDriver* KVOX_CurrentDriver;   // null until one is selected
extern int32_t KVOX_Flags;                    // bit 0: every error is fatal
extern KvoxBuffer KVOX_Buffering[2];
extern uint8_t KVOX_CurrentBuffer;
extern uint8_t KVOX_AllBufferFilled;
extern KvoxCallBack KVOX_CallBackFct;

// ---- the MPEG player ---------------------------------------------------------------------------------
struct KvoxMpegPlayer {
  KvoxDecoder decoder;           // copied from decoder table entry 0 at prepare
  int32_t minFrameBytes;         // never decode with fewer bytes available
  KvoxStreamInfo info;
  KvoxDecodeResult last;
  KvoxForm form;
  uint8_t prepared;
  uint8_t playing;
  uint8_t streamActive = 1;      // set by every prepare; cleared when the input is exhausted or a frame fails
};
extern KvoxMpegPlayer KVOX_Player;

// ---- functions ---------------------------------------------------------------------------------------
int32_t KVOX_Init(int32_t flags);
int32_t KVOX_SetDriver(KvoxSoundDriver* driver);
int32_t KVOX_Uninit();
int32_t KVOX_GetCaps();
int32_t KVOX_InitSamplePlay(int32_t bits, int32_t channels, int32_t rate, int32_t bufferBytes);
int32_t KVOX_UninitSamplePlay();
int32_t KVOX_SetCallBack(KvoxCallBack callback);
int32_t KVOX_FillBuffers(const uint8_t* data, int32_t bytes);
int32_t KVOX_StartSamplePlay();
int32_t KVOX_Write(int32_t* written, uint8_t* data, int32_t bytes);
int32_t KVOX_SendData(uint8_t* data, int32_t bytes);
int32_t KVOX_GetStatus();
float KVOX_GetVolume();
int32_t KVOX_SetVolume(float volume);
int32_t KVOX_SetPanning(int32_t panning);
int32_t KVOX_Poll();
int32_t KVOX_StreamStat();
int32_t KVOX_PrepareMPG(const void* source, int32_t sourceArg, int32_t flags, int32_t bufferBytes,
                        int32_t inputType);
int32_t KVOX_PlayMPG();
int32_t KVOX_PollMPG();
int32_t KVOX_StopMPG();
int32_t KVOX_FreeMPG();
void* KVOX_malloc(int32_t bytes);
void KVOX_SetErrorHandler(KvoxErrorHandler handler);
[[noreturn]] void KVOX_SysError(const char* format, ...) __attribute__((format(printf, 1, 2)));

// The last message formatted by KVOX_SysError (512 bytes with its terminating zero).
extern char KVOX_ErrorMessage[512];

// For tests: use another decoder and header parse in KVOX_PrepareMPG; nulls restore decoder table
// entry 0 and KvoxParseHeader.
void KvoxUseDecoder(const KvoxDecoder* decoder,
                    int32_t (*parseHeader)(const uint8_t* data, int32_t count, KvoxMpegHeader* header));
