// The stored-block stand-in for zlib (see zlib/zlib.h): a zlib stream of stored deflate blocks of
// at most 65535 bytes each, with its Adler-32, and the CRC-32 of PNG chunks.
#include "zlib.h"

namespace {

constexpr uLong kBlock = 65535;

uint32_t CrcOfByte(uint32_t c) {
  for (int k = 0; k < 8; k++) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
  return c;
}

}  // namespace

uLong crc32(uLong crc, const Bytef* data, uInt length) {
  static uint32_t table[256];
  if (!table[1])
    for (uint32_t n = 0; n < 256; n++) table[n] = CrcOfByte(n);
  uint32_t c = uint32_t(crc) ^ 0xFFFFFFFFu;
  for (uInt i = 0; i < length; i++) c = table[(c ^ data[i]) & 0xFF] ^ (c >> 8);
  return c ^ 0xFFFFFFFFu;
}

uLong compressBound(uLong n) { return 2 + 4 + n + 5 * (n / kBlock + 1); }

int compress2(Bytef* dest, uLongf* destLength, const Bytef* source, uLong n, int) {
  if (*destLength < compressBound(n)) return Z_BUF_ERROR;
  Bytef* out = dest;
  *out++ = 0x78;   // deflate, 32 KiB window
  *out++ = 0x01;   // no preset dictionary, check bits
  uLong at = 0;
  do {
    const uLong len = n - at < kBlock ? n - at : kBlock;
    *out++ = at + len == n ? 1 : 0;   // the last block's flag, type 0: stored
    *out++ = Bytef(len);
    *out++ = Bytef(len >> 8);
    *out++ = Bytef(~len);
    *out++ = Bytef(~len >> 8);
    for (uLong i = 0; i < len; i++) *out++ = source[at + i];
    at += len;
  } while (at < n);
  uint32_t a = 1, b = 0;
  for (uLong i = 0; i < n; i++) {
    a = (a + source[i]) % 65521;
    b = (b + a) % 65521;
  }
  const uint32_t adler = b << 16 | a;
  for (int s = 24; s >= 0; s -= 8) *out++ = Bytef(adler >> s);
  *destLength = uLongf(out - dest);
  return Z_OK;
}
