// platform: heap blocks for large working arrays that are read at random (the BWT decoder's tables,
// through HeapArray). Blocks of 2 MiB or more are aligned to 2 MiB and offered to the kernel for huge
// pages, so that random reads over tens of megabytes do not miss the TLB on nearly every access.
// Release with PlatFreeLarge(); nullptr when the heap refuses. Each system aligns its own way, so
// the calls live here.
#pragma once
#include <cstddef>
#include <cstdlib>
#if defined(__linux__)
#include <sys/mman.h>
#endif
#if defined(_WIN32)
#include <malloc.h>
#endif

constexpr size_t kLargeAllocAlign = size_t(2) << 20;

inline void* PlatAllocLarge(size_t bytes) {
#if defined(_WIN32)
  // Windows has no posix_memalign, and its aligned blocks go back through _aligned_free only, so
  // every block here is one of them.
  const size_t align = bytes < kLargeAllocAlign ? alignof(std::max_align_t) : kLargeAllocAlign;
  return _aligned_malloc(bytes ? bytes : 1, align);
#else
  if (bytes < kLargeAllocAlign) return malloc(bytes ? bytes : 1);
  void* p = nullptr;
  size_t rounded = (bytes + kLargeAllocAlign - 1) & ~(kLargeAllocAlign - 1);
  if (posix_memalign(&p, kLargeAllocAlign, rounded) != 0) return nullptr;
#if defined(__linux__) && defined(MADV_HUGEPAGE)
  madvise(p, rounded, MADV_HUGEPAGE);   // advice only: without huge pages the block still works
#endif
  return p;
#endif
}

inline void PlatFreeLarge(void* p) {
#if defined(_WIN32)
  _aligned_free(p);
#else
  free(p);
#endif
}
