// Layer III Huffman decoding: multi-level lookup tables built from the code lists, the big-values and count1
// loops of one granule, and the plain bit-at-a-time decoders they are checked against.
#include <cstring>

#include "sound/mpeg_layer3_internal.h"
#include "sound/mpeg_layer3_tables.h"

namespace kvox_l3 {
namespace {

// Lookup entries: a leaf holds (full code length << 8) | (x << 4) | y; a node holds kNode | (bits of the
// subtable << 16) | its offset in the pool.
constexpr uint32_t kNode = 0x80000000u;
constexpr int32_t kRootBits = 8;
constexpr int32_t kPoolSize = 12288;

uint32_t gPool[kPoolSize];
int32_t gPoolUsed = 0;
int32_t gRoot[32];        // offset of each table's root in the pool, -1 for tables without codes
int32_t gRootBits[32];
// count1 tables A and B by the next 10 bits (code and sign bits): (total length << 8) | the four values
// as 2-bit fields, value k at bits 2k (bit 0 nonzero, bit 1 negative).
uint16_t gQuad[2][1024];
bool gBuilt = false;

// Fills a table of `bits` index bits for the codes whose first `depth` bits equal `prefix`; returns its offset.
int32_t BuildLevel(const kvox_l3tab::HuffCode* codes, int32_t count, int32_t dim, uint32_t prefix, int32_t depth,
                   int32_t bits) {
  const int32_t base = gPoolUsed;
  gPoolUsed += 1 << bits;
  for (int32_t i = 0; i < (1 << bits); i++) gPool[base + i] = 0;
  // Leaves: codes that end within this level.
  for (int32_t n = 0; n < count; n++) {
    const int32_t len = codes[n].length;
    if (len <= depth || len > depth + bits) continue;
    if ((codes[n].bits >> (len - depth)) != prefix) continue;
    const uint32_t tail = codes[n].bits & ((1u << (len - depth)) - 1);
    const int32_t spread = depth + bits - len;
    const uint32_t leaf = (uint32_t(len) << 8) | (uint32_t(n / dim) << 4) | uint32_t(n % dim);
    for (uint32_t k = 0; k < (1u << spread); k++) gPool[base + ((tail << spread) | k)] = leaf;
  }
  // Nodes: the index values that start longer codes.
  for (uint32_t idx = 0; idx < (1u << bits); idx++) {
    const uint32_t pre = (prefix << bits) | idx;
    int32_t longest = 0;
    for (int32_t n = 0; n < count; n++) {
      const int32_t len = codes[n].length;
      if (len > depth + bits && (codes[n].bits >> (len - depth - bits)) == pre && len > longest) longest = len;
    }
    if (!longest) continue;
    int32_t sub = longest - depth - bits;
    if (sub > kRootBits) sub = kRootBits;
    const int32_t off = BuildLevel(codes, count, dim, pre, depth + bits, sub);
    gPool[base + idx] = kNode | (uint32_t(sub) << 16) | uint32_t(off);
  }
  return base;
}

inline uint32_t Lookup(int32_t table, uint32_t w) {
  const int32_t root = gRootBits[table];
  uint32_t e = gPool[gRoot[table] + (w >> (32 - root))];
  int32_t used = root;
  while (e & kNode) {
    const int32_t sub = int32_t((e >> 16) & 31);
    e = gPool[(e & 0xFFFF) + ((w << used) >> (32 - sub))];
    used += sub;
  }
  return e;
}

// sign * |v|^(4/3) without a branch: the sign bit is the top bit of `w` when v is nonzero, else 0.
inline float Signed(int32_t v, uint32_t w) {
  uint32_t u;
  memcpy(&u, &gPow43[v], sizeof u);
  u |= (w & 0x80000000u) & (0u - uint32_t(v != 0));
  float f;
  memcpy(&f, &u, sizeof f);
  return f;
}

// The main data through a 64-bit window: `bits` holds the 64 bits from byte `p` on, of which the first `used`
// are consumed. A refill moves `p` up to the first unconsumed byte, so that at least 57 bits are ahead; a look
// of 32 bits is whole while used <= 32. The buffer keeps 8 readable bytes past any position reached (see
// HotBits), and the loops below refill before every look that could pass that.
struct Window {
  const uint8_t* p;
  uint64_t bits;
  uint32_t used;
  void Refill() {
    p += used >> 3;
    used &= 7;
    uint64_t v;
    memcpy(&v, p, sizeof v);
    bits = __builtin_bswap64(v);
  }
  uint32_t Peek32() const { return uint32_t((bits << used) >> 32); }
  uint64_t Pos(const uint8_t* base) const { return uint64_t(p - base) * 8 + used; }
};

inline Window Open(const HotBits& h) {
  Window w{h.base + (h.pos >> 3), 0, uint32_t(h.pos & 7)};
  w.Refill();
  return w;
}

// One pair of a table without linbits: the code (at most 19 bits) and both signs in one 32-bit look.
inline void PlainPair(Window& win, int32_t table, float* xr) {
  uint32_t w = win.Peek32();
  const uint32_t e = Lookup(table, w);
  const uint32_t len = (e >> 8) & 31;
  const int32_t x = int32_t((e >> 4) & 15), y = int32_t(e & 15);
  w <<= len;
  xr[0] = Signed(x, w);
  w <<= (x != 0);
  xr[1] = Signed(y, w);
  win.used += len + uint32_t(x != 0) + uint32_t(y != 0);
}

// Pairs of one region with a table without linbits, two pairs (at most 42 bits) per refill. Whether the
// region ran past `end` is only known at its end; the check between refills bounds the reading.
inline bool PairsPlainValues(HotBits& bits, uint64_t end, int32_t table, int32_t from, int32_t to, float* xr) {
  Window win = Open(bits);
  int32_t i = from;
  for (; i + 4 <= to; i += 4) {
    if (win.Pos(bits.base) > end) return false;
    PlainPair(win, table, xr + i);
    PlainPair(win, table, xr + i + 2);
    win.Refill();
  }
  if (i < to) PlainPair(win, table, xr + i);
  bits.pos = win.Pos(bits.base);
  return bits.pos <= end;
}

// Pairs with linbits, one per refill: the code takes at most 19 bits after the refill's 7, which leaves a whole
// 32-bit look for the two values' linbits and signs (at most 2 x 14 bits).
inline bool PairsLinbits(HotBits& bits, uint64_t end, int32_t table, int32_t linbits, int32_t from, int32_t to,
                         float* xr) {
  Window win = Open(bits);
  for (int32_t i = from; i < to; i += 2) {
    if (win.Pos(bits.base) > end) return false;
    const uint32_t e = Lookup(table, win.Peek32());
    win.used += (e >> 8) & 31;
    int32_t x = int32_t((e >> 4) & 15), y = int32_t(e & 15);
    uint32_t w = win.Peek32();
    uint32_t n = 0;
    if (x == 15) { x += int32_t(w >> (32 - linbits)); w <<= linbits; n += uint32_t(linbits); }
    xr[i] = Signed(x, w);
    w <<= (x != 0);
    n += (x != 0);
    if (y == 15) { y += int32_t(w >> (32 - linbits)); w <<= linbits; n += uint32_t(linbits); }
    xr[i + 1] = Signed(y, w);
    n += (y != 0);
    win.used += n;
    win.Refill();
  }
  bits.pos = win.Pos(bits.base);
  return bits.pos <= end;
}

}  // namespace

void BuildHuffman() {
  if (gBuilt) return;
  gPoolUsed = 0;
  for (int32_t t = 0; t < 32; t++) {
    const kvox_l3tab::HuffTable& h = kvox_l3tab::kHuffTables[t];
    gRoot[t] = -1;
    gRootBits[t] = 0;
    if (h.unused || !h.codes) continue;
    if (h.source != t) {  // the tables that share their source's code words share its lookup too
      gRoot[t] = gRoot[h.source];
      gRootBits[t] = gRootBits[h.source];
      continue;
    }
    const int32_t count = h.dim * h.dim;
    int32_t longest = 0;
    for (int32_t n = 0; n < count; n++) if (h.codes[n].length > longest) longest = h.codes[n].length;
    gRootBits[t] = longest < kRootBits ? longest : kRootBits;
    gRoot[t] = BuildLevel(h.codes, count, h.dim, 0, 0, gRootBits[t]);
  }
  for (int32_t t = 0; t < 2; t++) {
    const kvox_l3tab::HuffCode* codes = t ? kvox_l3tab::kQuadB : kvox_l3tab::kQuadA;
    for (int32_t n = 0; n < 16; n++) {
      const kvox_l3tab::HuffCode c = codes[n];
      const int32_t nonzero = __builtin_popcount(uint32_t(n));
      const int32_t len = c.length + nonzero;
      for (uint32_t signs = 0; signs < (1u << nonzero); signs++) {
        // The sign bits follow the code in the order of the nonzero values v (w, x, y, z = bits 3..0 of n).
        uint32_t fields = 0;
        int32_t taken = 0;
        for (int32_t k = 0; k < 4; k++) {
          if (!((n >> (3 - k)) & 1)) continue;
          const uint32_t negative = (signs >> (nonzero - 1 - taken)) & 1;
          fields |= (1u | (negative << 1)) << (2 * k);
          taken++;
        }
        const uint32_t prefix = (c.bits << nonzero) | signs;
        const int32_t spread = 10 - len;
        for (uint32_t k = 0; k < (1u << spread); k++)
          gQuad[t][(prefix << spread) | k] = uint16_t((uint32_t(len) << 8) | fields);
      }
    }
  }
  gBuilt = true;
}

int32_t DecodePairFast(HotBits& bits, int32_t table) {
  const uint32_t e = Lookup(table, bits.Peek32());
  bits.pos += (e >> 8) & 31;
  return int32_t(((e >> 4) & 15) * 16 + (e & 15));
}

int32_t DecodeSpectrum(HotBits& bits, uint64_t end, const Granule& g, int32_t lineEnd, float* xr) {
  const int32_t big = g.bigValues * 2;
  if (big > 576) return -1;
  const int32_t stop = big < lineEnd ? big : lineEnd;
  int32_t bounds[4] = {0, g.region1Start < stop ? g.region1Start : stop,
                       g.region2Start < stop ? g.region2Start : stop, stop};
  if (bounds[2] < bounds[1]) bounds[2] = bounds[1];
  for (int32_t r = 0; r < 3; r++) {
    const int32_t from = bounds[r], to = bounds[r + 1];
    if (from >= to) continue;
    const int32_t t = g.tableSelect[r];
    const kvox_l3tab::HuffTable& h = kvox_l3tab::kHuffTables[t];
    if (h.unused) return -1;
    if (!h.codes) {
      memset(xr + from, 0, size_t(to - from) * sizeof(float));
      continue;
    }
    const bool ok = h.linbits ? PairsLinbits(bits, end, t, h.linbits, from, to, xr)
                              : PairsPlainValues(bits, end, t, from, to, xr);
    if (!ok) return -1;
  }
  if (big > lineEnd) return lineEnd;

  // count1: quadruples of -1, 0, 1 until the granule's bits are used up, at most 10 bits each.
  static constexpr float kUnit[4] = {0.0f, 1.0f, 0.0f, -1.0f};
  const uint16_t* quad = gQuad[g.count1Table != 0];
  Window win = Open(bits);
  uint64_t pos = bits.pos;
  int32_t i = big;
  while (i <= 572 && i < lineEnd && pos < end) {
    const uint32_t e = quad[win.Peek32() >> 22];
    win.used += e >> 8;
    pos += e >> 8;
    if (pos > end) break;  // a quadruple that runs past the granule's bits is not part of it
    xr[i] = kUnit[e & 3];
    xr[i + 1] = kUnit[(e >> 2) & 3];
    xr[i + 2] = kUnit[(e >> 4) & 3];
    xr[i + 3] = kUnit[(e >> 6) & 3];
    i += 4;
    if (win.used > 48) win.Refill();  // the next look needs 10 whole bits
  }
  bits.pos = pos;
  return i;
}

bool DecodePairPlain(HotBits& bits, int32_t table, int32_t* x, int32_t* y) {
  const kvox_l3tab::HuffTable& h = kvox_l3tab::kHuffTables[table];
  if (h.unused) return false;
  if (!h.codes) { *x = *y = 0; return true; }
  uint32_t code = 0;
  for (int32_t len = 1; len <= 19; len++) {
    code = (code << 1) | bits.Get(1);
    for (int32_t n = 0; n < h.dim * h.dim; n++) {
      if (h.codes[n].length == len && h.codes[n].bits == code) {
        *x = n / h.dim;
        *y = n % h.dim;
        return true;
      }
    }
  }
  return false;
}

bool DecodeQuadPlain(HotBits& bits, int32_t table, int32_t v[4]) {
  const kvox_l3tab::HuffCode* codes = table ? kvox_l3tab::kQuadB : kvox_l3tab::kQuadA;
  uint32_t code = 0;
  for (int32_t len = 1; len <= 6; len++) {
    code = (code << 1) | bits.Get(1);
    for (int32_t n = 0; n < 16; n++) {
      if (codes[n].length == len && codes[n].bits == code) {
        for (int32_t k = 0; k < 4; k++) v[k] = (n >> (3 - k)) & 1;
        return true;
      }
    }
  }
  return false;
}

}  // namespace kvox_l3
