// The hybrid filter bank kernels compiled for processors with AVX2 and FMA (chosen at run time by
// BuildHybrid); the results agree with the portable build to within float rounding.
#include <cstdint>

#include "sound/mpeg_layer3_internal.h"

#if defined(__x86_64__) || defined(__i386__)
#if defined(__clang__)
#pragma clang attribute push(__attribute__((target("avx2,fma"))), apply_to = function)
#else
#pragma GCC push_options
#pragma GCC target("avx2,fma")
#endif
#define KVOX_L3_NS kvox_l3::hybrid_avx2
#include "sound/mpeg_layer3_hybrid_kernel.inc"
#undef KVOX_L3_NS
#if defined(__clang__)
#pragma clang attribute pop
#else
#pragma GCC pop_options
#endif
bool kvox_l3::HybridHasAvx2() { return __builtin_cpu_supports("avx2") && __builtin_cpu_supports("fma"); }
#else
namespace kvox_l3::hybrid_avx2 {
void Imdct36(const float* x, int32_t blockType, float* z) { hybrid_portable::Imdct36(x, blockType, z); }
void Imdct12(const float* x, float* z) { hybrid_portable::Imdct12(x, z); }
void Hybrid(const HybridSource* src, int32_t count, float overlap[32][18], int32_t limit, float* out) {
  hybrid_portable::Hybrid(src, count, overlap, limit, out);
}
}  // namespace kvox_l3::hybrid_avx2
bool kvox_l3::HybridHasAvx2() { return false; }
#endif
