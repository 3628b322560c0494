// trelk: working arrays of the archive's decoders, taken from the general heap (large ones as
// PlatAllocLarge blocks) and freed when they go out of scope. A refused allocation gives an empty
// array; the decoder then returns its own failure ("AllocBWTBlock(): Not enough memory", ...).
//
//   HeapArray<uint32_t> t = AllocArray<uint32_t>(n);
//   if (!t) return why.Set("AllocArray(): Not enough memory");
#pragma once
#include <cstddef>
#include <cstdlib>
#include <memory>

#include "platform/large_alloc.h"

struct FreeDeleter {
  void operator()(void* p) const { PlatFreeLarge(p); }
};
template <typename T>
using HeapArray = std::unique_ptr<T[], FreeDeleter>;

template <typename T>
HeapArray<T> AllocArray(size_t count) {
  return HeapArray<T>(static_cast<T*>(PlatAllocLarge(count * sizeof(T))));
}
