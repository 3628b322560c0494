// LZH entries: blocks of literals and matches over one 800-symbol canonical Huffman code.
//
// Each block: a 1 bit, the symbol count - 1 in 16 bits, the code's description (kind 2), then
// the symbols. Symbol 256 + 32 * lc + dc is a match of length class lc (16 = the fixed 259) and
// distance class dc (0 = the previous distance, 1 at the start of the entry). A 0 bit ends.
#include <cstring>

#include "runtime/archive_codecs.h"
#include "runtime/archive_format.h"
#include "runtime/huffman.h"

namespace {

// Copies a match that may overlap its own output, as a byte-by-byte copy would.
inline void CopyMatch(uint8_t* d, int32_t distance, int32_t length) {
  const uint8_t* s = d - distance;
  if (distance >= length) {
    memcpy(d, s, size_t(length));
  } else if (distance == 1) {
    memset(d, *s, size_t(length));
  } else if (distance >= 8) {
    while (length > 0) {          // chunks of the distance never overlap themselves
      int32_t k = length < distance ? length : distance;
      memcpy(d, s, size_t(k));
      d += k;
      s += k;
      length -= k;
    }
  } else {
    for (int32_t i = 0; i < length; i++) d[i] = s[i];
  }
}

}  // namespace

bool DecodeLZH(BitReader& in, uint8_t* out, int32_t n, Failure& why) {
  HufTable table;
  HufDecoder decoder;

  int32_t lastDistance = 1;
  int32_t p = 0;
  while (in.Bit()) {
    int32_t count = int32_t(in.Get(16)) + 1;
    if (!ReadHufTable(in, table, qvx::kLzhSymbols, qvx::kLzhMaxCodeLength, 2, why)) return false;
    CompCodes(table, decoder);
    const HufDecoder& dec = decoder;
    for (int32_t k = 0; k < count; k++) {
      int sym = HufDecode(dec, in, why);
      if (sym < 0) return false;
      if (sym < 256) {
        if (p >= n) {
          if (!StreamHolds(in, why)) return false;
          return why.Set("DecodeLZH(): Literal past the end of the entry (%d bytes)", n);
        }
        out[p++] = uint8_t(sym);
        continue;
      }
      int lc = (sym - 256) >> 5, dc = sym & 31;
      int32_t length = lc == 16 ? qvx::kLzhLongMatch
                                : qvx::ClassBase(lc) + 3 + int32_t(in.Get(qvx::ClassExtra(lc)));
      int32_t distance = qvx::ClassBase(dc) + int32_t(in.Get(qvx::ClassExtra(dc)));
      if (distance == 0) distance = lastDistance;
      else lastDistance = distance;
      if (distance > p) {
        if (!StreamHolds(in, why)) return false;
        return why.Set("DecodeLZH(): Distance %d before the start of the entry (at %d)", distance, p);
      }
      if (length > n - p) {
        if (!StreamHolds(in, why)) return false;
        return why.Set("DecodeLZH(): Match of %d bytes past the end of the entry (at %d of %d)", length, p, n);
      }
      CopyMatch(out + p, distance, length);
      p += length;
    }
    if (!StreamHolds(in, why)) return false;
  }
  return StreamHolds(in, why);
}
