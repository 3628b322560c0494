// Polyphase synthesis: the shared tables and state, the portable routines and the choice between builds.
#include "sound/mpeg_synth.h"

#include <cmath>
#include <cstring>
#include <numbers>
#if defined(__SSE2__)
#include <immintrin.h>
#endif

#include "sound/mpeg_tables12.h"

namespace kvox_synth {
State gState;
Tables gTables;
}  // namespace kvox_synth

#define KVOX_SYNTH_NS kvox_synth_portable
#define KVOX_SYNTH_MADD(a, b, c) ((a) * (b) + (c))
#include "sound/mpeg_synth_kernel.inc"

void kvox_synth::FillPortable(Table12 out) { kvox_synth_portable::Fill(out); }

namespace {
bool gBuilt = false;
bool gPortableOnly = false;
kvox_synth::Table12 gRoutines;

bool HasAvx2() {
#if defined(__x86_64__) || defined(__i386__)
  return __builtin_cpu_supports("avx2") && __builtin_cpu_supports("fma");
#else
  return false;
#endif
}

void BuildTables() {
  using kvox_synth::gTables;
  for (int r = 0; r < 3; r++) {
    const int n = 32 >> r, h = n / 2;
    for (int i = 0; i < h; i++)
      for (int k = 0; k < h; k++) {
        gTables.dctEven[r][i * h + k] = float(std::cos((2 * i + 1) * (2 * k) * std::numbers::pi / (2.0 * n)));
        gTables.dctOdd[r][i * h + k] = float(std::cos((2 * i + 1) * (2 * k + 1) * std::numbers::pi / (2.0 * n)));
      }
  }
  for (int r = 0; r < 3; r++) {
    int n = 32 >> r;
    for (int i = 0; i < 8; i++)
      for (int j = 0; j < 32; j++) {
        bool used = j < n;
        gTables.even[r][i][j] = used ? float(kvox_tables::kWindow[(j << r) + 64 * i] / 65536.0) : 0.0f;
        gTables.odd[r][i][j] = used ? float(kvox_tables::kWindow[(j << r) + 32 + 64 * i] / 65536.0) : 0.0f;
      }
  }
}
}  // namespace

void KvoxSynthUsePortable(bool portable) { gPortableOnly = portable; }

void KvoxSynthInit() {
  if (!gBuilt) {
    BuildTables();
    gBuilt = true;
  }
  if (!gPortableOnly && HasAvx2()) kvox_synth::FillAvx2(gRoutines);
  else kvox_synth::FillPortable(gRoutines);
  memset(kvox_synth::gState.history, 0, sizeof kvox_synth::gState.history);
  kvox_synth::gState.slot = 0;
}

namespace {
int32_t Clamp(int32_t v, int32_t lo, int32_t hi) { return v < lo ? lo : v > hi ? hi : v; }
}  // namespace

KvoxSynthRoutine KvoxSynthLayer12(bool eightBit, int32_t reduction, int32_t mapping) {
  if (!gBuilt) KvoxSynthInit();
  return gRoutines[eightBit ? 1 : 0][Clamp(reduction, 0, 2)][Clamp(mapping, 0, 4)];
}

KvoxSynthRoutine KvoxSynthLayer3(bool eightBit, int32_t reduction, int32_t outChannels) {
  return KvoxSynthLayer12(eightBit, reduction, outChannels == 2 ? 1 : 0);
}
