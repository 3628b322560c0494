// One bounded reader over a span of bytes, shared by the archive decoders, the TGA loader and the
// MPEG bit stream.
//
// ByteReader reads little- or big-endian fields; BitReader reads bits most significant first. Neither
// ever reads outside its span: past the end they return zeros and set `overrun`, which the caller
// checks once (after a field, a block or a frame) and reports with its own message.
//
//   BitReader br(data, size);
//   uint32_t sync = br.Get(12);
//   if (br.overrun) return Fail("unexpected end");
//
// Header only, no dependencies: the sound library uses it too.
#pragma once
#include <cstddef>
#include <cstdint>
#include <cstring>

struct ByteReader {
  const uint8_t* data = nullptr;
  size_t size = 0;
  size_t pos = 0;
  bool overrun = false;

  ByteReader() = default;
  ByteReader(const void* d, size_t n) : data(static_cast<const uint8_t*>(d)), size(n) {}

  size_t Left() const { return pos < size ? size - pos : 0; }
  bool Has(size_t n) const { return n <= Left(); }
  uint8_t U8() {
    if (pos >= size) { overrun = true; return 0; }
    return data[pos++];
  }
  uint16_t U16LE() { uint16_t a = U8(); return uint16_t(a | (U8() << 8)); }
  uint16_t U16BE() { uint16_t a = U8(); return uint16_t((a << 8) | U8()); }
  uint32_t U32LE() { uint32_t a = U16LE(); return a | (uint32_t(U16LE()) << 16); }
  uint32_t U32BE() { uint32_t a = U16BE(); return (a << 16) | U16BE(); }
  // Copies n bytes out; a short span copies what is there, zero-fills the rest and sets overrun.
  void Bytes(void* out, size_t n) {
    size_t k = n <= Left() ? n : Left();
    if (k) memcpy(out, data + pos, k);
    if (k < n) { memset(static_cast<uint8_t*>(out) + k, 0, n - k); overrun = true; }
    pos += k;
  }
  const uint8_t* Here() const { return data + (pos < size ? pos : size); }
  void Skip(size_t n) { if (n > Left()) { overrun = true; pos = size; } else pos += n; }
};

// Bits most significant first, through a 64-bit cache: refilled eight bytes at a time while eight are
// left, a byte at a time near the end of the span.
struct BitReader {
  const uint8_t* data = nullptr;
  size_t size = 0;
  size_t pos = 0;          // next byte to load into the cache
  uint64_t cache = 0;      // valid bits at the top
  int bits = 0;            // number of valid bits in cache
  size_t pastEnd = 0;      // bytes of zeros supplied after the end
  bool overrun = false;
  bool overranInBit = false;   // the read that first passed the end took its bits one at a time

  BitReader() = default;
  BitReader(const void* d, size_t n) : data(static_cast<const uint8_t*>(d)), size(n) {}

  void Refill() {
    if (bits <= 56 && size - pos >= 8) {
      // One big-endian load fills the cache to 56..63 bits. The whole bytes it takes are consumed;
      // the bits of the partial one below them are that byte's real bits, so ORing it in again
      // later changes nothing.
      uint64_t w;
      memcpy(&w, data + pos, 8);
      cache |= __builtin_bswap64(w) >> bits;
      pos += size_t((63 - bits) >> 3);
      bits |= 56;
      return;
    }
    while (bits <= 56) {
      uint64_t byte;
      if (pos < size) byte = data[pos++];
      else { byte = 0; pastEnd++; }
      cache |= byte << (56 - bits);
      bits += 8;
    }
  }
  // The next n bits (0 <= n <= 32) without consuming them.
  uint32_t Peek(int n) {
    if (bits < n) Refill();
    return n ? uint32_t(cache >> (64 - n)) : 0;
  }
  void Skip(int n) { Consume(n, n == 1); }
  // Skips n bits that a bit-by-bit reader takes one at a time (the bits of a Huffman code), so that
  // running out inside them counts as a single-bit read.
  void SkipSingly(int n) { Consume(n, true); }
  uint32_t Get(int n) { uint32_t v = Peek(n); Take(n, n == 1); return v; }  // Peek has refilled
  uint32_t Bit() { return Get(1); }
  // Bits consumed since the start of the span.
  size_t Tell() const { return (pos + pastEnd) * 8 - size_t(bits); }
  // Drops the bits left in the current byte.
  void AlignToByte() { Skip(bits & 7); }

 private:
  void Consume(int n, bool singly) {
    if (bits < n) Refill();
    Take(n, singly);
  }
  // Drops n bits (n <= bits) from the cache and notes the first read past the end.
  void Take(int n, bool singly) {
    cache = n >= 64 ? 0 : cache << n;
    bits -= n;
    if (pastEnd && !overrun && Tell() > size * 8) {  // only zeros past the end can be overrun
      overrun = true;
      overranInBit = singly;
    }
  }
};
