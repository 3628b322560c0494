// Polyphase synthesis of the MPEG decoder: subband samples on the 16-bit PCM scale in, PCM out.
//
// What it offers
//   KvoxSynthInit        builds the transform and window tables at its first call and clears the filter history
//                        (every decoder init calls it, so each stream starts from silence).
//   KvoxSynthLayer12     the routine for Layers I and II, by 8-bit output, rate reduction (0 full, 1 half,
//                        2 quarter) and channel mapping: 0 one-channel stream; two-channel streams 1 both channels
//                        interleaved, 2 the average of both, 3 left only, 4 right only.
//   KvoxSynthLayer3      the routine for Layer III, by 8-bit output, reduction and output channels (1 or 2):
//                        Layer III maps its channels itself, so channel 0 (and 1) are synthesised as they come.
//
// A routine takes `count` time slots ("sets") of subband samples sets[ch][t][sb] (channel 1 only read by the
// two-channel mappings) and writes count x (32 >> reduction) output samples per output channel to `pcm`:
// 16-bit signed little-endian, or 8-bit unsigned with 128 as silence; two channels interleave left, right.
// Each value is rounded to the nearest integer (ties to even) and clipped to -32768..32767 before it is
// stored (8-bit: the clipped value >> 8, xor 128). At half and quarter rate only subbands 0-15 or 0-7 are read.
//
// Every routine is a fixed pair of a fast cosine transform and a window, chosen once per stream; the loops
// carry no tests per sample. On processors with AVX2 and FMA the same routines are compiled for them and
// chosen at KvoxSynthInit; the results agree to within float rounding.
//
//   KvoxSynthInit();
//   KvoxSynthRoutine synth = KvoxSynthLayer12(false, 0, 1);  // 16-bit, full rate, stereo
//   synth(sets, 36, pcm);                                    // one Layer II frame: 1152 x 2 samples
#pragma once
#include <cstdint>

using KvoxSynthRoutine = void (*)(const float (*sets)[36][32], int32_t count, uint8_t* pcm);

void KvoxSynthInit();
// The channel mappings of KvoxSynthLayer12, which the Layer III channel transform numbers alike.
inline constexpr int32_t kKvoxMapMono = 0;    // a one-channel stream
inline constexpr int32_t kKvoxMapStereo = 1;  // both channels, interleaved
inline constexpr int32_t kKvoxMapMix = 2;     // one channel, the average of both
inline constexpr int32_t kKvoxMapLeft = 3;    // one channel, the left
inline constexpr int32_t kKvoxMapRight = 4;   // one channel, the right

KvoxSynthRoutine KvoxSynthLayer12(bool eightBit, int32_t reduction, int32_t mapping);
KvoxSynthRoutine KvoxSynthLayer3(bool eightBit, int32_t reduction, int32_t outChannels);

// Forces the portable routines even where AVX2 is present (for tests that compare the two builds);
// takes effect at the next KvoxSynthInit.
void KvoxSynthUsePortable(bool portable);

// State shared by the portable and the AVX2 builds of the routines (internal to the synthesis).
namespace kvox_synth {
struct State {
  alignas(64) float history[2][16][64];  // per channel, 16 sets of [32 even-age terms | 32 odd-age terms]
  int32_t slot;                          // slot of the newest set; moves back by one per set
};
struct Tables {
  // Half-size cosine matrices of the N-point transforms (N = 32 >> reduction), [n][k] with n, k < N / 2:
  // even cos((2n + 1) 2k pi / 2N), odd cos((2n + 1)(2k + 1) pi / 2N).
  alignas(64) float dctEven[3][256];
  alignas(64) float dctOdd[3][256];
  alignas(64) float even[3][8][32];      // window for even ages, by reduction, age / 2, output
  alignas(64) float odd[3][8][32];       // window for odd ages
};
extern State gState;
extern Tables gTables;
using Table12 = KvoxSynthRoutine[2][3][5];
void FillPortable(Table12 out);
void FillAvx2(Table12 out);
}  // namespace kvox_synth
