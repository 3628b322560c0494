// The foreground overlay and its timeline routines.
#include "demo/effects/transpic.h"

#include "demo/effects/screen_picture.h"
#include "runtime/log.h"
#include "runtime/memory.h"

TransPicState TransPicEffect;

void SetUpTransPic(const char* name, int32_t key, const EffectFiles& files) {
  TransPicState& s = TransPicEffect;
  if (s.ready) FreeTransPicEffect();
  Picture* p = files.loadPicture(name);
  s.picture = ScreenPicture565(p, "InitTransPic", name, "TransPic", true);
  s.key = key;
  files.unloadPicture(p);
  s.ready = true;
}

void DrawTransPicOn(const FrameTarget& target) {
  const TransPicState& s = TransPicEffect;
  if (!s.ready || target.width != 320 || target.height != 200) return;
  const int32_t stride = target.stride ? target.stride : target.width;
  for (int32_t y = 0; y < 200; y++) {
    const uint16_t* over = s.picture + y * 320;
    uint16_t* frame = target.pixels + size_t(y) * size_t(stride);
    for (int32_t x = 0; x < 320; x++) frame[x] = int32_t(over[x]) != s.key ? over[x] : frame[x];
  }
}

void FreeTransPicEffect() {
  TransPicState& s = TransPicEffect;
  if (!s.ready) return;
  FreeIfSet(s.picture);
  s.ready = false;
}
