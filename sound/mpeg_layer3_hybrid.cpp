// Layer III hybrid filter bank: short-block reordering, alias reduction, IMDCT (36 and 12 points, each as a
// DCT-IV of half its length folded out to the full length), windows, overlap-add and frequency inversion.
#include <cmath>
#include <cstring>

#include "sound/mpeg_layer3_internal.h"
#include "sound/mpeg_layer3_tables.h"

namespace kvox_l3 {
namespace {

constexpr double kPi = 3.14159265358979323846;

// DCT-IV of 18: y[n] = sum_k x[k] cos(pi/18 (n + 1/2)(k + 1/2)); rows by k, padded to 20 outputs.
alignas(32) float gCos18[18][20];
// DCT-IV of 6, rows by k, padded to 8.
alignas(32) float gCos6[6][8];
// The 36 IMDCT outputs are +-y[n] of the DCT-IV: z[i] = y[kFold36[i]] * gWin36[type][i] (sign folded in).
int8_t gFold36[36];
float gWin36[4][36];
int8_t gFold12[12];
float gWin12[12];
float gAliasCs[8], gAliasCa[8];
bool gBuilt = false;

}  // namespace

void BuildHybrid() {
  if (gBuilt) return;
  for (int32_t k = 0; k < 18; k++) {
    for (int32_t n = 0; n < 20; n++)
      gCos18[k][n] = n < 18 ? float(std::cos(kPi / 18.0 * (n + 0.5) * (k + 0.5))) : 0.0f;
  }
  for (int32_t k = 0; k < 6; k++) {
    for (int32_t n = 0; n < 8; n++) gCos6[k][n] = n < 6 ? float(std::cos(kPi / 6.0 * (n + 0.5) * (k + 0.5))) : 0.0f;
  }
  // x[i] = c(i + N/4 ... ) with c the DCT-IV continued: c(2N' - 1 - m) = -c(m), c(m + 2N') = -c(m).
  double sign36[36];
  for (int32_t i = 0; i < 36; i++) {
    if (i < 9) { gFold36[i] = int8_t(i + 9); sign36[i] = 1.0; }
    else if (i < 27) { gFold36[i] = int8_t(26 - i); sign36[i] = -1.0; }
    else { gFold36[i] = int8_t(i - 27); sign36[i] = -1.0; }
  }
  for (int32_t i = 0; i < 36; i++) {
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
    gWin36[0][i] = float(normal * sign36[i]);
    gWin36[1][i] = float(start * sign36[i]);
    gWin36[2][i] = float(normal * sign36[i]);
    gWin36[3][i] = float(stop * sign36[i]);
  }
  for (int32_t i = 0; i < 12; i++) {
    double s;
    if (i < 3) { gFold12[i] = int8_t(i + 3); s = 1.0; }
    else if (i < 9) { gFold12[i] = int8_t(8 - i); s = -1.0; }
    else { gFold12[i] = int8_t(i - 9); s = -1.0; }
    gWin12[i] = float(std::sin(kPi / 12.0 * (i + 0.5)) * s);
  }
  for (int32_t i = 0; i < 8; i++) {
    gAliasCs[i] = float(l3tab::kAliasCs[i]);
    gAliasCa[i] = float(l3tab::kAliasCa[i]);
  }
  gBuilt = true;
}

void BuildBands(int32_t rateIndex, Bands* out) {
  for (int32_t i = 0; i < 23; i++) out->l[i] = l3tab::kLongBands[rateIndex][i];
  for (int32_t i = 0; i < 14; i++) out->s[i] = l3tab::kShortBands[rateIndex][i];
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

void Imdct36(const float* x, int32_t blockType, float z[36]) {
  alignas(32) float y[20];
  for (int32_t n = 0; n < 20; n++) y[n] = x[0] * gCos18[0][n];
  for (int32_t k = 1; k < 18; k++) {
    const float v = x[k];
    for (int32_t n = 0; n < 20; n++) y[n] += v * gCos18[k][n];
  }
  const float* w = gWin36[blockType & 3];
  for (int32_t i = 0; i < 36; i++) z[i] = y[gFold36[i]] * w[i];
}

void Imdct12(const float* x, float z[36]) {
  for (int32_t i = 0; i < 36; i++) z[i] = 0.0f;
  for (int32_t win = 0; win < 3; win++) {
    float y[8];
    for (int32_t n = 0; n < 8; n++) y[n] = x[win] * gCos6[0][n];
    for (int32_t k = 1; k < 6; k++) {
      const float v = x[3 * k + win];
      for (int32_t n = 0; n < 8; n++) y[n] += v * gCos6[k][n];
    }
    float* dst = z + 6 + 6 * win;
    for (int32_t i = 0; i < 12; i++) dst[i] += y[gFold12[i]] * gWin12[i];
  }
}

void ImdctPlain(const float* x, int32_t n, double* out) {
  for (int32_t i = 0; i < n; i++) {
    double s = 0.0;
    for (int32_t k = 0; k < n / 2; k++) s += x[k] * std::cos(kPi / (2.0 * n) * (2 * i + 1 + n / 2) * (2 * k + 1));
    out[i] = s;
  }
}

void Hybrid(const HybridSource* src, int32_t count, float overlap[32][18], int32_t limit, float* out) {
  for (int32_t sb = 0; sb < limit; sb++) {
    alignas(32) float z[36];
    alignas(32) float part[36];
    bool any = false;
    for (int32_t s = 0; s < count; s++) {
      const HybridSource& h = src[s];
      if (sb >= h.subbands) continue;
      float* dst = any ? part : z;
      const float* x = h.xr + 18 * sb;
      if (h.blockType != 2) Imdct36(x, h.blockType, dst);
      else if (h.mixed && sb < h.longSubbands) Imdct36(x, 0, dst);
      else Imdct12(x, dst);
      if (any) for (int32_t i = 0; i < 36; i++) z[i] += part[i];
      any = true;
    }
    float* ov = overlap[sb];
    float* o = out + sb;
    if (!any) {
      for (int32_t t = 0; t < 18; t++) { o[32 * t] = ov[t]; ov[t] = 0.0f; }
    } else {
      for (int32_t t = 0; t < 18; t++) { o[32 * t] = z[t] + ov[t]; ov[t] = z[18 + t]; }
    }
    if (sb & 1) for (int32_t t = 1; t < 18; t += 2) o[32 * t] = -o[32 * t];
  }
}

}  // namespace kvox_l3
