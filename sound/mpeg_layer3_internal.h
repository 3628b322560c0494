// The pieces of the Layer III decoder, shared by its sources and reachable by its tests.
//
//   huffman  BuildHuffman builds the multi-level lookup tables once; DecodeSpectrum reads the big_values
//            pairs and count1 quadruples of one granule into unscaled values sign * |v|^(4/3).
//   requant  ScaleSpectrum multiplies each scalefactor band by its gain (power tables).
//   stereo   MidSide, Intensity (MPEG-1 and LSF forms) on the two spectra of a granule.
//   hybrid   ReorderShort, AliasReduce, Imdct36/Imdct12 and Hybrid (windows, overlap-add, frequency
//            inversion) into the subband sets.
//
// All of them work on plain arrays and the records below; none allocates or keeps state of its own except
// the tables built at the first init.
#pragma once
#include <cstddef>
#include <cstdint>

namespace kvox_l3 {

// ---- side information of one granule of one channel --------------------------------------------------------------
struct Granule {
  int32_t part23;          // part2_3_length in bits
  int32_t bigValues;       // pairs in the big-values region
  int32_t globalGain;
  int32_t scalefacCompress;
  int32_t windowSwitching;
  int32_t blockType;       // 0 normal, 1 start, 2 short, 3 stop
  int32_t mixed;
  int32_t tableSelect[3];
  int32_t subblockGain[3];
  int32_t region0Count, region1Count;
  int32_t preflag, scalefacScale, count1Table;
  int32_t region1Start, region2Start;  // lines, derived from the region counts and the band table
};

// Scalefactors of one granule of one channel. isMax marks, per band, the is_pos that means "not intensity
// coded" (7 in MPEG-1, 2^slen - 1 in the LSF form).
struct Scalefactors {
  uint8_t l[22];
  uint8_t s[13][3];
  uint8_t isMaxL[22];
  uint8_t isMaxS[13];
};

// ---- band layout of the stream's rate ------------------------------------------------------------------------------
struct Bands {
  int16_t l[23];           // long band boundaries in lines
  int16_t s[14];           // short band boundaries in lines of one window
  int32_t mixedLongBands;  // long bands ahead of the short part of a mixed block (8 MPEG-1, 6 otherwise)
  int32_t mixedLines;      // lines of that long part: l[mixedLongBands]
  uint16_t reorderShort[576];  // transmitted short-block order -> subband order (3 * line + window)
  uint16_t reorderMixed[576];  // the same for mixed blocks (long part unmoved)
};
void BuildBands(int32_t rateIndex, Bands* out);

// ---- bits of the main data -----------------------------------------------------------------------------------------
// Reads bits most significant first from a buffer that holds at least 8 readable bytes past the last bit the
// caller lets it reach (the reservoir keeps that slack), by position alone.
struct HotBits {
  const uint8_t* base;
  uint64_t pos;  // bits from base
  uint32_t Peek32() const {
    const uint8_t* p = base + (pos >> 3);
    uint64_t v = (uint64_t(p[0]) << 56) | (uint64_t(p[1]) << 48) | (uint64_t(p[2]) << 40) |
                 (uint64_t(p[3]) << 32) | (uint64_t(p[4]) << 24) | (uint64_t(p[5]) << 16) |
                 (uint64_t(p[6]) << 8) | uint64_t(p[7]);
    return uint32_t((v << (pos & 7)) >> 32);
  }
  uint32_t Get(int32_t n) {  // 0 <= n <= 24
    uint32_t v = n ? Peek32() >> (32 - n) : 0;
    pos += uint64_t(n);
    return v;
  }
};

// ---- scalefactors --------------------------------------------------------------------------------------------------
// MPEG-1 form: slen1/slen2 by scalefac_compress; granule 1 of a long block keeps the groups its scfsi bits
// mark (sf holds granule 0's values on entry). isMax is 7 throughout.
void ScalefactorsMpeg1(HotBits& bits, const Granule& g, const int32_t* scfsi, int32_t gr, Scalefactors& sf);
// LSF form: scalefac_compress picks the partition case and the widths (the intensity right channel uses
// scalefac_compress >> 1); sets g.preflag; isMax is 2^slen - 1 of each band's partition.
void ScalefactorsLsf(HotBits& bits, Granule& g, bool intensityRight, Scalefactors& sf);

// ---- huffman -------------------------------------------------------------------------------------------------------
void BuildHuffman();
// Decodes the spectrum of one granule from bits [bits.pos, end) into xr[0..lineEnd) as sign * |v|^(4/3);
// lines from the returned count on are left untouched (the caller zeroes them). lineEnd is even and at most
// 576. Returns the count of lines written (a multiple of 2), or -1 when the granule is corrupt (an undefined
// table, or the big-values region running past `end`).
int32_t DecodeSpectrum(HotBits& bits, uint64_t end, const Granule& g, int32_t lineEnd, float* xr);
// One big-values pair and one count1 quadruple the plain way, a bit at a time over the code lists (the
// reference the lookup tables are tested against). Return false when no code word matches within 19 bits.
bool DecodePairPlain(HotBits& bits, int32_t table, int32_t* x, int32_t* y);
bool DecodeQuadPlain(HotBits& bits, int32_t table, int32_t v[4]);
// The same through the lookup tables, without signs or linbits: the pair index x * 16 + y.
int32_t DecodePairFast(HotBits& bits, int32_t table);

// ---- requantisation ------------------------------------------------------------------------------------------------
extern float gPow43[8207];     // |v|^(4/3)
float GainPower(int32_t quarterSteps);  // 2^(q / 4) * 32768, q from -512 to 64 (clamped)
// Multiplies xr[0..count) by the gain of its band: 2^((global_gain + gainAdjust - 210) / 4) with the
// scalefactor, preemphasis and subblock-gain terms, on the 16-bit PCM scale.
void ScaleSpectrum(const Granule& g, const Scalefactors& sf, const Bands& b, int32_t gainAdjust, int32_t count,
                   float* xr);

// ---- stereo --------------------------------------------------------------------------------------------------------
void BuildStereo();
// Mid/side over lines [from, to).
void MidSide(float* l, float* r, int32_t from, int32_t to);
// Intensity stereo of a joint-stereo granule: the bands above the right channel's last nonzero band (per
// window for short blocks) take L = xr * kl, R = xr * kr from the left channel; the bands below get mid/side
// when `ms`. `right` is the right channel's side information and scalefactors (is_pos); `lsf` picks the LSF
// ratios with intensity_scale = scalefac_compress & 1. Returns nothing; both spectra hold 576 lines.
void Intensity(float* l, float* r, const Granule& right, const Scalefactors& sfRight, const Bands& b, bool lsf,
               bool ms);

// ---- hybrid filter bank --------------------------------------------------------------------------------------------
void BuildHybrid();
// Returns the extent of the reordered lines that may be nonzero.
int32_t ReorderShort(const Granule& g, const Bands& b, int32_t count, float* xr);
// Alias butterflies between subbands sb-1 and sb for sb = 1 .. lastBoundary (long blocks; mixed blocks only
// inside their long part).
void AliasReduce(float* xr, int32_t lastBoundary);
// IMDCT of 18 lines to 36 values with the window of blockType (0, 1, 3), or of 3 x 6 short lines (reordered,
// stride 3) into the 36-value frame of a short block.
void Imdct36(const float* x, int32_t blockType, float z[36]);
void Imdct12(const float* x, float z[36]);
// The plain formula (double precision), for tests.
void ImdctPlain(const float* x, int32_t n, double* out);

// One channel's spectrum source for the hybrid stage.
struct HybridSource {
  const float* xr;
  int32_t blockType;   // 0..3
  int32_t mixed;
  int32_t longSubbands;  // subbands of the long part of a mixed block
  int32_t subbands;    // subbands that may hold nonzero lines
};
// Runs IMDCT, window, overlap-add and frequency inversion for subbands 0..limit-1 of `count` (1 or 2)
// sources summed into one output channel: out[t * 32 + sb] for t < 18.
void Hybrid(const HybridSource* src, int32_t count, float overlap[32][18], int32_t limit, float* out);

// The kernels behind Imdct36, Imdct12 and Hybrid: portable and AVX2/FMA builds, chosen by BuildHybrid.
// HybridUsePortable forces the portable build (tests compare the two).
bool HybridHasAvx2();
void HybridUsePortable(bool portable);
namespace hybrid_portable {
void Imdct36(const float* x, int32_t blockType, float* z);
void Imdct12(const float* x, float* z);
void Hybrid(const HybridSource* src, int32_t count, float overlap[32][18], int32_t limit, float* out);
}  // namespace hybrid_portable
namespace hybrid_avx2 {
void Imdct36(const float* x, int32_t blockType, float* z);
void Imdct12(const float* x, float* z);
void Hybrid(const HybridSource* src, int32_t count, float overlap[32][18], int32_t limit, float* out);
}  // namespace hybrid_avx2
// Tables of the kernels, built by BuildHybrid.
namespace hybrid {
extern float gCos18[18][24];  // DCT-IV of 18, rows by input line, padded to 24 outputs
extern float gCos6[6][8];     // DCT-IV of 6, padded to 8
extern float gWin36[4][36];   // long windows by block type, with the signs of the fold
extern float gWin12[12];      // short window with the signs of the fold
extern float gInvert[2][18];  // frequency inversion: 1 for even subbands, +-1 by time slot for odd ones
}  // namespace hybrid

}  // namespace kvox_l3
