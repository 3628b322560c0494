// Bits most significant first into a growing byte vector: the writing side of reader/reader.h's
// BitReader, used by the archive packer's encoders.
#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

struct BitWriter {
  std::vector<uint8_t> bytes;
  uint64_t cache = 0;   // pending bits at the bottom
  int bits = 0;

  // Appends the low n bits of v (0 <= n <= 32), most significant first.
  void Put(uint32_t v, int n) {
    if (n == 0) return;
    cache = (cache << n) | (uint64_t(v) & ((uint64_t(1) << n) - 1));
    bits += n;
    while (bits >= 8) {
      bits -= 8;
      bytes.push_back(uint8_t(cache >> bits));
    }
  }
  void Bit(uint32_t b) { Put(b & 1, 1); }
  // Pads the last byte with zero bits; the reader drops them.
  std::vector<uint8_t>& Finish() {
    if (bits > 0) Put(0, 8 - bits);
    cache = 0;
    return bytes;
  }
  size_t BitCount() const { return bytes.size() * 8 + size_t(bits); }
};
