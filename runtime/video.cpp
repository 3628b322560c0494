// The display and the keyboard over the platform presenter.
#include "runtime/video.h"

#include <cstdlib>
#include <cstring>

#include "platform/platform.h"
#include "runtime/clock.h"
#include "runtime/log.h"

int32_t ScreenWidth = 320;
int32_t ScreenHeight = 200;
uint16_t* ScreenBuffer = nullptr;

namespace {

struct Display {
  bool open;              // the presenter's window (or target) is open
  int32_t width, height;
  int32_t windowed;
  int32_t depth;          // the requested depth, then the display's real one
  int32_t bytesPerPixel;
  uint8_t* frameBuffer;
  uint8_t keyQueue[64];
  int32_t keyCount;
  bool quitRequested;
};

Display display;

void OnClose() { display.quitRequested = true; }

void PumpMessages() {
  const PlatPresenter* p = PlatCurrentPresenter();
  if (p) p->pump();
  PlatGetEventSink();   // delivers a pending SIGINT / SIGTERM
}

int32_t CountMaskBits(uint32_t mask) {
  if (mask == 0) return 0;
  while ((mask & 1) == 0) mask >>= 1;
  int32_t n = 0;
  while (mask) {
    n++;
    mask >>= 1;
  }
  return n;
}

// Brings both surfaces of a lost display back.
void RestoreSurfaces(const PlatPresenter* p) { p->restore(); }

void CopyRows(uint8_t* surface, int32_t pitch) {
  const int32_t rowBytes = display.bytesPerPixel * display.width;
  for (int32_t y = 0; y < display.height; y++) {
    const uint8_t* src = display.frameBuffer + size_t(y) * size_t(rowBytes);
    uint8_t* dst = surface + size_t(y) * size_t(pitch);
    if (display.depth == 15) {
      const uint16_t* s = reinterpret_cast<const uint16_t*>(src);
      uint16_t* d = reinterpret_cast<uint16_t*>(dst);
      for (int32_t x = 0; x < display.width; x++) d[x] = To555(s[x]);
    } else {
      memcpy(dst, src, size_t(rowBytes));
    }
  }
}

}  // namespace

int32_t DepthFromMasks(uint32_t red, uint32_t green, uint32_t blue) {
  return CountMaskBits(red) + CountMaskBits(green) + CountMaskBits(blue);
}

void QueueKey(uint8_t c) {
  if (display.keyCount < 64) display.keyQueue[display.keyCount++] = c;
}

bool QuitRequested() { return display.quitRequested; }

void InitVideo() {
  memset(&display, 0, sizeof display);
  ScreenBuffer = nullptr;
  PlatSetEventSink({QueueKey, OnClose});
  PlatSetShowClock(GetClock);
}

uint16_t* SetVideoMode(int32_t width, int32_t height, int32_t depth, int32_t fourth, int32_t fullScreen) {
  Info("SetVideoMode(%d, %d, %d, %d, %d)", width, height, depth, fourth, fullScreen);
  if (display.frameBuffer) CloseVideo();
  display.width = width;
  display.height = height;
  display.windowed = fullScreen == 0 ? 1 : 0;

  const PlatPresenter* p = PlatCurrentPresenter();
  PlatSetDisplayNote("");
  if (width <= 0 || height <= 0 || !p || !p->open(width, height, fullScreen != 0, GetAppName()))
    Fatal("SelectVideoMode(): Couldn't set the mode %dx%d %d bits", width, height, depth);
  display.open = true;
  if (*PlatDisplayNote()) Info("SetVideoMode(): %s", PlatDisplayNote());
  PumpMessages();

  display.depth = depth;
  display.bytesPerPixel = (depth + 1) / 8;
  display.frameBuffer = static_cast<uint8_t*>(calloc(size_t(display.bytesPerPixel) * size_t(width) * size_t(height), 1));
  if (!display.frameBuffer) return nullptr;

  const PlatDisplayFormat f = p->format();
  display.depth = DepthFromMasks(f.redMask, f.greenMask, f.blueMask);
  return reinterpret_cast<uint16_t*>(display.frameBuffer);
}

uint16_t* Flip() {
  PumpMessages();
  const PlatPresenter* p = PlatCurrentPresenter();
  if (!display.open || !display.frameBuffer) return reinterpret_cast<uint16_t*>(display.frameBuffer);

  void* surface = nullptr;
  int32_t pitch = 0;
  PlatResult r;
  do r = p->lock(&surface, &pitch); while (r == PLAT_BUSY);
  if (r == PLAT_LOST) {
    RestoreSurfaces(p);
  } else if (r == PLAT_OK) {
    CopyRows(static_cast<uint8_t*>(surface), pitch);
    do r = p->unlock(); while (r == PLAT_BUSY || r == PLAT_STILL_DRAWING);
    if (r == PLAT_LOST) RestoreSurfaces(p);
    do r = p->present(); while (r == PLAT_BUSY);
    if (r == PLAT_LOST) RestoreSurfaces(p);
  }
  return reinterpret_cast<uint16_t*>(display.frameBuffer);
}

int32_t GetKey() {
  if (display.keyCount == 0) return 0;
  const uint8_t c = display.keyQueue[0];
  memmove(display.keyQueue, display.keyQueue + 1, size_t(display.keyCount - 1));
  display.keyCount--;
  return int32_t(int8_t(c));
}

void CloseVideo() {
  const PlatPresenter* p = PlatCurrentPresenter();
  free(display.frameBuffer);
  display.frameBuffer = nullptr;
  if (display.open && p) {
    p->close();
    display.open = false;
  }
  PumpMessages();
}
