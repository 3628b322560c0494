// The synthesis routines compiled for processors with AVX2 and FMA (chosen at run time by KvoxSynthInit).
#include <cstdint>
#include <cstring>
#if defined(__SSE2__)
#include <immintrin.h>
#endif

#include "sound/mpeg_synth.h"

#if defined(__x86_64__) || defined(__i386__)
#if defined(__clang__)
#pragma clang attribute push(__attribute__((target("avx2,fma"))), apply_to = function)
#else
#pragma GCC push_options
#pragma GCC target("avx2,fma")
#endif
#define KVOX_SYNTH_NS kvox_synth_avx2
#define KVOX_SYNTH_MADD(a, b, c) __builtin_fmaf(a, b, c)
#include "sound/mpeg_synth_kernel.inc"
#if defined(__clang__)
#pragma clang attribute pop
#else
#pragma GCC pop_options
#endif
void kvox_synth::FillAvx2(Table12 out) { kvox_synth_avx2::Fill(out); }
#else
void kvox_synth::FillAvx2(Table12 out) { FillPortable(out); }
#endif
