// Layer III stereo processing: mid/side, and intensity stereo in its MPEG-1 and LSF forms.
#include <cmath>

#include "sound/mpeg_layer3_internal.h"

namespace kvox_l3 {
namespace {

constexpr float kInvSqrt2 = 0.70710678118654752440f;

// Intensity ratios [kind][is_pos] = {kl, kr}: kind 0 MPEG-1 (is_pos 0..6), 1 and 2 LSF with
// intensity_scale 0 and 1 (is_pos 0..31).
float gRatio[3][32][2];
bool gBuilt = false;

}  // namespace

void BuildStereo() {
  if (gBuilt) return;
  const double pi = 3.14159265358979323846;
  for (int32_t p = 0; p < 32; p++) {
    if (p < 6) {
      const double t = std::tan(p * pi / 12.0);
      gRatio[0][p][0] = float(t / (1.0 + t));
      gRatio[0][p][1] = float(1.0 / (1.0 + t));
    } else {
      gRatio[0][p][0] = 1.0f;
      gRatio[0][p][1] = 0.0f;
    }
    for (int32_t scale = 0; scale < 2; scale++) {
      const double io = scale ? std::pow(2.0, -0.5) : std::pow(2.0, -0.25);
      double kl = 1.0, kr = 1.0;
      if (p & 1) kl = std::pow(io, (p + 1) / 2);
      else if (p) kr = std::pow(io, p / 2);
      gRatio[1 + scale][p][0] = float(kl);
      gRatio[1 + scale][p][1] = float(kr);
    }
  }
  gBuilt = true;
}

namespace {

bool AllZero(const float* v, int32_t n) {
  for (int32_t i = 0; i < n; i++) if (v[i] != 0.0f) return false;
  return true;
}

// One band of the intensity region: either intensity coded by is_pos, or (illegal is_pos) left as it is or
// mid/side coded.
void Band(float* l, float* r, int32_t n, int32_t pos, int32_t isMax, const float (*ratio)[2], bool ms) {
  if (pos >= isMax) {
    if (ms) MidSide(l, r, 0, n);
    return;
  }
  const float kl = ratio[pos][0], kr = ratio[pos][1];
  for (int32_t j = 0; j < n; j++) {
    const float v = l[j];
    l[j] = v * kl;
    r[j] = v * kr;
  }
}

}  // namespace

void MidSide(float* l, float* r, int32_t from, int32_t to) {
  for (int32_t i = from; i < to; i++) {
    const float m = l[i], s = r[i];
    l[i] = (m + s) * kInvSqrt2;
    r[i] = (m - s) * kInvSqrt2;
  }
}

void Intensity(float* l, float* r, const Granule& g, const Scalefactors& sf, const Bands& b, bool lsf, bool ms) {
  const float (*ratio)[2] = gRatio[lsf ? 1 + (g.scalefacCompress & 1) : 0];
  bool found = false;  // a nonzero right-channel band seen above: everything below is not intensity coded
  int32_t longEnd = 22;
  if (g.blockType == 2) {
    const int32_t first = g.mixed ? 3 : 0;
    bool foundWin[3] = {false, false, false};
    for (int32_t band = 12; band >= first; band--) {
      const int32_t width = b.s[band + 1] - b.s[band];
      const int32_t scf = band == 12 ? 11 : band;  // the last band takes the scalefactor below it
      for (int32_t w = 0; w < 3; w++) {
        const int32_t at = 3 * b.s[band] + w * width;
        if (!foundWin[w] && !AllZero(r + at, width)) foundWin[w] = true;
        if (foundWin[w]) {
          if (ms) MidSide(l + at, r + at, 0, width);
        } else {
          Band(l + at, r + at, width, sf.s[scf][w], sf.isMaxS[scf], ratio, ms);
        }
      }
    }
    found = foundWin[0] || foundWin[1] || foundWin[2];
    longEnd = g.mixed ? b.mixedLongBands : 0;
  }
  for (int32_t band = longEnd - 1; band >= 0; band--) {
    const int32_t at = b.l[band], width = b.l[band + 1] - b.l[band];
    const int32_t scf = band == 21 ? 20 : band;
    if (!found && !AllZero(r + at, width)) found = true;
    if (found) {
      if (ms) MidSide(l + at, r + at, 0, width);
    } else {
      Band(l + at, r + at, width, sf.l[scf], sf.isMaxL[scf], ratio, ms);
    }
  }
}

}  // namespace kvox_l3
