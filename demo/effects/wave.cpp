// The wave module: background, mask wipe, and its own sequence of rows.
#include "demo/effects/wave.h"

#include <cstring>

#include "demo/effects/screen_picture.h"
#include "runtime/log.h"
#include "runtime/memory.h"

WaveState WaveEffect;

namespace {

// Runs f(row pixels, first index) over the 320 x 200 frame, row by row at the target's stride.
template <class F>
void ForEachRow(const FrameTarget& t, F f) {
  const int32_t stride = t.stride ? t.stride : t.width;
  for (int32_t y = 0; y < 200; y++) f(t.pixels + size_t(y) * size_t(stride), y * 320);
}
bool ScreenSized(const FrameTarget& t) { return t.width == 320 && t.height == 200; }
}  // namespace

int32_t WaveThreshold(float progress, int32_t direction) {
  return direction == 1 ? int32_t(progress * 256.0) : int32_t((1.0 - progress) * 256.0);
}

void SetUpFond(const char* name, const EffectFiles& files) {
  FreeFondPicture();
  Picture* p = files.loadPicture(name);
  WaveEffect.fond = ScreenPicture565(p, "InitFond", name, "Fond", false);
  files.unloadPicture(p);
}

void SetUpWave(const char* name, int32_t direction, const EffectFiles& files) {
  FreeWaveMask();
  Picture* p = files.loadPicture(name);
  if (!p->data || p->width < 320 || p->height < 200)
    Fatal("InitWave(): \"%s\" must be at least 320 x 200 pixels (it is %d x %d)", name, p->width, p->height);
  const int32_t n = p->width * p->height;
  WaveEffect.mask = (uint8_t*)Nalloc(n, "WavePic");
  memcpy(WaveEffect.mask, p->data, size_t(n));
  WaveEffect.direction = direction;
  files.unloadPicture(p);
}

void DrawFondOn(const FrameTarget& target) {
  if (!WaveEffect.fond || !ScreenSized(target)) return;
  ForEachRow(target, [](uint16_t* row, int32_t at) { memcpy(row, WaveEffect.fond + at, 640); });
}

void DrawWaveOn(const FrameTarget& target, float progress) {
  if (!WaveEffect.mask || !ScreenSized(target)) return;
  const int32_t threshold = WaveThreshold(progress, WaveEffect.direction);
  ForEachRow(target, [threshold](uint16_t* row, int32_t at) {
    const uint8_t* m = WaveEffect.mask + at;
    for (int32_t x = 0; x < 320; x++) row[x] = m[x] < threshold ? 0 : row[x];
  });
}

void FreeFondPicture() { FreeIfSet(WaveEffect.fond); }
void FreeWaveMask() { FreeIfSet(WaveEffect.mask); }
