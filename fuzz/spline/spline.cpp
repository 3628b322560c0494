// Fuzz target: .spl text through the parser, then evaluation at parameters in and out of range.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "demo/engine/spline.h"
#include "runtime/log.h"   // DebugMode

namespace {

SplineStore store;
volatile double sink;

void Run(const uint8_t* input, size_t inputSize) {
  const int32_t slot = inputSize ? input[0] % kSplineSlots : 0;
  Failure why;
  if (!ParseSpline(&store, slot, input, inputSize, why)) return;
  double out[kSplineValues];
  const double last = store.keyCount[slot] > 0 ? store.keys[slot][store.keyCount[slot] - 1].t : 0.0;
  const double ts[] = {-1e9, -1.0, 0.0, 0.5, 1.0, 13.25, 100.0, 199.9, last, last + 1.0, last * 3.0 + 7.0, 1e12};
  for (double t : ts)
    for (int32_t loopStart : {-1, 0, 1, 100, 2147483647}) {
      EvalSpline(&store, slot, t, out, loopStart);
      for (int32_t j = 0; j < store.valueCount[slot]; j++) sink = out[j];
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  DebugMode = 0;
  std::vector<uint8_t> copy(data, data + size);
  Run(copy.data(), size);
  return 0;
}
