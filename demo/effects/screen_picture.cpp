// Screen-sized pictures in 5-6-5.
#include "demo/effects/screen_picture.h"

#include <cstddef>

#include "demo/engine/fixed.h"
#include "runtime/log.h"
#include "runtime/memory.h"

uint16_t* ScreenPicture565(const Picture* p, const char* routine, const char* name, const char* label, bool exact) {
  const bool sizeOk = exact ? p->width == 320 && p->height == 200 : p->width >= 320 && p->height >= 200;
  if (!p->data || p->bytesPerPixel < 3 || !sizeOk)
    Fatal("%s(): \"%s\" must be %s320 x 200 pixels, 24 or 32-bit (it is %d x %d, %d-bit)", routine, name,
          exact ? "" : "at least ", p->width, p->height, p->depth);
  const int32_t n = p->width * p->height;
  uint16_t* out = (uint16_t*)Nalloc(n * 2, label);
  // Each pixel at the picture's own stride, so a 32-bit picture converts as well as a 24-bit one.
  for (int32_t i = 0; i < n; i++) {
    const uint8_t* c = p->data + size_t(i) * size_t(p->bytesPerPixel);
    out[i] = Pack565(c[0], c[1], c[2]);
  }
  return out;
}

