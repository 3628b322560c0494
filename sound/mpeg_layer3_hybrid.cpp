// Layer III hybrid filter bank: short-block reordering, alias reduction, IMDCT (36 and 12 points, each as a
// DCT-IV of half its length folded out to the full length), windows, overlap-add and frequency inversion.
#include <cmath>
#include <cstring>

#include "sound/mpeg_layer3_internal.h"
#include "sound/mpeg_layer3_tables.h"

#define KVOX_L3_NS kvox_l3::hybrid_portable
#include "sound/mpeg_layer3_hybrid_kernel.inc"
#undef KVOX_L3_NS

namespace kvox_l3 {
namespace {
constexpr double kPi = 3.14159265358979323846;
bool gBuilt = false;
bool gPortable = false;
void (*gHybrid)(const HybridSource*, int32_t, float[32][18], int32_t, float*) = nullptr;
void (*gImdct36)(const float*, int32_t, float*) = nullptr;
void (*gImdct12)(const float*, float*) = nullptr;
}  // namespace

namespace hybrid {

alignas(32) float gCos18[18][24];
alignas(32) float gCos6[6][8];
float gWin36[4][36];
float gWin12[12];
float gInvert[2][18];
float gAliasCs[8], gAliasCa[8];
}  // namespace hybrid

using namespace hybrid;

void HybridUsePortable(bool portable) {
  gPortable = portable;
  gBuilt = false;
  BuildHybrid();
}

void BuildHybrid() {
  if (gBuilt) return;
  const bool avx2 = !gPortable && HybridHasAvx2();
  gHybrid = avx2 ? hybrid_avx2::Hybrid : hybrid_portable::Hybrid;
  gImdct36 = avx2 ? hybrid_avx2::Imdct36 : hybrid_portable::Imdct36;
  gImdct12 = avx2 ? hybrid_avx2::Imdct12 : hybrid_portable::Imdct12;
  for (int32_t k = 0; k < 18; k++) {
    for (int32_t n = 0; n < 24; n++)
      gCos18[k][n] = n < 18 ? float(std::cos(kPi / 18.0 * (n + 0.5) * (k + 0.5))) : 0.0f;
  }
  for (int32_t k = 0; k < 6; k++) {
    for (int32_t n = 0; n < 8; n++) gCos6[k][n] = n < 6 ? float(std::cos(kPi / 6.0 * (n + 0.5) * (k + 0.5))) : 0.0f;
  }
  // The IMDCT output x[i] is c(i + 9) of the DCT-IV c continued past its 18 values, where
  // c(35 - m) = -c(m) and c(m + 36) = -c(m): +y[9..17], then -y[17..0], then -y[0..8].
  for (int32_t i = 0; i < 36; i++) {
    const double sign = i < 9 ? 1.0 : -1.0;
    const double normal = std::sin(kPi / 36.0 * (i + 0.5));
    double start, stop;
    if (i < 18) start = normal;
    else if (i < 24) start = 1.0;
    else if (i < 30) start = std::sin(kPi / 12.0 * (i - 18 + 0.5));
    else start = 0.0;
    if (i < 6) stop = 0.0;
    else if (i < 12) stop = std::sin(kPi / 12.0 * (i - 6 + 0.5));
    else if (i < 18) stop = 1.0;
    else stop = normal;
    gWin36[0][i] = float(normal * sign);
    gWin36[1][i] = float(start * sign);
    gWin36[2][i] = float(normal * sign);
    gWin36[3][i] = float(stop * sign);
  }
  // The same fold for 12 points: +y[3..5], -y[5..0], -y[0..2].
  for (int32_t i = 0; i < 12; i++) gWin12[i] = float(std::sin(kPi / 12.0 * (i + 0.5)) * (i < 3 ? 1.0 : -1.0));
  for (int32_t t = 0; t < 18; t++) {
    gInvert[0][t] = 1.0f;
    gInvert[1][t] = (t & 1) ? -1.0f : 1.0f;
  }
  for (int32_t i = 0; i < 8; i++) {
    gAliasCs[i] = float(kvox_l3tab::kAliasCs[i]);
    gAliasCa[i] = float(kvox_l3tab::kAliasCa[i]);
  }
  gBuilt = true;
}

void BuildBands(int32_t rateIndex, Bands* out) {
  for (int32_t i = 0; i < 23; i++) out->l[i] = kvox_l3tab::kLongBands[rateIndex][i];
  for (int32_t i = 0; i < 14; i++) out->s[i] = kvox_l3tab::kShortBands[rateIndex][i];
  out->mixedLongBands = rateIndex < 3 ? 8 : 6;
  out->mixedLines = out->l[out->mixedLongBands];
  for (int32_t i = 0; i < 576; i++) out->reorderMixed[i] = uint16_t(i);
  for (int32_t b = 0; b < 13; b++) {
    const int32_t s0 = out->s[b], width = out->s[b + 1] - out->s[b];
    for (int32_t w = 0; w < 3; w++) {
      for (int32_t f = 0; f < width; f++) {
        const int32_t src = 3 * s0 + w * width + f;
        const int32_t dst = 3 * (s0 + f) + w;
        out->reorderShort[src] = uint16_t(dst);
        if (src >= out->mixedLines) out->reorderMixed[src] = uint16_t(dst);
      }
    }
  }
}

int32_t ReorderShort(const Granule& g, const Bands& b, int32_t count, float* xr) {
  // Whole bands are permuted within themselves: reorder up to the end of the band holding the last line.
  int32_t band = 0;
  while (band < 13 && 3 * b.s[band] < count) band++;
  const int32_t end = 3 * b.s[band];
  const uint16_t* map = g.mixed ? b.reorderMixed : b.reorderShort;
  const int32_t from = g.mixed ? b.mixedLines : 0;
  if (end <= from) return count;
  float tmp[576];
  for (int32_t i = from; i < end; i++) tmp[map[i]] = xr[i];
  memcpy(xr + from, tmp + from, size_t(end - from) * sizeof(float));
  return end;
}

void AliasReduce(float* xr, int32_t lastBoundary) {
  if (lastBoundary > 31) lastBoundary = 31;
  for (int32_t sb = 1; sb <= lastBoundary; sb++) {
    float* a = xr + 18 * sb - 1;
    float* c = xr + 18 * sb;
    for (int32_t i = 0; i < 8; i++) {
      const float lo = a[-i], hi = c[i];
      a[-i] = lo * gAliasCs[i] - hi * gAliasCa[i];
      c[i] = hi * gAliasCs[i] + lo * gAliasCa[i];
    }
  }
}

void Imdct36(const float* x, int32_t blockType, float z[36]) { gImdct36(x, blockType, z); }
void Imdct12(const float* x, float z[36]) { gImdct12(x, z); }
void Hybrid(const HybridSource* src, int32_t count, float overlap[32][18], int32_t limit, float* out) {
  gHybrid(src, count, overlap, limit, out);
}

void ImdctPlain(const float* x, int32_t n, double* out) {
  for (int32_t i = 0; i < n; i++) {
    double s = 0.0;
    for (int32_t k = 0; k < n / 2; k++) s += x[k] * std::cos(kPi / (2.0 * n) * (2 * i + 1 + n / 2) * (2 * k + 1));
    out[i] = s;
  }
}

}  // namespace kvox_l3
