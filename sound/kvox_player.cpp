// The one MPEG player: prepare (open, parse, init, pre-decode), play, poll, stop, free.
#include <cstring>

#include "sound/kvox.h"
#include "sound/kvox_riff.h"

KvoxMpegPlayer KVOX_Player = {};

namespace {

const KvoxDecoder* gDecoderOverride = nullptr;
int32_t (*parseOverride)(const uint8_t*, int32_t, KvoxMpegHeader*) = nullptr;
bool gSamplePlayOpen = false;

// PCM bytes one frame may produce: the player never lets the decoder write past the PCM buffer.
int32_t FrameOutputBytes(const KvoxStreamInfo& info) {
  int32_t perValue = info.bits == 8 ? 1 : 2;
  int32_t n = info.values * perValue;
  return n > 0 ? n : 4608;
}

// Decodes one frame at the read pointer onto the end of the PCM; false when nothing was consumed.
bool DecodeOne(KvoxMpegPlayer& p) {
  KvoxForm& f = p.form;
  if (f.pcmFill + FrameOutputBytes(p.info) > f.bufferBytes) return false;
  int32_t available = f.available < 0 ? 0 : f.available;
  p.last = p.decoder.decode(f.readPointer, available, f.pcm + f.pcmFill);
  if (p.last.consumed <= 0) return false;
  // The read pointer stays inside the buffer even when a cut last frame claims more than is there.
  f.readPointer += p.last.consumed < available ? p.last.consumed : available;
  f.available -= p.last.consumed;
  int32_t produced = p.last.produced < 0 ? 0 : p.last.produced;
  if (produced > f.bufferBytes - f.pcmFill) produced = f.bufferBytes - f.pcmFill;
  f.pcmFill += produced;
  return true;
}

// A failure of KVOX_PrepareMPG: fatal with flag bit 0, else -1 with what was set up released.
int32_t PrepareFailed(const char* message) {
  if (KVOX_Flags & 1) KVOX_SysError("%s", message);
  if (gSamplePlayOpen) KVOX_UninitSamplePlay();
  gSamplePlayOpen = false;
  KVOX_UninitForm(&KVOX_Player.form);
  KVOX_Player.prepared = 0;
  return -1;
}

}  // namespace

void KvoxUseDecoder(const KvoxDecoder* decoder, int32_t (*parseHeader)(const uint8_t*, int32_t, KvoxMpegHeader*)) {
  gDecoderOverride = decoder;
  parseOverride = parseHeader;
}

int32_t KVOX_PrepareMPG(const void* source, int32_t sourceArg, int32_t flags, int32_t bufferBytes,
                        int32_t inputType) {
  KvoxMpegPlayer& p = KVOX_Player;
  int32_t reduction = flags & 3;
  if (reduction == 3) reduction = 0;
  int32_t conversion = 4 * ((flags >> 4) & 3) + ((flags >> 8) & 3);
  p.decoder = gDecoderOverride ? *gDecoderOverride : KvoxDecoderTable[0];
  auto parse = parseOverride ? parseOverride : KvoxParseHeader;
  if (p.prepared) KVOX_FreeMPG();
  gSamplePlayOpen = false;

  // The PCM buffer holds pcmTarget bytes plus the frame by which decoding may overshoot it.
  if (bufferBytes <= 5000) return PrepareFailed("Audio initialization failed.");
  KVOX_InitForm(&p.form, source, sourceArg, bufferBytes, inputType);
  KvoxForm& f = p.form;
  if (KVOX_RefillForm(&f) != 0) return PrepareFailed("Can't fill BitStream!");

  // A RIFF/WAVE file: the audio starts at its data chunk (or after the fixed 72-byte header).
  const KvoxRiffAudio riff = KvoxFindRiffAudio(f.readPointer, f.available);
  if (riff.riff) {
    if (riff.start > f.available) return PrepareFailed("Bad or unsupported MPEG file.");
    f.readPointer += riff.start;
    f.available -= riff.start;
  }
  KvoxMpegHeader header = {};
  p.minFrameBytes = f.available > 0 ? parse(f.readPointer, f.available, &header) : 0;
  if (p.minFrameBytes <= 0) return PrepareFailed("Bad or unsupported MPEG file.");
  if (p.decoder.init(&header, p.minFrameBytes, reduction, 0, conversion, 24000) == 0)
    return PrepareFailed("MPEG Decoder init failed.");
  p.decoder.info(&p.info);
  if (KVOX_InitSamplePlay(p.info.bits, p.info.channels, p.info.rate, bufferBytes) != 0)
    return PrepareFailed("Audio initialization failed.");
  gSamplePlayOpen = true;

  if (KVOX_RefillForm(&f) == 0) {
    for (;;) {
      if (f.available < p.minFrameBytes) break;
      if (!DecodeOne(p)) {
        if (f.pcmFill + FrameOutputBytes(p.info) > f.bufferBytes) break;
        return PrepareFailed("Bad sync in MPEG file.");
      }
      if (f.pcmFill >= f.pcmTarget) break;
      if (KVOX_RefillForm(&f) != 0) break;
    }
  }
  p.prepared = 1;
  p.streamActive = 1;
  return 0;
}

int32_t KVOX_PlayMPG() {
  KVOX_CallBackFct = nullptr;
  KVOX_Player.playing = 1;
  KVOX_Poll();
  return 0;
}

int32_t KVOX_PollMPG() {
  KvoxMpegPlayer& p = KVOX_Player;
  KvoxForm& f = p.form;
  if (p.playing && p.prepared) {
    if (f.pcmFill > 0) {
      int32_t untaken = KVOX_SendData(f.pcm, f.pcmFill);
      if (untaken >= 0) f.pcmFill = untaken;
    }
    if (p.streamActive) {
      while (f.pcmFill < f.pcmTarget) {
        // The end of the input (a failed refill) leaves the frames still buffered to decode, in this
        // poll and the next ones; the stream ends once less than a frame is left.
        KVOX_RefillForm(&f);
        if (f.available < p.minFrameBytes || !DecodeOne(p)) {
          p.streamActive = 0;
          break;
        }
      }
    }
  }
  // The end is reported once nothing is left to hand over: decoded PCM still in the buffer (a driver
  // that never holds anything back runs dry at once) goes out on the next poll first.
  if (!p.streamActive && f.pcmFill <= 0 && KVOX_CurrentDriver && KVOX_CurrentDriver->StreamStat() != 0) return -1;
  return 0;
}

int32_t KVOX_StopMPG() {
  KVOX_Player.playing = 0;
  return 0;
}

int32_t KVOX_FreeMPG() {
  KvoxMpegPlayer& p = KVOX_Player;
  if (p.playing) KVOX_StopMPG();
  KVOX_UninitSamplePlay();
  gSamplePlayOpen = false;
  KVOX_UninitForm(&p.form);
  p.prepared = 0;
  return 0;
}
