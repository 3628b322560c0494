// Layer III frame decoder of the kvox MPEG audio decoder (MPEG-1, MPEG-2 lower sampling frequencies, MPEG 2.5).
//
// What it offers
//   KvoxLayer3Init   resets one stream: the 8192-byte main-data reservoir, the overlap buffers of the hybrid
//                    filterbank; the shared Layer III tables (power tables, IMDCT windows) are built at the first
//                    call. Returns false when the header is not Layer III.
//   KvoxLayer3Decode decodes one frame, starting at its four header bytes, into subband samples on the 16-bit
//                    PCM scale, ready for the polyphase synthesis: side information, main data through the bit
//                    reservoir, scalefactors, Huffman spectra, requantisation, mid/side and intensity stereo,
//                    short-block reordering, alias reduction, IMDCT with its windows, overlap-add, frequency
//                    inversion and the channel transform of `mapping`.
//
// How the mpeg decoder uses it
//   init:   KvoxLayer3Init(header, setup) once per stream with the figures of KvoxLayer3Setup.
//   decode: clear sets, call KvoxLayer3Decode, then run the synthesis over 18 x granules time slots of
//           sets[ch][t][sb] for ch < outChannels and sb < subbandLimit.
//
// Returns of KvoxLayer3Decode
//   2 (MPEG-1) or 1 (MPEG-2 / 2.5)  granules decoded;
//   0   the reservoir does not yet hold the bytes main_data_begin points back to (the caller writes the zero
//       level for the whole frame); the frame's main data is still taken into the reservoir;
//   -1  no sync word at `frame`: nothing consumed.
//   *consumed is the frame length plus its padding slot whenever the return is not -1.
//
// Choices worth knowing
//   - Each frame's length comes from its own bit-rate index (variable bit rate streams); free-format frames
//     (index 0) take setup.frameLength. A frame of another version, layer, sample rate or channel count than
//     the stream's returns 0.
//   - Decoded lines: the subbands below subbandLimit plus the 8 lines their alias butterflies read above them
//     (short blocks: whole bands up to the same frequency), for every version; the subbands from
//     subbandLimit on are never written.
//   - The sample scale is the 16-bit PCM scale: the standard's requantised value times 32768.
//   - The main-data buffer moves its last main_data_begin bytes to its start once the write index passes
//     6692, and also whenever a frame would not fit behind it (large free-format frames).
//
// Damaged frames never make the decoder read or write outside its buffers: a frame shorter than its side
// information, part2_3_length past the main data, big_values beyond 576 lines, Huffman codes that do not
// resolve, scalefactor band indices past the table, main_data_begin past the buffered data and free-format
// frames larger than the reservoir's room all decode the affected granules to silence.
#pragma once

#include <cstdint>

#include "sound/mpeg.h"
#include "sound/mpeg_synth.h"

struct KvoxLayer3Setup {
  int32_t frameLength;    // from the header parse, without the padding slot
  int32_t subbandLimit;   // computed by the mpeg decoder's init as for Layers I/II without the table bound
  int32_t frequencyLimit; // Hz, already raised to at least 1000
  int32_t reduction;      // 0, 1, 2
  int32_t gainAdjust;     // 0 or -4 (quarter steps of the global gain)
  int32_t mapping;        // kKvoxMapMono .. kKvoxMapRight of sound/mpeg_synth.h
  int32_t outChannels;    // 1 or 2
};

// Per-stream reset (main-data buffer, overlap buffers); builds the shared Layer III tables at first call.
// False when the header is not Layer III.
bool KvoxLayer3Init(const KvoxMpegHeader& header, const KvoxLayer3Setup& setup);

// Decodes one frame that starts at `frame` (its header; `available` bytes readable) into subband samples on the
// 16-bit PCM scale, after IMDCT, overlap-add, frequency inversion and the channel transform:
// sets[ch][t][sb] for ch < outChannels, t < 18 * granules, sb < subbandLimit (the rest left as the caller
// cleared it). Returns granules decoded (2 for MPEG-1, 1 otherwise), 0 when the reservoir is still short
// (the caller writes the zero level for the whole frame), -1 on a bad sync word (nothing consumed).
// *consumed = frame length + pad whenever the return is not -1.
int32_t KvoxLayer3Decode(const uint8_t* frame, int32_t available, int32_t* consumed, float sets[2][36][32]);
