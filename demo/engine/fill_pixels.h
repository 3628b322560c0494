// The fillers' pixel combinations: small inline functions of (frame pixel, span coordinates) that
// the span loop of fill_scan.h calls per pixel. Selections, not branches, so the loops stay flat.
#pragma once
#include <cstdint>

#include "demo/engine/fixed.h"

namespace fillpixel {

inline uint32_t Index(uint32_t u, uint32_t v) { return ((u >> 16) & 0xFFu) | (v & 0xFF00u); }

// t where t is not 0, else d: a mask, not a jump, so holes in a texture cost no mispredictions.
inline uint16_t Keyed(uint32_t t, uint16_t s, uint16_t d) {
  const uint32_t m = 0u - uint32_t(t != 0);
  return uint16_t((s & m) | (d & ~m));
}

struct KeyedCopy {
  const uint16_t* map;
  uint16_t operator()(uint16_t d, uint32_t u, uint32_t v, uint32_t, uint32_t) const {
    const uint16_t t = map[Index(u, v)];
    return Keyed(t, t, d);
  }
};

struct PlainCopy {
  const uint16_t* map;
  uint16_t operator()(uint16_t, uint32_t u, uint32_t v, uint32_t, uint32_t) const { return map[Index(u, v)]; }
};

struct KeyedSaturatingSum {
  const uint32_t* texture;
  const uint32_t* env;
  uint16_t operator()(uint16_t d, uint32_t u, uint32_t v, uint32_t eu, uint32_t ev) const {
    const uint32_t t = texture[Index(u, v)];
    return Keyed(t, SaturatingSum(t, env[Index(eu, ev)]), d);
  }
};

struct Saturating {
  const uint32_t* texture;
  const uint32_t* env;
  uint16_t operator()(uint16_t, uint32_t u, uint32_t v, uint32_t eu, uint32_t ev) const {
    return SaturatingSum(texture[Index(u, v)], env[Index(eu, ev)]);
  }
};

struct Mean {
  const uint32_t* texture;
  const uint32_t* env;
  uint16_t operator()(uint16_t, uint32_t u, uint32_t v, uint32_t eu, uint32_t ev) const {
    return MeanTexel(texture[Index(u, v)], env[Index(eu, ev)]);
  }
};

}  // namespace fillpixel
