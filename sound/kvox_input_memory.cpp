// The memory input driver: reads a block already in memory.
#include <cstring>

#include "sound/kvox.h"

namespace {

int32_t MemOpen(KvoxForm* form, const void* a, int32_t b) {
  const uint8_t* base = static_cast<const uint8_t*>(a);
  if (!base) return -1;
  form->memBase = base;
  form->memCursor = base;
  form->memLength = 0;
  if (b == 0) return -1;
  form->memLength = b < 0 ? 0 : b;
  return 0;
}

int32_t MemRead(KvoxForm* form, uint8_t* destination, int32_t bytes) {
  if (!form->memBase) return -1;
  int32_t remaining = int32_t(form->memBase + form->memLength - form->memCursor);
  if (remaining <= 0) return -1;   // end of data
  int32_t n = remaining < bytes ? remaining : bytes;
  if (n <= 0) return 0;
  memcpy(destination, form->memCursor, size_t(n));
  form->memCursor += n;
  return n;
}

int32_t MemSeek(KvoxForm* form, int32_t offset, int32_t whence) {
  if (!form->memBase) return -1;
  int64_t at;
  switch (whence) {
    case 0: at = offset; break;
    case 1: at = int64_t(form->memCursor - form->memBase) + offset; break;
    case 2: at = int64_t(form->memLength) + offset; break;
    default: return -1;
  }
  // A cursor outside the data would make the next read copy from outside it.
  if (at < 0 || at > form->memLength) return -1;
  form->memCursor = form->memBase + at;
  return 0;
}

int32_t MemGetSize(KvoxForm* form) { return form->memLength; }

int32_t MemClose(KvoxForm* form) {
  form->memLength = 0;
  form->memBase = nullptr;
  form->memCursor = nullptr;
  return 0;
}

}  // namespace

extern const KvoxInputDriver KvoxMemoryInput = {"Memory Input Driver v1.01", MemOpen, MemRead, MemSeek, MemGetSize,
                                                MemClose};
