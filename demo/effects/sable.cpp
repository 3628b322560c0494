// The sand landscape: set-up of every table, one frame, release.
//
// Sections: pieces (colour tables, noise) - set-up - draw (clouds, sky, silhouette, dunes and
// water) - release.
#include "demo/effects/sable.h"

#include <cmath>
#include <cstdlib>
#include <cstring>

#include "demo/effects/random.h"
#include "demo/engine/fixed.h"
#include "demo/engine/same_math.h"
#include "runtime/log.h"
#include "runtime/memory.h"

SableState SableEffect;

namespace {

constexpr int32_t W = kSableWidth;
constexpr int32_t H = kSableHeight;
constexpr int32_t kMapEntries = 65536;
constexpr uint16_t kSkyKey = 0xF800;
bool warnedDraw;

}  // namespace

// ---- pieces ----

int32_t Brightness(int32_t v) {
  if (v <= 160) return 0;
  return int32_t(255.0 - 255.0 * SamePowInt(0.9, v - 160));
}

int32_t SlopeOf(int32_t v) {
  if (v <= kSandLevel) return 0;
  return int32_t(std::fabs(SameLog(double(kSandLevel) / double(v))) * 256.0);
}

void BlurMap(uint8_t* map, int32_t n) {
  uint8_t* copy = (uint8_t*)Malloc(n * n);
  const int32_t mask = n - 1;   // n is 32 or 256
  for (int32_t y = 0; y < n; y++)
    for (int32_t x = 0; x < n; x++) {
      int32_t sum = 0;
      for (int32_t dy = -2; dy <= 2; dy++) {
        const uint8_t* row = map + ((y + dy) & mask) * n;
        for (int32_t dx = -2; dx <= 2; dx++) sum += row[(x + dx) & mask];
      }
      copy[y * n + x] = uint8_t((sum - map[y * n + x]) / 24);
    }
  memcpy(map, copy, size_t(n) * size_t(n));
  Free(copy);
}

void EnlargeMap(const uint8_t* s, int32_t f, uint8_t* out) {
  const int32_t span = 32 * f;
  // Rows of the source, stretched along x and repeated to fill 256.
  for (int32_t j = 0; j < 32; j++) {
    uint8_t* row = out + j * f * 256;
    for (int32_t i = 0; i < 32; i++) {
      int32_t a = s[j * 32 + i] * 256;
      const int32_t step = (s[j * 32 + ((i + 1) & 31)] * 256 - a) / f;
      for (int32_t q = 0; q < f; q++, a += step) row[i * f + q] = uint8_t(a >> 8);
    }
    for (int32_t c = span; c < 256; c++) row[c] = row[c % span];
  }
  // Columns, stretched along y between the rows written above.
  for (int32_t c = 0; c < 256; c++)
    for (int32_t j = 0; j < 32; j++) {
      int32_t a = out[j * f * 256 + c] * 256;
      const int32_t step = (out[((j + 1) & 31) * f * 256 + c] * 256 - a) / f;
      for (int32_t q = 0; q < f; q++, a += step) out[(j * f + q) * 256 + c] = uint8_t(a >> 8);
    }
  for (int32_t r = span; r < 256; r++) memcpy(out + r * 256, out + (r % span) * 256, 256);
  BlurMap(out, 256);
}

void MixMaps(uint8_t* out, const uint8_t* a, const uint8_t* b, double w) {
  if (!(w >= 0.0)) w = 0.0;
  if (w > 2.0) w = 2.0;
  int32_t wa, wb;
  if (w <= 1.0) {
    wa = int32_t((1.0 - w) * 256.0);
    wb = int32_t(w * 256.0);
  } else {
    wb = int32_t((2.0 - w) * 256.0);
    wa = int32_t((w - 1.0) * 256.0);
  }
  for (int32_t i = 0; i < kMapEntries; i++) out[i] = uint8_t((a[i] * wa + b[i] * wb) >> 8);
}

double CloudWeight1(double t) { return SameSin(t * 0.01 + 3.0) * SameCos(t * 0.0125 + 4.0) + 1.0; }
double CloudWeight2(double t) { return SameSin(t * 0.022222223 + 1.0) + 1.0; }
double SableTime(float progress) { return double(progress) * 800.0 * 0.5; }

// ---- set-up ----

namespace {

Picture* LoadChecked(const EffectFiles& files, const char* name, int32_t width, int32_t rows) {
  Picture* p = files.loadPicture(name);
  RequirePicture(p, "InitSable", name, width, rows, kExactly24);
  return p;
}

// Height table of a 256 x 256 picture: scale * (base + sign * (r + g + b)).
void LoadHeights(const EffectFiles& files, const char* name, int32_t* table, int32_t base, int32_t sign,
                 int32_t scale) {
  Picture* p = LoadChecked(files, name, 256, 256);
  const uint8_t* px = p->data;
  for (int32_t i = 0; i < kMapEntries; i++, px += 3) table[i] = (base + sign * (px[0] + px[1] + px[2])) * scale;
  files.unloadPicture(p);
}

void BuildCeiling(int32_t* ceiling) {
  for (int32_t r = 0; r < kCeilingRows; r++) {
    const int32_t d = 100 - r;
    const int32_t q = 1024000 / (d + 1);
    const int32_t v = q - 10240;
    const int32_t step = int32_t(q * 0.0075);
    for (int32_t x = -160; x < 160; x++)
      ceiling[r * W + x + 160] = (((step * x) >> 8) + (v & ~255) + 160) & 0xFFFF;
  }
}

}  // namespace

void SetUpSable(const EffectFiles& files) {
  SableState& s = SableEffect;
  if (s.ready) {
    Warning("InitSable(): already set up, the old set-up is released first");
    FreeSableEffect();
  }
  Info("mem allocation");
  s.trail = (int32_t*)Nalloc(H * 2560, "Sable");
  memset(s.trail, 0, size_t(H) * 2560);
  s.height1 = (int32_t*)Nalloc(kMapEntries * 4, "tab_S");
  s.height2 = (int32_t*)Nalloc(kMapEntries * 4, "tab_S2");
  s.slope = (int32_t*)Nalloc(kSlopeEntries * 4, "tab_Z");
  s.rowOffset = (int32_t*)Nalloc(256 * 4, "decalage_Y");

  Info("loading");
  Picture* p = LoadChecked(files, "spec.tga", 256, 256);
  s.highlight = Map565(*p, "texture");
  files.unloadPicture(p);
  p = LoadChecked(files, "night_ciel.tga", kSceneWidth, H);
  s.background = Map565(*p, "background");
  files.unloadPicture(p);
  LoadHeights(files, "sandblur.tga", s.height1, 200, -1, 150);
  LoadHeights(files, "blur2.tga", s.height2, 0, 1, 110);

  Info("precalc");
  for (int32_t i = 0; i < 256; i++) s.rowOffset[i] = (i - 128) * W;
  // Entry 0 follows the rule for heights at or below the sand level, like every entry up to K.
  for (int32_t v = 0; v < kSlopeEntries; v++) s.slope[v] = SlopeOf(v);
  // Half the cache footprint for the draw's scattered reads; every entry fits (the largest,
  // trunc(ln(299999 / K) * 256), is 645).
  s.slope16 = (int16_t*)Malloc(kSlopeEntries * 2);
  for (int32_t v = 0; v < kSlopeEntries; v++) s.slope16[v] = int16_t(s.slope[v]);

  p = LoadChecked(files, "night_s.tga", kSceneWidth, H);
  s.silhouette = Map565(*p, "fore_sky");
  files.unloadPicture(p);

  s.ceiling = (int32_t*)Malloc(W * kCeilingRows * 4);
  BuildCeiling(s.ceiling);

  for (uint8_t*& n : s.noise) {
    n = (uint8_t*)Malloc(1024);
    for (int32_t i = 0; i < 1024; i++) n[i] = uint8_t(Random() & 255);
    BlurMap(n, 32);
  }
  for (int32_t k = 0; k < 2; k++) {
    s.smooth[k] = (uint8_t*)Malloc(kMapEntries);
    s.fine[k] = (uint8_t*)Malloc(kMapEntries);
    s.layer[k] = (uint8_t*)Malloc(kMapEntries);
  }
  EnlargeMap(s.noise[0], 8, s.smooth[0]);
  EnlargeMap(s.noise[1], 8, s.smooth[1]);
  EnlargeMap(s.noise[0], 1, s.fine[0]);
  EnlargeMap(s.noise[1], 1, s.fine[1]);

  s.brightness = (uint16_t*)Malloc(kBrightnessEntries * 2);
  for (int32_t v = 0; v < kBrightnessEntries; v++) s.brightness[v] = uint16_t(Brightness(v));
  s.cloud = (int32_t*)Malloc(kMapEntries * 4);
  s.ready = true;
  warnedDraw = false;
}

// ---- draw ----

namespace {

// The frame as the effect addresses it: pixel r of a 320-wide run, wherever the rows lie.
struct Frame {
  uint16_t* pixels;
  int64_t stride;
  uint16_t& At(int32_t row, int32_t x) const { return pixels[row * stride + x]; }
  uint16_t Run(int32_t r) const { return pixels[(r / W) * stride + r % W]; }
};

void DrawClouds(const SableState& s, double t) {
  MixMaps(s.layer[0], s.smooth[0], s.smooth[1], CloudWeight1(t));
  MixMaps(s.layer[1], s.fine[0], s.fine[1], CloudWeight2(t));
  const uint8_t* ca = s.layer[0];
  const uint8_t* cb = s.layer[1];
  for (int32_t i = 0; i < kMapEntries; i++) s.cloud[i] = s.brightness[(cb[i] >> 2) + ca[i]];
}

void DrawSky(const SableState& s, const Frame& f, double t, int32_t scroll) {
  const int32_t o = int32_t(t * 0.5) * 258;
  for (int32_t row = 0; row < kCeilingRows; row++) {
    const int32_t fade = 100 - row;
    const int32_t* ceiling = s.ceiling + row * W;
    const uint16_t* bg = s.background + row * kSceneWidth;
    for (int32_t x = 0; x < W; x++) {
      const int32_t c = s.cloud[(ceiling[x] + o) & 0xFFFF];
      f.At(row, x) = c > 10 ? AddGrey(bg[x], (fade * c) >> 9) : bg[x];
    }
  }
  for (int32_t row = kCeilingRows; row < 114; row++)
    for (int32_t x = 0; x < W; x++) f.At(row, x) = s.background[row * kSceneWidth + x];
  // The silhouette scrolls with the scene; the clouds stay only where it marks sky.
  for (int32_t row = 0; row < 114; row++) {
    const uint16_t* mask = s.silhouette + row * kSceneWidth + scroll;
    const uint16_t* bg = s.background + row * kSceneWidth + scroll;
    for (int32_t x = 0; x < W; x++)
      if (mask[x] != kSkyKey) f.At(row, x) = bg[x];
  }
}

inline bool InSlopeTable(int32_t v) { return v >= 0 && v < kSlopeEntries; }

// The slope n / zoom when it lies within -127 to 127 (|n| < 128 * zoom); false otherwise.
inline bool SmallSlope(int32_t n, const RowDivider& zoom, int32_t limit, int32_t* g) {
  if (n <= -limit || n >= limit) return false;
  *g = DivideTruncated(n, zoom);
  return true;
}

void DrawLand(const SableState& s, const Frame& f, double t, int32_t scroll) {
  const int32_t su = 256 - (int32_t(2.0 * t) % 256);
  const int32_t sv = 256 - (int32_t(t * 0.6666667) % 256);
  const int32_t shift2 = (sv << 8) + su;
  const int32_t* S = s.height1;
  const int32_t* S2 = s.height2;
  const int16_t* Z = s.slope16;
  for (int32_t k = 1; k <= 84; k++) {
    const int32_t row = 109 + k;
    const int32_t m = (110 - k) * W;
    const int32_t depth = 80 * 15360 / (k + 11) - 15360;
    const int32_t zoom = (depth + 15360) / 60;
    const RowDivider divider = MakeRowDivider(zoom);
    const int32_t limit = 128 * zoom;
    const int32_t base = depth & ~255;
    const int32_t sceneRow = row * kSceneWidth + scroll;
    for (int32_t x = 0; x < W; x++) {
      const int32_t u = (((x - H - W + scroll) * zoom) >> 8) + H - 40;
      const uint16_t bg = s.background[sceneRow + x];
      int32_t& counter = s.trail[sceneRow + x];
      uint16_t& pixel = f.At(row, x);
      if (u >= 256) {
        pixel = bg;
      } else if (u > 1) {   // sand
        const int32_t i = std::abs(base + u + 12800) & 0xFFFF;
        const int32_t j = (i + shift2) & 0xFFFF;
        const int32_t h = S2[j] + S[i];
        if (h <= kSandLevel) {
          if (counter > 0) {
            pixel = SubGrey(bg, counter);
            counter--;
          } else {
            pixel = bg;
          }
          continue;
        }
        const int32_t h2 = S2[(j - 2) & 0xFFFF] + S[(i - 2) & 0xFFFF];
        const int32_t h3 = S2[(j - 512) & 0xFFFF] + S[(i - 512) & 0xFFFF];
        if (!InSlopeTable(h) || !InSlopeTable(h2) || !InSlopeTable(h3)) continue;
        const int32_t z = Z[h];
        int32_t gx, gy;
        if (!SmallSlope((Z[h2] - z) << 8, divider, limit, &gx) || !SmallSlope((Z[h3] - z) << 8, divider, limit, &gy))
          continue;
        const int32_t r = std::abs(s.rowOffset[(gy >> 3) + 128] + (gx >> 3) + m + x) % 64000;
        pixel = AddColour(s.highlight[(gy + 128) * 256 + gx + 128], SubGrey(f.Run(r), 64));
        counter = 128;
      } else {   // water
        const int32_t i = std::abs(base + u - 40 + 12800) & 0xFFFF;
        const int32_t j = (i + shift2) & 0xFFFF;
        const int32_t v0 = S2[i] + 2 * S2[j];
        const int32_t vx = S2[(i - 1) & 0xFFFF] + 2 * S2[(j - 1) & 0xFFFF];
        const int32_t vy = S2[(i - 256) & 0xFFFF] + 2 * S2[(j - 256) & 0xFFFF];
        if (!InSlopeTable(v0) || !InSlopeTable(vx) || !InSlopeTable(vy)) continue;
        const int32_t z = Z[v0];
        int32_t gx, gy;
        if (!SmallSlope((Z[vx] - z) << 8, divider, limit, &gx) || !SmallSlope((Z[vy] - z) << 8, divider, limit, &gy))
          continue;
        const int32_t r = std::abs(s.rowOffset[(gy >> 1) + 128] + (gx >> 1) + m + x) % 64000;
        pixel = SubGrey(f.Run(r), 64);
      }
    }
  }
}

}  // namespace

void DrawSableOn(const FrameTarget& target, float progress) {
  const SableState& s = SableEffect;
  if (!s.ready || !target.pixels || target.width < W || target.height < H) {
    if (!warnedDraw)
      Warning(s.ready ? "DrawSable(): the frame must be at least 320 x 200" : "DrawSable(): the effect is not set up");
    warnedDraw = true;
    return;
  }
  double t = SableTime(progress);
  if (!std::isfinite(t)) t = 0.0;
  const int32_t scroll = t <= 0.0 ? 0 : t < double(W) ? int32_t(t) : W;
  const Frame f = {target.pixels, RowStride(target)};
  DrawClouds(s, t);
  DrawSky(s, f, t, scroll);
  DrawLand(s, f, t, scroll);
}

// ---- release ----

void FreeSableEffect() {
  SableState& s = SableEffect;
  if (!s.ready) {
    Warning("FreeSable(): the effect is not set up");
    return;
  }
  Info("free");
  FreeIfSet(s.trail);
  FreeIfSet(s.height1);
  FreeIfSet(s.height2);
  FreeIfSet(s.slope);
  FreeIfSet(s.slope16);
  FreeIfSet(s.rowOffset);
  FreeIfSet(s.highlight);
  FreeIfSet(s.background);
  FreeIfSet(s.silhouette);
  FreeIfSet(s.ceiling);
  for (uint8_t*& n : s.noise) FreeIfSet(n);
  for (int32_t k = 0; k < 2; k++) {
    FreeIfSet(s.smooth[k]);
    FreeIfSet(s.fine[k]);
    FreeIfSet(s.layer[k]);
  }
  FreeIfSet(s.brightness);
  FreeIfSet(s.cloud);
  s.ready = false;
}
