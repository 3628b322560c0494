// The sand landscape: a night scene drawn in 2D from lookup tables. Clouds of smooth value noise
// morph into each other over a perspective ceiling; a silhouette mask scrolls the scene sideways;
// below the horizon, sand dunes on the right (a height field of two blurred pictures, shaded by
// slope through a highlight picture plus a darkened reflection of the frame above) and still water
// on the left that mirrors the sky with ripples. A dune leaves a trail: the background it passed
// stays darkened and fades back over up to 128 frames.
//
// Files (all 24-bit, fatal otherwise, naming the file):
//   spec.tga        256 x 256   highlight picture, 5-6-5 ("texture")
//   night_ciel.tga  640 x 200+  the scene, 5-6-5 ("background")
//   sandblur.tga    256 x 256   height field, (200 - r - g - b) * 150 ("tab_S")
//   blur2.tga       256 x 256   scrolled height field, (r + g + b) * 110 ("tab_S2")
//   night_s.tga     640 x 200+  silhouette mask, 5-6-5, pure red 0xF800 marks sky ("fore_sky")
// The draw needs a target of at least 320 x 200 and writes frame rows 0-193 only, columns 0-319.
// Set-up draws 3 x 1024 numbers from the shared generator (random.h) for the noise.
//
//   SetUpSable(DataFiles());
//   DrawSableOn(ScreenTarget(), progress);
//   FreeSableEffect();
#pragma once
#include <cstdint>

#include "demo/effects/effect_files.h"
#include "demo/engine/frame.h"

constexpr int32_t kSableWidth = 320;       // the frame the tables are built for
constexpr int32_t kSableHeight = 200;
constexpr int32_t kSceneWidth = 640;       // background and silhouette rows
constexpr int32_t kSlopeEntries = 300000;  // "tab_Z"
constexpr int32_t kSandLevel = 24109;      // trunc(e^-1 * 65536): the height where sand begins
constexpr int32_t kBrightnessEntries = 400;
constexpr int32_t kCeilingRows = 100;
constexpr int32_t kLastSableRow = 193;     // rows below are never drawn

struct SableState {
  int32_t* trail;          // "Sable": 200 x 640 counters
  int32_t* height1;        // "tab_S"
  int32_t* height2;        // "tab_S2"
  int32_t* slope;          // "tab_Z"
  int16_t* slope16;        // the same entries in 16 bits (all lie below 32768), read by the draw
  int32_t* rowOffset;      // "decalage_Y": (i - 128) * 320
  uint16_t* highlight;     // "texture"
  uint16_t* background;    // "background"
  uint16_t* silhouette;    // "fore_sky"
  uint16_t* brightness;    // 400 entries
  int32_t* ceiling;        // 320 x 100
  uint8_t* noise[3];       // N1, N2, N3: 32 x 32
  uint8_t* smooth[2];      // A8, B8: 256 x 256
  uint8_t* fine[2];        // A1, B1: 256 x 256
  uint8_t* layer[2];       // CA, CB: this frame's mixes
  int32_t* cloud;          // this frame's cloud brightness, 65536 entries
  bool ready;
};
extern SableState SableEffect;

void SetUpSable(const EffectFiles& files);
void DrawSableOn(const FrameTarget& target, float progress);
void FreeSableEffect();

// ---- the pieces, for tests ----

// 5-6-5 colour operations (red 0-31, green 0-63, blue 0-31).
constexpr uint16_t AddColour(uint16_t p, uint16_t q) {
  int32_t r = (p >> 11) + (q >> 11), g = ((p >> 5) & 63) + ((q >> 5) & 63), b = (p & 31) + (q & 31);
  return uint16_t((r > 31 ? 31 : r) << 11 | (g > 63 ? 63 : g) << 5 | (b > 31 ? 31 : b));
}
constexpr uint16_t AddGrey(uint16_t p, int32_t a) {
  if (a <= 0) return p;
  int32_t r = (p >> 11) + a, g = ((p >> 5) & 63) + a, b = (p & 31) + a;
  return uint16_t((r > 31 ? 31 : r) << 11 | (g > 63 ? 63 : g) << 5 | (b > 31 ? 31 : b));
}
constexpr uint16_t SubGrey(uint16_t p, int32_t a) {
  int32_t r = (p >> 11) - (a >> 4), g = ((p >> 5) & 63) - (a >> 3), b = (p & 31) - (a >> 4);
  return uint16_t((r < 0 ? 0 : r) << 11 | (g < 0 ? 0 : g) << 5 | (b < 0 ? 0 : b));
}
static_assert(SubGrey(0xFFFF, 128) == uint16_t((31 - 8) << 11 | (63 - 16) << 5 | (31 - 8)));
static_assert(AddGrey(60 << 5, 10) == uint16_t(10 << 11 | 63 << 5 | 10) && AddGrey(0x1234, 0) == 0x1234);
static_assert(AddColour(0xFFFF, 0x0841) == 0xFFFF && SubGrey(0, 255) == 0);

// Brightness table entry: 0 up to 160, then trunc(255 - 255 * 0.9^(v - 160)).
int32_t Brightness(int32_t v);
// The slope table entry: trunc(|ln(K / v)| * 256) above K, 0 at or below it.
int32_t SlopeOf(int32_t v);

// Each entry of an n x n map becomes the sum of the 5 x 5 entries around it (wrapping), minus
// itself, divided by 24.
void BlurMap(uint8_t* map, int32_t n);
// A 32 x 32 source enlarged into 256 x 256 with cell size f (1 tiles it, 8 makes one smooth field),
// then blurred.
void EnlargeMap(const uint8_t* source, int32_t f, uint8_t* out);
// out = a for w = 0, b for w = 1, a again for w = 2, linear between (bytes, 65536 entries).
void MixMaps(uint8_t* out, const uint8_t* a, const uint8_t* b, double w);
// The two cloud weights of a frame at time t (0-400).
double CloudWeight1(double t);
double CloudWeight2(double t);
// The time of a frame: progress * 800 * 0.5.
double SableTime(float progress);

// n / d truncated toward zero, as the slopes of a landscape row divide by the row's zoom, by a
// multiplication with the row's reciprocal and one correction step (the same results as the
// division for every n and every d >= 1).
struct RowDivider {
  int32_t d;
  double inverse;
};
constexpr RowDivider MakeRowDivider(int32_t d) { return {d, 1.0 / double(d)}; }
constexpr int32_t DivideTruncated(int32_t n, const RowDivider& r) {
  int32_t q = int32_t(double(n) * r.inverse);
  const int64_t rest = int64_t(n) - int64_t(q) * r.d;
  if (n >= 0) {
    if (rest >= r.d) q++;
    else if (rest < 0) q--;
  } else {
    if (rest <= -r.d) q--;
    else if (rest > 0) q++;
  }
  return q;
}
static_assert(DivideTruncated(-7, MakeRowDivider(2)) == -3 && DivideTruncated(6, MakeRowDivider(3)) == 2);
