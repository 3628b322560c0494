// libFuzzer target for the TGA loader: any bytes decode to a picture or end with a fatal line,
// never with a read or write outside the file or the picture.
#include <cstddef>
#include <cstdint>

#include "runtime/log.h"
#include "runtime/memory.h"
#include "runtime/picture.h"

namespace {
const uint8_t* gData;
size_t gSize;
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > 1 << 20) return 0;
  DebugMode = 0;
  gData = data;
  gSize = size;
  RunGuarded(+[] {
    Picture* p = PictureFromMemory("fuzz.tga", gData, int32_t(gSize));
    // Touch every pixel byte the record claims, so a short block shows up at once.
    uint32_t sum = 0;
    int64_t bytes = int64_t(p->width) * p->height * p->bytesPerPixel;
    for (int64_t i = 0; i < bytes; i++) sum += p->data[i];
    p->palette[0][0] = uint8_t(sum);
    UnloadPicture(p);
  });
  ResetExitOnce();
  FreeAll();
  return 0;
}
