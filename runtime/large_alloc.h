// trelk: heap blocks for large working arrays that are read at random (the BWT decoder's tables,
// through HeapArray). Blocks of 2 MiB or more are aligned to 2 MiB and offered to the kernel for huge
// pages, so that random reads over tens of megabytes do not miss the TLB on nearly every access.
// Release with free(); nullptr when the heap refuses.
#pragma once
#include <cstddef>
#include <cstdlib>
#if defined(__linux__)
#include <sys/mman.h>
#endif

constexpr size_t kLargeAllocAlign = size_t(2) << 20;

inline void* AllocLarge(size_t bytes) {
  if (bytes < kLargeAllocAlign) return malloc(bytes ? bytes : 1);
  void* p = nullptr;
  size_t rounded = (bytes + kLargeAllocAlign - 1) & ~(kLargeAllocAlign - 1);
  if (posix_memalign(&p, kLargeAllocAlign, rounded) != 0) return nullptr;
#if defined(__linux__) && defined(MADV_HUGEPAGE)
  madvise(p, rounded, MADV_HUGEPAGE);   // advice only: without huge pages the block still works
#endif
  return p;
}
