// Layers I and II: bit allocation, scalefactor selection, scalefactors and samples of one frame,
// dequantised onto the 16-bit PCM scale (the scalefactor multipliers carry the factor 32768).
//
// Sections: grouping tables | allocation table choice | Layer I | Layer II | entry
#include "sound/mpeg_layer12.h"

#include <cstring>

#include "reader/reader.h"
#include "sound/mpeg_tables12.h"

namespace {
using namespace kvox_tables;

// ---- grouping tables ----------------------------------------------------------------------------------
// A grouped code word carries three samples of 3, 5 or 9 levels; each table entry holds the three values
// C (s''' + D) of the code, centred on zero. Code words the encoder cannot send (above steps^3 - 1) still
// resolve to bounded values.
struct Grouping {
  float g3[32][3];
  float g5[128][3];
  float g9[1024][3];
};
Grouping gGrouping;
bool gGroupingBuilt = false;

// Per class: value = (code + add) * mul, the sample code read as a fraction with its top bit inverted.
struct ClassConst { float mul, add; const float (*group)[3]; };
ClassConst gClassConst[kQuantClassCount];

void FillGroup(const QuantClass& q, float (*out)[3], int32_t codes) {
  float half = float(1 << (q.sampleBits - 1));
  for (int32_t c = 0; c < codes; c++) {
    int32_t v = c;
    for (int k = 0; k < 3; k++) {
      int32_t level = k < 2 ? v % q.steps : v;
      v /= q.steps;
      out[c][k] = float(q.c * ((level - half) / half + q.d));
    }
  }
}

float Scale(int32_t index) { return float(kScalefactor[index & 63] * 32768.0); }

// ---- allocation table choice ------------------------------------------------------------------------------
int32_t TableForRate(int32_t rate, double perChannel) {
  // The rule that reproduces every row of the selection table, applied to any per-channel rate.
  if (rate == 48000) return perChannel >= 56 ? 0 : 2;
  if (perChannel < 56) return rate == 32000 ? 3 : 2;
  return perChannel < 96 ? 0 : 1;
}

// ---- Layer I -----------------------------------------------------------------------------------------------
void DecodeLayer1(BitReader& br, const KvoxMpegHeader& h, const KvoxLayer12Setup& s, float sets[2][36][32]) {
  const int nch = s.channels;
  int bound = (nch == 2 && h.mode == 1) ? kJointBound[0][h.modeExt] : 32;
  uint8_t alloc[2][32] = {};
  for (int sb = 0; sb < 32; sb++) {
    if (sb < bound) {
      for (int ch = 0; ch < nch; ch++) alloc[ch][sb] = uint8_t(br.Get(4));
    } else {
      alloc[0][sb] = alloc[1][sb] = uint8_t(br.Get(4));
    }
  }
  float factor[2][32], offset[2][32];
  for (int sb = 0; sb < 32; sb++)
    for (int ch = 0; ch < nch; ch++) {
      int a = alloc[ch][sb];
      if (a == 15) a = alloc[ch][sb] = 0;  // forbidden value: nothing sent
      factor[ch][sb] = 0.0f;
      offset[ch][sb] = 0.0f;
      if (a) {
        int nb = a + 1;
        float scf = Scale(int32_t(br.Get(6)));
        factor[ch][sb] = 2.0f / float((1 << nb) - 1) * scf;
        offset[ch][sb] = float(1 - (1 << (nb - 1)));
      }
    }
  const int limit = s.subbandLimit;
  for (int t = 0; t < 12; t++) {
    for (int sb = 0; sb < 32; sb++) {
      if (sb < bound) {
        for (int ch = 0; ch < nch; ch++) {
          int a = alloc[ch][sb];
          float v = 0.0f;
          if (a) v = (float(br.Get(a + 1)) + offset[ch][sb]) * factor[ch][sb];
          if (sb < limit) sets[ch][t][sb] = v;
        }
      } else {
        int a = alloc[0][sb];
        float code = a ? float(br.Get(a + 1)) : 0.0f;
        for (int ch = 0; ch < nch; ch++) {
          float v = a ? (code + offset[ch][sb]) * factor[ch][sb] : 0.0f;
          if (sb < limit) sets[ch][t][sb] = v;
        }
      }
    }
  }
}

// ---- Layer II ----------------------------------------------------------------------------------------------
// Reads the three samples of one class into out[0..2] as C (s''' + D).
inline void ReadTriple(BitReader& br, int q, float out[3]) {
  const QuantClass& k = kQuantClass[q];
  const ClassConst& cc = gClassConst[q];
  if (k.grouped) {
    const float* g = cc.group[br.Get(k.bits)];
    out[0] = g[0];
    out[1] = g[1];
    out[2] = g[2];
  } else {
    for (int i = 0; i < 3; i++) out[i] = (float(br.Get(k.bits)) + cc.add) * cc.mul;
  }
}

void DecodeLayer2(BitReader& br, const KvoxMpegHeader& h, const KvoxLayer12Setup& s, int32_t table,
                  float sets[2][36][32]) {
  const AllocTable& T = kAllocTable[table];
  const int nch = s.channels;
  const int sblimit = T.sblimit;
  int bound = (nch == 2 && h.mode == 1) ? kJointBound[1][h.modeExt] : 32;
  if (bound > sblimit) bound = sblimit;
  int8_t cls[2][32];
  memset(cls, -1, sizeof cls);
  for (int sb = 0; sb < sblimit; sb++) {
    int nbal = T.nbal[sb];
    if (sb < bound) {
      for (int ch = 0; ch < nch; ch++) cls[ch][sb] = T.cls[sb][br.Get(nbal)];
    } else {
      cls[0][sb] = cls[1][sb] = T.cls[sb][br.Get(nbal)];
    }
  }
  uint8_t scfsi[2][32] = {};
  for (int sb = 0; sb < sblimit; sb++)
    for (int ch = 0; ch < nch; ch++)
      if (cls[ch][sb] >= 0) scfsi[ch][sb] = uint8_t(br.Get(2));
  float scale[2][32][3];
  for (int sb = 0; sb < sblimit; sb++)
    for (int ch = 0; ch < nch; ch++) {
      if (cls[ch][sb] < 0) continue;
      float* f = scale[ch][sb];
      switch (scfsi[ch][sb]) {
        case 0: f[0] = Scale(br.Get(6)); f[1] = Scale(br.Get(6)); f[2] = Scale(br.Get(6)); break;
        case 1: f[0] = f[1] = Scale(br.Get(6)); f[2] = Scale(br.Get(6)); break;
        case 2: f[0] = f[1] = f[2] = Scale(br.Get(6)); break;
        default: f[0] = Scale(br.Get(6)); f[1] = f[2] = Scale(br.Get(6)); break;
      }
    }
  const int limit = s.subbandLimit;
  const int stored = limit < sblimit ? limit : sblimit;
  for (int gr = 0; gr < 12; gr++) {
    const int part = gr >> 2;
    float (*out0)[32] = sets[0] + 3 * gr;
    float (*out1)[32] = sets[1] + 3 * gr;
    for (int sb = 0; sb < sblimit; sb++) {
      float v[3];
      if (sb < bound) {
        for (int ch = 0; ch < nch; ch++) {
          float (*out)[32] = ch ? out1 : out0;
          int q = cls[ch][sb];
          if (q >= 0) {
            ReadTriple(br, q, v);
            float f = scale[ch][sb][part];
            v[0] *= f; v[1] *= f; v[2] *= f;
          } else {
            v[0] = v[1] = v[2] = 0.0f;
          }
          if (sb < limit) { out[0][sb] = v[0]; out[1][sb] = v[1]; out[2][sb] = v[2]; }
        }
      } else {
        int q = cls[0][sb];
        v[0] = v[1] = v[2] = 0.0f;
        if (q >= 0) ReadTriple(br, q, v);
        for (int ch = 0; ch < nch; ch++) {
          float (*out)[32] = ch ? out1 : out0;
          float f = q >= 0 ? scale[ch][sb][part] : 0.0f;
          if (sb < limit) { out[0][sb] = v[0] * f; out[1][sb] = v[1] * f; out[2][sb] = v[2] * f; }
        }
      }
    }
    for (int sb = stored; sb < limit; sb++)
      for (int ch = 0; ch < nch; ch++) {
        float (*out)[32] = ch ? out1 : out0;
        out[0][sb] = out[1][sb] = out[2][sb] = 0.0f;
      }
  }
}
}  // namespace

// ---- entry ---------------------------------------------------------------------------------------------------
void KvoxLayer12Tables() {
  if (gGroupingBuilt) return;
  for (int q = 0; q < kQuantClassCount; q++) {
    const QuantClass& k = kQuantClass[q];
    float half = float(1 << (k.sampleBits - 1));
    gClassConst[q].mul = float(k.c / half);
    gClassConst[q].add = float(k.d * half - half);
    gClassConst[q].group = nullptr;
    if (k.grouped) {
      float (*g)[3] = k.steps == 3 ? gGrouping.g3 : k.steps == 5 ? gGrouping.g5 : gGrouping.g9;
      FillGroup(k, g, 1 << k.bits);
      gClassConst[q].group = g;
    }
  }
  gGroupingBuilt = true;
}

int32_t KvoxLayer2AllocTable(const KvoxMpegHeader& h, int32_t frameLength) {
  if (h.srIndex < 0 || h.srIndex > 2) return -1;
  if (!h.id) return kAllocLsf;
  if (h.brIndex != 0) return kAllocSelect[h.mode & 3][h.srIndex][h.brIndex & 15];
  // Free format: the per-channel bit rate follows from the frame length (144000 x kbit/s / rate bytes).
  int32_t rate = KvoxStreamRate(h);
  double kbps = double(frameLength) * rate / 144000.0;
  double perChannel = h.mode == 3 ? kbps : kbps / 2;
  return TableForRate(rate, perChannel);
}

int32_t KvoxLayer12Decode(const uint8_t* frame, int32_t available, const KvoxLayer12Setup& s,
                          float sets[2][36][32], int32_t* consumed) {
  if (available < 4 || frame[0] != 0xFF || (frame[1] & 0xF0) != 0xF0) return -1;
  KvoxMpegHeader h;
  KvoxReadHeader(frame, &h);
  h.option = 4 - s.layer;  // every frame is read as the stream's layer
  // This frame's own bit rate gives its length; free format keeps the init's.
  int32_t length = KvoxFrameLength(h);
  if (length == 0) length = s.frameLength;
  int32_t bytes = length + h.pad * KvoxPaddingUnit(h);
  *consumed = bytes;
  // Bits past the readable bytes read as zeros.
  BitReader br(frame, size_t(bytes < available ? bytes : available));
  br.Skip(32);
  if (!h.prot) br.Skip(16);  // the CRC is not checked
  if (s.layer == 1) {
    DecodeLayer1(br, h, s, sets);
    return 12;
  }
  int32_t table = s.allocTable;
  if (h.brIndex != 0) {
    int32_t t = KvoxLayer2AllocTable(h, length);
    if (t >= 0) table = t;
  }
  DecodeLayer2(br, h, s, table, sets);
  return 36;
}
