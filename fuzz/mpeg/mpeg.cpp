// Fuzz target: the MPEG header parse, init and decode over arbitrary bytes. The first byte picks the output
// form (reduction, 8-bit, channel mapping); the rest is the stream, decoded frame by frame as the player
// does, from a buffer of exactly the stream's size so that any read past `available` is caught.
#include <cstdint>
#include <cstring>
#include <vector>

#include "sound/mpeg.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 5) return 0;
  const uint8_t form = data[0];
  std::vector<uint8_t> stream(data + 1, data + size);
  KvoxMpegHeader h;
  int32_t length = KvoxParseHeader(stream.data(), int32_t(stream.size()), &h);
  if (length <= 0) return 0;
  const KvoxDecoder& dec = KvoxDecoderTable[0];
  if (!dec.init(&h, length, form & 3, 0, (form >> 2) & 11, 24000)) return 0;
  KvoxStreamInfo info;
  dec.info(&info);
  std::vector<uint8_t> pcm(size_t(info.values) * size_t(info.bits / 8));
  const uint8_t* p = stream.data();
  int32_t left = int32_t(stream.size());
  for (int frames = 0; frames < 12 && left >= 4; frames++) {
    KvoxDecodeResult r = dec.decode(p, left, pcm.data());
    if (r.consumed <= 0) break;
    if (size_t(r.produced) != pcm.size()) __builtin_trap();
    if (r.consumed >= left) break;
    p += r.consumed;
    left -= r.consumed;
  }
  return 0;
}
