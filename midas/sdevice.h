// MIDAS internals shared by its files: error codes, the sound device record, the software mixer (dsm)
// and the configuration. Not for users of MIDAS (they include midas/midas.h).
//
// Internal routines return an error code (MIDAS_OK = 0 on success); the entry points of midasdll.cpp
// turn that into the 1 / 0 convention with a stored last error.
#pragma once
#include <cstdint>
#include <mutex>

enum MidasError : int32_t {
  MIDAS_OK = 0,
  MIDAS_ERR_UNDEFINED = 1,
  MIDAS_ERR_OUT_OF_MEMORY = 2,
  MIDAS_ERR_INVALID_CHANNEL = 18,
  MIDAS_ERR_INVALID_HANDLE = 19,
  MIDAS_ERR_CHANNELS_NOT_OPEN = 20,
  MIDAS_ERR_HARDWARE = 21,
  MIDAS_ERR_INVALID_ARGUMENTS = 22,
  MIDAS_ERR_OUT_OF_RESOURCES = 37,
  MIDAS_ERR_INVALID_DEVICE = 38,
  MIDAS_ERR_UNSUPPORTED_FUNCTION = 39,
  MIDAS_ERR_DEVICE_NOT_AVAILABLE = 40,
  MIDAS_ERR_DEVICE_BUSY = 41,
  MIDAS_ERR_BAD_OUTPUT_MODE = 42,
  MIDAS_ERR_UNABLE_TO_LOCK = 43,
  MIDAS_ERR_DSOUND_NO_WINDOW = 44,
  MIDAS_ERR_INVALID_SAMPLE_TYPE = 46,
  MIDAS_ERR_OUT_OF_CHANNELS = 48,
  MIDAS_ERR_NO_DSOUND_DLL = 49,
  MIDAS_ERR_UNSUPPORTED_FORMAT = 51,
  MIDAS_ERROR_COUNT = 52,
};

// ---- configuration (midas.cpp) ----
constexpr int32_t kMidasOptionCount = 13;
extern int32_t MidasConfig[kMidasOptionCount + 1];   // [1..13]; [0] unused

// ---- the software mixer (dsm.cpp, dsmmix.cpp) ----
constexpr int32_t kDsmMaxChannels = 32;

struct DsmChannel {
  bool playing;
  bool loop;
  bool stream;              // never plays past writeFrame
  const uint8_t* data;
  int32_t frames;           // sample length in frames
  int32_t type;             // MidasSampleType 1..4
  int32_t rate;             // the sample's own rate
  int32_t volume;           // 0..64
  int32_t panning;          // -64..64
  uint64_t position;        // frames, 32.32 fixed point
  int32_t writeFrame;       // stream: first frame not yet fed
};

int32_t DsmInit(int32_t mixRate, int32_t mode);   // mode: MIDAS_MODE_* of the device's output
int32_t DsmClose();
int32_t DsmOpenChannels(int32_t count);
int32_t DsmCloseChannels();
int32_t DsmChannelCount();
int32_t DsmPlaySound(int32_t channel, const uint8_t* data, int32_t frames, int32_t type, int32_t rate, bool loop,
                     bool stream);
int32_t DsmStopSound(int32_t channel);
int32_t DsmSetVolume(int32_t channel, int32_t volume);
int32_t DsmSetPanning(int32_t channel, int32_t panning);
int32_t DsmGetPosition(int32_t channel, int32_t* frame);
int32_t DsmSetStreamWritePosition(int32_t channel, int32_t frame);
int32_t DsmBytesPerFrame();                       // of the output format
// Mixes `frames` output frames of every playing channel into out, in the output format.
void DsmMix(uint8_t* out, int32_t frames);
// The mixing core: adds one channel into a float stereo (or mono) buffer, advancing it. Exposed for tests.
void DsmMixChannel(DsmChannel& c, float* accumulator, int32_t frames, int32_t mixRate, bool stereoOut);
// Rounds (ties to even) and clips a float buffer into 16-bit or 8-bit output.
void DsmConvert(const float* accumulator, int32_t values, uint8_t* out, bool eightBit);

// ---- sound devices (winwave.cpp, dsound.cpp, dsmnsnd.cpp) ----
struct MidasSoundDevice {
  const char* name;
  int32_t (*detect)(bool* present);
  int32_t (*init)(int32_t mixRate, int32_t mode);   // opens the device and the mixer
  int32_t (*close)();
  int32_t (*startPlay)();                           // once per poll
  int32_t (*play)(bool* tickDue);                   // mixes into finished blocks
  int32_t (*mixRate)();                             // what init settled on
  int32_t (*outputMode)();
};

extern const MidasSoundDevice MidasDirectSoundDevice;
extern const MidasSoundDevice MidasWaveDevice;
extern const MidasSoundDevice MidasNoSoundDevice;

// The wave device's figures after init (for tests and reports).
int32_t MidasWaveBlockCount();
int32_t MidasWaveBlockBytes();
int32_t MidasWaveTickFrames();

// ---- MIDAS state (midas.cpp) ----
extern std::mutex MidasLock;                       // the MIDAS-wide critical section
const MidasSoundDevice* MidasCurrentDevice();       // null before init
bool MidasIsPlaying();
void MidasSetLastError(int32_t code);
