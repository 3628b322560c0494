// The layout of the data archive and the two checks shared by its reader (runtime/archive.cpp)
// and its writer (tools/qvxpack): the Adler-32 checksum and the delta filter.
//
// File:   "QAr", one free byte, then entries back to back, ended by a header length of 0 or by
//         the end of the file. All numbers are big-endian.
// Entry:  u16 header length H (22 + L), u32 stored length D, u16 name length L (at most 259),
//         L name bytes, u32 unpacked size N, u8 method, u8 delta distance, u32 Adler-32 of the N
//         unpacked bytes, u32 free field; then D bytes of data at the entry's start + H.
//
// Delta: a packed entry with distance d keeps stored[i] = data[i] - data[i - d] (mod 256) for
// i >= d; unpacking adds back in increasing order. Stored (method 0) entries never use it.
//
//   uint32_t sum = Adler32(bytes, n);          // 1 for n = 0
//   DeltaEncode(bytes, n, 2);  DeltaDecode(bytes, n, 2);   // back where it started
#pragma once
#include <cstddef>
#include <cstdint>

namespace qvx {

inline constexpr uint8_t kMagic[3] = {'Q', 'A', 'r'};
inline constexpr int kFileHeaderSize = 4;           // magic and the free byte
inline constexpr int kEntryFixedSize = 22;          // header bytes besides the name
inline constexpr int kMaxNameLength = 259;
inline constexpr int kMaxDelta = 255;
inline constexpr int kMethodCount = 4;
inline constexpr const char* kMethodNames[kMethodCount] = {"STORE", "LZH", "BWT", "PPM"};

// Offsets inside an entry header, L being the name length.
inline constexpr int kOffHeaderLength = 0;
inline constexpr int kOffStoredLength = 2;
inline constexpr int kOffNameLength = 6;
inline constexpr int kOffName = 8;
inline constexpr int OffUnpackedSize(int L) { return 8 + L; }
inline constexpr int OffMethod(int L) { return 12 + L; }
inline constexpr int OffDelta(int L) { return 13 + L; }
inline constexpr int OffChecksum(int L) { return 14 + L; }
inline constexpr int OffFree(int L) { return 18 + L; }
static_assert(OffFree(0) + 4 == kEntryFixedSize);

// LZH: 256 literals and 17 x 32 match symbols (length class x distance class).
inline constexpr int kLzhSymbols = 800;
inline constexpr int kLzhMaxCodeLength = 25;
inline constexpr int kLzhBlockSymbols = 65536;     // GetBits(16) + 1 at most
inline constexpr int kLzhLongMatch = 259;          // length class 16
inline constexpr int kLzhMaxDistance = 65535;
// The nested table that codes LZH code lengths: 0 and 1 zero runs, 2 repeat, 3 + length.
inline constexpr int kLengthSymbols = 29;
inline constexpr int kLengthMaxCodeLength = 15;

// Class c of a match length (minus 3) or a distance: base and extra bits.
inline constexpr int ClassExtra(int c) { return c < 4 ? 0 : c / 2 - 1; }
inline constexpr int ClassBase(int c) { return c < 4 ? c : (2 + (c & 1)) << ClassExtra(c); }
static_assert(ClassBase(4) == 4 && ClassBase(5) == 6 && ClassBase(6) == 8 && ClassBase(7) == 12);
static_assert(ClassBase(30) == 32768 && ClassBase(31) == 49152);
static_assert(ClassBase(31) + (1 << ClassExtra(31)) - 1 == kLzhMaxDistance);
static_assert(ClassBase(15) + (1 << ClassExtra(15)) - 1 + 3 == 258);

// BWT: 257 symbols (two run digits, then byte values 1..255 as 2..256), up to 256 tables.
inline constexpr int kBwtSymbols = 257;
inline constexpr int kBwtMaxCodeLength = 25;
inline constexpr int kBwtMaxBlocks = 256;
inline constexpr int kBwtMaxBlockSize = 65536;
inline constexpr int32_t kBwtMaxSize = 1 << 25;    // the row index is sent in 25 bits

// Adler-32 (RFC 1950): sums modulo 65521 from 1 and 0, result second * 65536 + first.
inline uint32_t Adler32(const void* data, size_t n, uint32_t start = 1) {
  const uint8_t* p = static_cast<const uint8_t*>(data);
  uint32_t a = start & 0xFFFF, b = start >> 16;
  while (n > 0) {
    size_t k = n < 5552 ? n : 5552;   // largest run whose sums cannot overflow 32 bits
    n -= k;
    while (k >= 16) {
      for (int i = 0; i < 16; i++) { a += p[i]; b += a; }
      p += 16;
      k -= 16;
    }
    while (k--) { a += *p++; b += a; }
    a %= 65521;
    b %= 65521;
  }
  return (b << 16) | a;
}

// In place; bytes before index d are left as they are.
inline void DeltaEncode(uint8_t* data, size_t n, int d) {
  if (d <= 0) return;
  for (size_t i = n; i-- > size_t(d);) data[i] = uint8_t(data[i] - data[i - d]);
}
inline void DeltaDecode(uint8_t* data, size_t n, int d) {
  if (d <= 0) return;
  for (size_t i = size_t(d); i < n; i++) data[i] = uint8_t(data[i] + data[i - d]);
}

}  // namespace qvx
