// The sound library's MPEG audio decoder: frame header parse, and one decoder record (init, info, decode)
// for MPEG-1 and MPEG-2 (lower sampling frequencies) Layers I, II and III, and MPEG 2.5 in Layer III.
//
// What it offers
//   KvoxParseHeader   looks at the first bytes of a stream and returns the frame length in bytes without the
//                     padding slot (found by searching for the next header when the stream is free format),
//                     or 0 when the data does not begin with a header the decoder accepts.
//   KvoxDecoderTable  entry 0 is this decoder:
//     init    fixes the stream's format once (rate reduction 0/1/2, conversion code: bit 3 = 8-bit output,
//             bits 0-1 = channel mapping of two-channel streams: 0 keep, 1 mix, 2 left, 3 right; frequency limit
//             in Hz, raised to 1000) and resets every per-stream state; returns 1, or 0 when the stream cannot
//             be decoded (reserved layer, reserved Layer II rate, a bit rate and mode Layer II forbids).
//             `transform` is kept in the record for its callers (they pass 0) and is not used.
//     info    copies the output description built by the last init.
//     decode  turns the one frame that starts at `frame` into PCM: 16-bit signed little-endian or 8-bit
//             unsigned (128 = silence), channels interleaved left then right. `available` is the number of
//             bytes readable at `frame`; the decoder never reads past it (missing bits read as 0). Returns the
//             bytes consumed (frame length + padding) and the PCM bytes produced (info.values x bytes per
//             sample); both 0 when the data does not start with a sync word. `pcm` must hold info.values x
//             bytes per sample.
//
// What it refuses or leaves out: no CRC check, no resynchronisation (a bad sync ends the stream at the
// caller), no de-emphasis. Corrupt frame contents decode to whatever their bits say, but never make the
// decoder read or write outside its buffers.
//
// On bad input it returns a failure and nothing else: it never ends the program, shows or logs nothing, and
// leaves the message to its caller (the player of kvox_player.cpp, which reports it through KVOX_SysError
// when the library's errors are fatal):
//   KvoxParseHeader  0: no sync word, a reserved layer or version, bit-rate index 15, a reserved sample rate
//                    or a free-format length not found ("Bad or unsupported MPEG file.");
//   init             0: see above ("MPEG Decoder init failed."), and decode then does nothing;
//   decode           {0, 0}: the data does not start with a sync word, or a Layer III frame has no length to
//                    step over ("Bad sync in MPEG file." while the player pre-decodes; while it plays, the
//                    stream ends). A damaged Layer III frame or granule decodes to silence.
//
// Choices worth knowing
//   - Output is band-limited by the frequency limit (the player passes 24000 Hz, which keeps all 32 subbands
//     at full rate at every standard sample rate); at half rate subbands 0-14, at quarter rate 0-7 (the top
//     subband of a reduced band would alias at the lowered rate).
//   - Layers I and II consume each frame with the length its own bit-rate index gives (the init's length
//     for free format); a free-format Layer II stream takes its allocation table from the per-channel bit
//     rate that its frame length implies.
//   - Layer III frames whose bit reservoir is not yet filled decode to silence of full frame length.
//
// One stream at a time: the decoder state is global and each init starts a new stream from silence.
//
//   KvoxMpegHeader h;
//   int32_t length = KvoxParseHeader(data, size, &h);
//   if (length && KvoxDecoderTable[0].init(&h, length, 0, 0, 0, 24000)) {
//     KvoxStreamInfo info; KvoxDecoderTable[0].info(&info);
//     for (int32_t at = 0; at < size;) {
//       KvoxDecodeResult r = KvoxDecoderTable[0].decode(data + at, size - at, pcm);
//       if (r.consumed == 0) break;          // bad sync: the stream ends here
//       Play(pcm, r.produced); at += r.consumed;
//     }
//   }
#pragma once
#include <cstdint>

// The parsed 4-byte frame header, 13 fields in this order.
struct KvoxMpegHeader {
  int32_t sync;        // 1 = sync word 0xFFF, 2 = sync word 0xFFE (MPEG 2.5)
  int32_t id;          // 1 = MPEG-1, 0 = MPEG-2 or 2.5
  int32_t option;      // layer code: 3 = Layer I, 2 = Layer II, 1 = Layer III, 0 = reserved
  int32_t prot;        // protection bit; 0 means a 16-bit CRC follows the header
  int32_t brIndex;     // bit-rate index, 0 = free format, 15 = forbidden
  int32_t srIndex;     // sample-rate index, 3 = reserved
  int32_t pad;         // padding slot present
  int32_t privateBit;  // private bit
  int32_t mode;        // 0 stereo, 1 joint stereo, 2 dual channel, 3 single channel
  int32_t modeExt;     // mode extension
  int32_t cr;          // protected-work flag
  int32_t home;        // original (first generation) flag
  int32_t emphasis;    // de-emphasis code (not applied)
};

// The description of the decoder's output, six fields in this order.
struct KvoxStreamInfo {
  int32_t channels;    // 1 or 2 interleaved output channels
  int32_t values;      // output samples per frame, all channels counted
  int32_t rate;        // output sample rate in Hz (the stream's rate >> reduction)
  int32_t bits;        // 16 or 8
  int32_t frameBytes;  // the frame length given to init
  int32_t type;        // 0: linear PCM
};

struct KvoxDecodeResult {
  int32_t consumed;    // bytes of input used by the frame (0 on a bad sync)
  int32_t produced;    // bytes of PCM written (0 on a bad sync)
};

struct KvoxDecoder {
  int32_t (*init)(const KvoxMpegHeader* header, int32_t frameLength, int32_t reduction,
                  int32_t transform, int32_t conversion, int32_t frequencyLimit);
  void (*info)(KvoxStreamInfo* out);
  // `available` = bytes readable at `frame`: the decoder never reads past it; bits past it read as 0.
  KvoxDecodeResult (*decode)(const uint8_t* frame, int32_t available, uint8_t* pcm);
};

extern const KvoxDecoder KvoxDecoderTable[1];

// Frame length in bytes without the padding slot, or 0 when `data` does not begin with an accepted header.
// Only the first 10000 bytes are looked at.
int32_t KvoxParseHeader(const uint8_t* data, int32_t count, KvoxMpegHeader* header);

// Header figures, shared by the parse and the layer decoders (which read every frame's own header).
// The 13 fields of the 4-byte header at `data` (sync 1 for 0xFFF, 2 otherwise); checks nothing.
void KvoxReadHeader(const uint8_t* data, KvoxMpegHeader* header);
// Frame length in bytes without the padding slot, from the bit-rate index, layer, version and sample-rate
// index; 0 for free format (index 0), index 15, a reserved layer or a reserved sample rate.
int32_t KvoxFrameLength(const KvoxMpegHeader& header);
// Bytes of the padding slot that a set pad bit adds: 4 in Layer I, 1 in Layers II and III.
int32_t KvoxPaddingUnit(const KvoxMpegHeader& header);
// The sample rate in Hz of a parsed header (MPEG 2.5: half the MPEG-2 figure), or 0 for the reserved index.
int32_t KvoxStreamRate(const KvoxMpegHeader& header);
