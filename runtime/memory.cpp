// Named memory blocks: a doubly linked list of live blocks, each with two guard zones.
#include "runtime/memory.h"

#include <cstdlib>
#include <cstring>

#include "runtime/log.h"

namespace {

constexpr int32_t kGuard = 8192;
constexpr uint8_t kGuardByte = '*';
constexpr uint8_t kFreshByte = '#';

struct MemNode {
  MemNode* next;
  MemNode* prev;
  uint8_t* raw;
  int32_t size;
  int32_t guard;
  char* name;
};

struct MemList {
  MemNode* first;
  MemNode* last;
};

MemList list = {nullptr, nullptr};
int32_t inUse = 0;
int32_t peak = 0;

void Unlink(MemNode* node) {
  (node->prev ? node->prev->next : list.first) = node->next;
  (node->next ? node->next->prev : list.last) = node->prev;
}

// Checks the guards, measures the real use, releases the raw block. Returns the real use or -1.
int32_t FreeNode(MemNode* node) {
  const uint8_t* lead = node->raw;
  const uint8_t* trail = node->raw + node->guard + node->size;
  for (int32_t i = 0; i < node->guard; i++) {
    if (lead[i] != kGuardByte || trail[i] != kGuardByte)
      Fatal("FreeNode(): Corrupt block at 0x%p (%d bytes) named \"%s\" ", (void*)node->raw, node->size, node->name);
  }
  int32_t real = -1;
  if (DebugMode) {
    const uint8_t* user = node->raw + node->guard;
    real = node->size;
    while (real > 0 && user[real - 1] == kFreshByte) real--;
    memset(node->raw, kGuardByte, size_t(node->size) + 2 * size_t(node->guard));
  }
  free(node->raw);
  node->raw = nullptr;
  inUse -= node->size;
  return real;
}

}  // namespace

void InitMemory() {
  list = {nullptr, nullptr};
  inUse = 0;
  peak = 0;
}

char* StringDup(const char* text) {
  if (!text) text = "";
  size_t n = strlen(text) + 1;
  char* copy = (char*)malloc(n);
  if (!copy) Fatal("StringDup(\"%s\"): Not enough memory", text);
  memcpy(copy, text, n);
  return copy;
}

void* Nalloc(int32_t size, const char* name) {
  if (size < 0) Fatal("Nalloc(%d,\"%s\"): Size < 0", size, name);
  if (size == 0) Info("Nalloc(%d,\"%s\"): Size = 0", size, name);
  MemNode* node = (MemNode*)malloc(sizeof(MemNode));
  if (!node) Fatal("Nalloc(%d,\"%s\"): Not enough memory for memnode", size, name);
  int32_t guard = DebugMode ? kGuard : 0;
  uint8_t* raw = (uint8_t*)malloc(size_t(size) + 2 * size_t(guard));
  if (!raw) {
    free(node);
    Fatal("Nalloc(%d,\"%s\"): Not enough memory", size, name);
  }
  *node = {nullptr, list.last, raw, size, guard, StringDup(name)};
  if (guard > 0) {
    memset(raw, kGuardByte, size_t(guard));
    memset(raw + guard + size, kGuardByte, size_t(guard));
  }
  if (DebugMode && size > 0) memset(raw + guard, kFreshByte, size_t(size));
  (list.last ? list.last->next : list.first) = node;
  list.last = node;
  inUse += size;
  if (inUse > peak) peak = inUse;
  Info("Nalloc(%d,\"%s\") -> %d bytes used", size, name, inUse);
  return raw + guard;
}

void* Malloc(int32_t size) {
  Info("Malloc(%d)", size);
  return Nalloc(size, "<Unknown>");
}

void Free(void* pointer) {
  MemNode* node = list.first;
  while (node && node->raw + node->guard != pointer) node = node->next;
  if (!node) {
    Error("Free(%p): Tried to free unallocated block", pointer);
    return;
  }
  int32_t real = FreeNode(node);
  if (real >= 0 && real != node->size)
    Info("Free(\"%s\"): %d freed (%d real) -> %d bytes used", node->name, node->size, real, inUse);
  else
    Info("Free(\"%s\"): %d freed -> %d bytes used", node->name, node->size, inUse);
  Unlink(node);
  free(node->name);
  free(node);
}

void FreeAll() {
  Info("FreeAll(): %d bytes used as a maximum", peak);
  for (MemNode* node = list.first; node; node = node->next) {
    Warning("FreeAll(): Undeallocated Block: \"%s\" (%d bytes)", node->name, node->size);
    FreeNode(node);
  }
  MemNode* node = list.first;
  while (node) {
    MemNode* next = node->next;
    free(node->name);
    free(node);
    node = next;
  }
  list = {nullptr, nullptr};
}

int32_t MemoryInUse() { return inUse; }
int32_t MemoryPeak() { return peak; }
