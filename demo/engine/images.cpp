// Image slots and sprites: conversion at load, bounded drawing on a target.
#include "demo/engine/images.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "demo/engine/fixed.h"
#include "runtime/log.h"
#include "runtime/memory.h"

ImageSlot ImageSlots[kImageSlots];
Sprite Sprites[kSprites];
SplineStore SpriteSplines;

namespace {

// One warning per slot or sprite and routine; index kImageSlots stands for every bad number.
enum WarnKind { kWarnShow, kWarnCentered, kWarnSprite, kWarnKinds };
bool warned[kWarnKinds][kImageSlots + 1];

void WarnOnce(WarnKind kind, int32_t number, const char* routine, const char* problem) {
  const int32_t index = (number >= 0 && number < kImageSlots) ? number : kImageSlots;
  if (warned[kind][index]) return;
  warned[kind][index] = true;
  Warning("%s(): %s %d: %s", routine, kind == kWarnSprite ? "sprite" : "image", number, problem);
}

bool ValidSlot(int32_t slot) { return slot >= 0 && slot < kImageSlots; }

int64_t SlotPixels(const ImageSlot& s) { return s.pixels ? int64_t(s.width) * int64_t(s.height) : 0; }

void FreeSlot(ImageSlot& s) {
  if (s.pixels) Free(s.pixels);
  if (s.alpha) Free(s.alpha);
  s.pixels = nullptr;
  s.alpha = nullptr;
}

// Cuts the rectangle (w x h at x, y of the target, from sx, sy of the image) to what lies on both.
// Returns false when nothing is left; *cut tells whether the image bounds removed anything.
bool Clip(const ImageSlot& s, const FrameTarget& t, int64_t& x, int64_t& y, int64_t& w, int64_t& h, int64_t& sx,
          int64_t& sy, bool* cut) {
  *cut = false;
  if (!s.pixels || !t.pixels) return false;
  // The image's own bounds.
  if (sx < 0) { x -= sx; w += sx; sx = 0; *cut = true; }
  if (sy < 0) { y -= sy; h += sy; sy = 0; *cut = true; }
  if (sx + w > s.width) { w = s.width - sx; *cut = true; }
  if (sy + h > s.height) { h = s.height - sy; *cut = true; }
  // The target's bounds.
  if (x < 0) { w += x; sx -= x; x = 0; }
  if (y < 0) { h += y; sy -= y; y = 0; }
  if (x + w > t.width) w = t.width - x;
  if (y + h > t.height) h = t.height - y;
  return w > 0 && h > 0;
}

template <class Op>
void Blit(const FrameTarget& t, int32_t x, int32_t y, int32_t w, int32_t h, int32_t sx, int32_t sy, int32_t n, Op op) {
  if (n < 0 || n >= kSprites) return;
  const Sprite& sp = Sprites[n];
  if (!ValidSlot(sp.image)) return;
  const ImageSlot& s = ImageSlots[sp.image];
  int64_t X = x, Y = y, W = w, H = h, SX = sx, SY = sy;
  bool cut;
  if (!Clip(s, t, X, Y, W, H, SX, SY, &cut)) return;
  for (int64_t r = 0; r < H; r++) {
    const int64_t src = (SY + r) * s.width + SX;
    uint16_t* d = t.pixels + (Y + r) * RowStride(t) + X;
    op(d, s.pixels + src, s.alpha ? s.alpha + src : nullptr, int32_t(W), s);
  }
}

}  // namespace

void ResetImageWarnings() { memset(warned, 0, sizeof warned); }

bool StoreImage(int32_t slot, const Picture& picture, int32_t mode, int32_t value) {
  if (slot >= kImageSlots) Fatal("LoadImage(): too many images");
  if (slot < 0) {
    Error("LoadImage(): image number %d is below 0", slot);
    return false;
  }
  ImageSlot& s = ImageSlots[slot];
  FreeSlot(s);
  const int32_t width = picture.width > 0 ? picture.width : 0;
  const int32_t height = picture.height > 0 ? picture.height : 0;
  const int64_t count = int64_t(width) * height;
  if (count * 2 > 0x7FFFFFFF) {
    Error("LoadImage(): picture of %d x %d pixels is too large", width, height);
    s = {};
    return false;
  }
  s.pixels = (uint16_t*)Nalloc(int32_t(count * 2), "SpritePic");
  memset(s.pixels, 0, size_t(count) * 2);
  s.alpha = nullptr;
  if (mode == kDrawKeyed) s.key = value;
  if (mode == kDrawAlpha) {
    s.alpha = (uint8_t*)Nalloc(int32_t(count), "SpriteAlpha");
    memset(s.alpha, 0, size_t(count));
  }
  s.mode = mode;
  s.width = width;
  s.height = height;
  // Bytes a damaged picture does not have read as 0 (pictures of fewer than three bytes per pixel).
  const int32_t bpp = picture.bytesPerPixel > 0 ? picture.bytesPerPixel : 0;
  const int64_t bytes = picture.data ? count * bpp : 0;
  const uint8_t* data = picture.data;
  auto byte = [&](int64_t at) -> uint32_t { return at < bytes ? data[at] : 0; };
  for (int64_t i = 0; i < count; i++) {
    const int64_t at = i * bpp;
    int32_t a = 256;
    if (mode == kDrawAlpha) {
      a = bpp == 4 ? int32_t(byte(at + 3)) : value;
      s.alpha[i] = uint8_t(a);
    }
    s.pixels[i] = Premultiply565(byte(at), byte(at + 1), byte(at + 2), a);
  }
  return true;
}

bool DefineSprite(int32_t n, int32_t image, int32_t srcX, int32_t srcY, int32_t width, int32_t height,
                  int32_t loopStart) {
  if (n >= kSprites) Fatal("AddSprite(): not enough empty sprite");
  if (n < 0) {
    Error("AddSprite(): sprite number %d is below 0", n);
    return false;
  }
  Sprite& sp = Sprites[n];
  sp.image = image;
  sp.srcX = srcX;
  sp.srcY = srcY;
  sp.width = width;
  sp.height = height;
  sp.loopStart = loopStart;
  return true;
}

void ShowImageOn(const FrameTarget& t, int32_t slot) {
  if (!t.pixels || t.width <= 0 || t.height <= 0) return;
  const int64_t screen = int64_t(t.width) * t.height;
  if (!ValidSlot(slot) || !ImageSlots[slot].pixels) {
    WarnOnce(kWarnShow, slot, "ShowImage", "no picture loaded");
    return;
  }
  const ImageSlot& s = ImageSlots[slot];
  int64_t count = SlotPixels(s);
  if (count < screen) WarnOnce(kWarnShow, slot, "ShowImage", "picture smaller than the screen");
  if (count > screen) count = screen;
  // One block copy of the picture's first pixels, row by row when the target has a stride.
  for (int64_t r = 0; r * t.width < count; r++) {
    const int64_t n = count - r * t.width < t.width ? count - r * t.width : t.width;
    memcpy(t.pixels + r * RowStride(t), s.pixels + r * t.width, size_t(n) * 2);
  }
}

void ShowImageCenteredOn(const FrameTarget& t, int32_t slot) {
  if (!t.pixels || t.width <= 0 || t.height <= 0) return;
  // White behind the logo, one row at a time from a row pointer.
  const int64_t stride = RowStride(t);
  for (int64_t r = 0; r < t.height; r++) {
    uint16_t* row = t.pixels + r * stride;
    std::fill(row, row + t.width, uint16_t(0xFFFF));
  }
  if (!ValidSlot(slot) || !ImageSlots[slot].pixels) {
    WarnOnce(kWarnCentered, slot, "ShowImageCentered", "no picture loaded");
    return;
  }
  // The middle 200 rows of a 256-pixel-wide picture, at column 32 of rows 0 to 199.
  const ImageSlot& s = ImageSlots[slot];
  const int64_t have = SlotPixels(s);
  bool shortPicture = false;
  for (int64_t r = 0; r < 200 && r < t.height; r++) {
    const int64_t src = (28 + r) * 256;
    int64_t n = 256;
    if (32 + n > t.width) n = t.width - 32;
    if (src + n > have) {
      n = have - src;
      shortPicture = true;
    }
    if (n <= 0) continue;
    memcpy(t.pixels + r * RowStride(t) + 32, s.pixels + src, size_t(n) * 2);
  }
  if (shortPicture) WarnOnce(kWarnCentered, slot, "ShowImageCentered", "picture smaller than 256 x 228");
}

void DrawOpaque(const FrameTarget& t, int32_t x, int32_t y, int32_t w, int32_t h, int32_t sx, int32_t sy, int32_t n) {
  Blit(t, x, y, w, h, sx, sy, n, [](uint16_t* d, const uint16_t* s, const uint8_t*, int32_t count, const ImageSlot&) {
    memcpy(d, s, size_t(count) * 2);
  });
}

void DrawKeyed(const FrameTarget& t, int32_t x, int32_t y, int32_t w, int32_t h, int32_t sx, int32_t sy, int32_t n) {
  Blit(t, x, y, w, h, sx, sy, n,
       [](uint16_t* d, const uint16_t* s, const uint8_t*, int32_t count, const ImageSlot& slot) {
         const int32_t key = slot.key;
         for (int32_t i = 0; i < count; i++) d[i] = int32_t(s[i]) != key ? s[i] : d[i];
       });
}

void DrawAlpha(const FrameTarget& t, int32_t x, int32_t y, int32_t w, int32_t h, int32_t sx, int32_t sy, int32_t n) {
  Blit(t, x, y, w, h, sx, sy, n,
       [](uint16_t* d, const uint16_t* s, const uint8_t* a, int32_t count, const ImageSlot&) {
         if (!a) return;
         for (int32_t i = 0; i < count; i++) d[i] = BlendAlpha565(d[i], s[i], a[i]);
       });
}

void DrawSpriteOn(const FrameTarget& t, int32_t n, float progress) {
  if (n < 0 || n >= kSprites || !Sprites[n].defined) {
    WarnOnce(kWarnSprite, n, "DrawSprite", "no such sprite");
    return;
  }
  const Sprite& sp = Sprites[n];
  const double at = double(progress * 200.0f);
  double position[kSplineValues] = {0, 0, 0, 0, 0, 0, 0};
  EvalSpline(&SpriteSplines, n, at, position, sp.loopStart);
  if (SpriteSplines.valueCount[n] < 2) {
    WarnOnce(kWarnSprite, n, "DrawSprite", "path without x and y");
    return;
  }
  // A position that is not a number, or beyond any screen, draws nothing.
  if (!(std::fabs(position[0]) < 1e9) || !(std::fabs(position[1]) < 1e9)) return;
  int64_t x = int64_t(position[0]), y = int64_t(position[1]);
  int64_t w = sp.width, h = sp.height, sx = sp.srcX, sy = sp.srcY;
  if (x >= t.width || y >= t.height || x + w - 1 < 0 || y + h - 1 < 0) return;
  if (x + w > t.width) w = t.width - x;
  if (y + h > t.height) h = t.height - y;
  if (x < 0) { w += x; sx -= x; x = 0; }
  if (y < 0) { h += y; sy -= y; y = 0; }
  if (!ValidSlot(sp.image) || !ImageSlots[sp.image].pixels) {
    WarnOnce(kWarnSprite, n, "DrawSprite", "its image is not loaded");
    return;
  }
  const ImageSlot& s = ImageSlots[sp.image];
  int64_t cx = x, cy = y, cw = w, ch = h, csx = sx, csy = sy;
  bool cut;
  Clip(s, t, cx, cy, cw, ch, csx, csy, &cut);
  if (cut) WarnOnce(kWarnSprite, n, "DrawSprite", "rectangle reaches outside its image");
  const int32_t X = int32_t(x), Y = int32_t(y), W = int32_t(w), H = int32_t(h), SX = int32_t(sx), SY = int32_t(sy);
  switch (s.mode) {
    case kDrawOpaque: DrawOpaque(t, X, Y, W, H, SX, SY, n); break;
    case kDrawKeyed: DrawKeyed(t, X, Y, W, H, SX, SY, n); break;
    case kDrawAlpha: DrawAlpha(t, X, Y, W, H, SX, SY, n); break;
    default: break;
  }
}

void ReleaseImages() {
  for (ImageSlot& s : ImageSlots) FreeSlot(s);
}
