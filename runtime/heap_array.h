// trelk: working arrays of the archive's decoders, taken from the general heap (large ones as
// AllocLarge blocks) and freed when they go out of scope, also on the way out of a fatal line's
// non-local exit. A refused allocation ends the program with the decoder's own fatal line.
//
//   HeapArray<uint32_t> t = AllocArray<uint32_t>(n, "AllocArray(): Not enough memory");
#pragma once
#include <cstddef>
#include <cstdlib>
#include <memory>

#include "runtime/large_alloc.h"
#include "runtime/log.h"

struct FreeDeleter {
  void operator()(void* p) const { FreeLarge(p); }
};
template <typename T>
using HeapArray = std::unique_ptr<T[], FreeDeleter>;

template <typename T>
HeapArray<T> AllocArray(size_t count, const char* message) {
  T* p = static_cast<T*>(AllocLarge(count * sizeof(T)));
  if (!p) Fatal("%s", message);
  return HeapArray<T>(p);
}
