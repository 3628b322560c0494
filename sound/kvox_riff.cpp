// The RIFF/WAVE chunk walk to the "data" chunk.
#include "sound/kvox_riff.h"

#include <cstring>

namespace {
constexpr int32_t kFixedHeader = 72;

uint32_t Le32(const uint8_t* p) { return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24; }
}  // namespace

KvoxRiffAudio KvoxFindRiffAudio(const uint8_t* data, int32_t count) {
  if (!data || count < 12 || memcmp(data, "RIFF", 4) != 0 || memcmp(data + 8, "WAVE", 4) != 0)
    return {false, 0, count > 0 ? count : 0};
  for (int64_t at = 12; at + 8 <= count;) {
    const int64_t size = Le32(data + at + 4);
    const int64_t body = at + 8;
    if (memcmp(data + at, "data", 4) == 0) {
      const int64_t rest = count - body;
      const int64_t length = size == 0 || size > rest ? rest : size;
      return {true, int32_t(body), int32_t(length)};
    }
    at = body + size + (size & 1);
  }
  return {true, kFixedHeader, count - kFixedHeader};
}
