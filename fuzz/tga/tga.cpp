// libFuzzer target for the TGA decoder: any bytes decode to a picture or are refused with a message,
// never with a read or write outside the file or the picture.
#include <cstddef>
#include <cstdint>
#include <cstdio>

#include "runtime/log.h"
#include "runtime/memory.h"
#include "runtime/picture.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > 1 << 20) return 0;
  DebugMode = 0;
  // The guard only catches a pixel block the heap refuses (Nalloc's fatal line).
  const bool died = RunGuarded([&] {
    Picture* p = nullptr;
    Failure why;
    if (PictureFromMemory("fuzz.tga", data, int32_t(size), &p, why)) {
      // Touch every pixel byte the record claims, so a short block shows up at once.
      uint32_t sum = 0;
      int64_t bytes = int64_t(p->width) * p->height * p->bytesPerPixel;
      for (int64_t i = 0; i < bytes; i++) sum += p->data[i];
      p->palette[0][0] = uint8_t(sum);
    }
    if (p) UnloadPicture(p);
  });
  if (died) remove("log.txt");
  ResetExitOnce();
  FreeAll();
  return 0;
}
