// Layers I and II of the MPEG decoder: one frame's bit allocation, scalefactors and samples, dequantised
// onto the 16-bit PCM scale into the subband sample sets that the synthesis reads.
//
//   KvoxLayer12Setup setup = ...;                 // filled by the decoder's init
//   int32_t n = KvoxLayer12Decode(frame, available, setup, sets, &consumed);
//   if (n < 0) return bad sync;                   // else n sets (12 or 36) are ready in sets[ch][t][sb]
//
// Subbands at and above `subbandLimit` are read (to keep the bit stream in step) but never stored, so they
// stay as the caller cleared them. The reader is bounded by the frame and by `available`: missing bits read
// as 0, and allocation values outside the table send nothing.
#pragma once
#include <cstdint>

#include "sound/mpeg.h"

struct KvoxLayer12Setup {
  int32_t layer;          // 1 or 2
  int32_t channels;       // channels coded in the stream, 1 or 2
  int32_t allocTable;     // Layer II: index into kvox_tables::kAllocTable for the init's bit rate
  int32_t subbandLimit;   // subbands 0..limit-1 are stored (per channel)
  int32_t frameLength;    // the init's frame length without padding (used for free format)
  int32_t sampleRate;     // the stream's sample rate in Hz
};

// Builds the grouping tables at the first call.
void KvoxLayer12Tables();

// Layer II allocation table for an MPEG-1 header (mode, rate, bit rate), or for free format from the frame
// length; -1 where Layer II forbids the combination. MPEG-2 headers always take the lower-sampling-frequency
// table.
int32_t KvoxLayer2AllocTable(const KvoxMpegHeader& header, int32_t frameLength);

// Decodes one frame: returns the number of sets written (12 for Layer I, 36 for Layer II), or -1 when the
// data does not start with the sync word 0xFFF. *consumed = frame length + padding.
int32_t KvoxLayer12Decode(const uint8_t* frame, int32_t available, const KvoxLayer12Setup& setup,
                          float sets[2][36][32], int32_t* consumed);
