// Fuzz target: the Layer III frame decoder over arbitrary frames. The first byte picks the stream's form
// (version, rate, channels, rate reduction, channel mapping, free format); every later frame header is
// forced to that form, so the fuzzer spends its time in the side information, the reservoir and the
// granule stages. Each frame is decoded from a buffer of exactly its available size.
#include <cstdint>
#include <cstring>
#include <vector>

#include "sound/mpeg_layer3.h"

namespace {
float gSets[2][36][32];
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 8) return 0;
  const uint8_t form = data[0];
  const uint8_t form2 = data[1];
  KvoxMpegHeader h{};
  const int32_t version = (form & 3) % 3;  // 0 MPEG-1, 1 MPEG-2, 2 MPEG 2.5
  h.sync = version == 2 ? 2 : 1;
  h.id = version == 0 ? 1 : 0;
  h.option = 1;
  h.prot = (form >> 2) & 1;
  h.srIndex = ((form >> 3) & 3) % 3;
  h.mode = (form >> 5) & 3;
  const bool freeFormat = (form2 & 1) != 0;
  KvoxLayer3Setup s{};
  s.reduction = (form2 >> 1) % 3;
  s.subbandLimit = s.reduction == 0 ? 31 : s.reduction == 1 ? 15 : 8;
  s.frequencyLimit = 24000;
  s.mapping = h.mode == 3 ? kKvoxMapMono : kKvoxMapStereo + ((form2 >> 3) & 3);
  s.outChannels = s.mapping == kKvoxMapStereo ? 2 : 1;
  s.gainAdjust = s.mapping == kKvoxMapMix ? -4 : 0;
  s.frameLength = freeFormat ? 40 + int32_t(form2 >> 5) * 300 : 417;
  if (!KvoxLayer3Init(h, s)) return 0;

  std::vector<uint8_t> stream(data + 2, data + size);
  size_t at = 0;
  for (int32_t frames = 0; frames < 64 && at + 4 <= stream.size(); frames++) {
    uint8_t* f = stream.data() + at;
    f[0] = 0xFF;
    f[1] = uint8_t((h.sync == 2 ? 0xE0 : 0xF0) | (h.id << 3) | (1 << 1) | h.prot);
    f[2] = uint8_t((freeFormat ? 0 : (f[2] & 0xF0) % 0xF0) | (h.srIndex << 2) | (f[2] & 2));
    f[3] = uint8_t((h.mode << 6) | (f[3] & 0x3F));
    const size_t left = stream.size() - at;
    std::vector<uint8_t> exact(f, f + left);
    int32_t consumed = 0;
    const int32_t r = KvoxLayer3Decode(exact.data(), int32_t(left), &consumed, gSets);
    if (r < 0 || consumed <= 0) break;
    at += size_t(consumed);
  }
  return 0;
}
