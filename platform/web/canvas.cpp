// The "canvas" presenter and the page's message box.
//
// Each presented frame is turned into RGBA and put into the page's canvas (Module.tarvonCanvas) at
// its own size, 320 x 200; the page shows the canvas at the 4:3 shape of a monitor of the time,
// letterboxed, nearest-neighbour (web/index.html). Then the frame hands the browser its turn until
// the next animation frame: the timeline's loop keeps running as it is, one pass per display frame.
// Before yielding it runs the music thread when its sleep is over and lets the audio sink catch up.
// Typed characters come from the page's key handler (Module.tarvonKeys).
#include <emscripten.h>

#include <cstdio>
#include <vector>

#include "platform/backends.h"
#include "platform/waveout.h"
#include "platform/web/web.h"

namespace {

struct CanvasState {
  bool open = false;
  int32_t width = 0, height = 0;
  std::vector<uint16_t> frame;
  std::vector<uint32_t> rgba;
};

CanvasState canvas;

// clang-format off
EM_JS(int, CanvasOpen, (int width, int height), {
  const c = Module.tarvonCanvas;
  if (!c) return 0;
  c.width = width;
  c.height = height;
  Module.tarvonContext = c.getContext('2d', {alpha: false});
  if (!Module.tarvonContext) return 0;
  Module.tarvonImage = Module.tarvonContext.createImageData(width, height);
  return 1;
});

// The page hears of every frame with the demo clock's reading.
EM_JS(void, CanvasShow, (const uint32_t* pixels, int bytes, int showMs), {
  const image = Module.tarvonImage;
  image.data.set(HEAPU8.subarray(pixels, pixels + bytes));
  Module.tarvonContext.putImageData(image, 0, 0);
  if (Module.tarvonFrameShown) Module.tarvonFrameShown(showMs);
});

EM_ASYNC_JS(void, CanvasWaitFrame, (), {
  await new Promise(resolve => requestAnimationFrame(resolve));
});

EM_JS(int, CanvasNextKey, (), {
  const keys = Module.tarvonKeys;
  return keys && keys.length ? keys.shift() : -1;
});

EM_JS(void, PageMessage, (const char* title, const char* text), {
  if (Module.tarvonMessage) Module.tarvonMessage(UTF8ToString(title), UTF8ToString(text));
});
// clang-format on

bool Open(int32_t width, int32_t height, bool, const char*) {
  if (!CanvasOpen(width, height)) {
    fprintf(stderr, "tarvon3: the page has no canvas to draw into\n");
    return false;
  }
  canvas.width = width;
  canvas.height = height;
  canvas.frame.assign(size_t(width) * size_t(height), 0);
  canvas.rgba.assign(canvas.frame.size(), 0xFF000000u);
  canvas.open = true;
  return true;
}

PlatDisplayFormat Format() { return {0xF800, 0x07E0, 0x001F}; }

PlatResult Lock(void** pixels, int32_t* pitch) {
  if (!canvas.open) return PLAT_FAILED;
  *pixels = canvas.frame.data();
  *pitch = canvas.width * 2;
  return PLAT_OK;
}

PlatResult Unlock() { return canvas.open ? PLAT_OK : PLAT_FAILED; }

// 5-6-5 to bytes R, G, B, A in memory order; the top bits are repeated into the low ones, so white
// stays 255.
void ToRgba(const uint16_t* in, uint32_t* out, size_t count) {
  for (size_t i = 0; i < count; i++) {
    const uint32_t p = in[i];
    const uint32_t r = (p >> 11) & 31, g = (p >> 5) & 63, b = p & 31;
    out[i] = 0xFF000000u | ((b << 3 | b >> 2) << 16) | ((g << 2 | g >> 4) << 8) | (r << 3 | r >> 2);
  }
}

PlatResult Present() {
  if (!canvas.open) return PLAT_FAILED;
  ToRgba(canvas.frame.data(), canvas.rgba.data(), canvas.frame.size());
  CanvasShow(canvas.rgba.data(), int(canvas.rgba.size() * 4), PlatShowTime());
  PlatWebRunDueThreads(PlatMilliseconds());
  PlatWaveOutUpdate();
  CanvasWaitFrame();
  return PLAT_OK;
}

void Restore() {}

void Pump() {
  if (!canvas.open) return;
  const PlatEventSink& sink = PlatGetEventSink();
  for (int c = CanvasNextKey(); c >= 0; c = CanvasNextKey())
    if (c > 0 && c < 128) sink.typed(uint8_t(c));
}

void Close() {
  canvas.open = false;
  canvas.frame.clear();
  canvas.rgba.clear();
}

}  // namespace

const PlatPresenter PlatCanvasPresenter = {"canvas", Open, Format, Lock, Unlock, Present, Restore, Pump, Close};

void PlatMessageBox(const char* title, const char* text) {
  fprintf(stderr, "%s: %s\n", title, text);
  PageMessage(title, text);
}
