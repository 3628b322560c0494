// The context model of the archive's PPM method, shared by the reader (runtime/archive_ppm.cpp)
// and the packer (tools/qvxpack/ppm_encode.cpp) so that both sides build the same tree.
//
// The model is a tree whose root is the context of order 0. The children of a context are the
// symbols seen after it, most recently seen first; each child has a count in its parent's context
// and is itself the context one order higher. A context carries its running total (+1 for a seen
// child, +2 for a new one; at 4096 every child's count is halved and the total becomes their sum)
// and, for speed, the sum of its children's counts and the number of them above 0.
//
// Layout: a context that has children is one block of 8-byte units: a header (its number of
// children, total, sum and live count) and then its children's entries (symbol, count, the
// child's own block) in list order. A walk over a context reads contiguous memory, the header
// shares a cache line with the first children, and moving a child to the front is a short
// memmove. A context without children has no block (its entry's block is 0). Blocks hold a power
// of two of entries and are recycled through one free list per size.
//
// The memory cap (256 MiB by default) counts the model as a tree of 12-byte context records and
// 8-byte entries: every new context counts 12 bytes, and an array of 1 << k entries counts
// 8 << k bytes when no recycled one is at hand. At the cap PpmUpdate fails, the reader stops
// with "NewNode(): Not enough memory" and the packer gives up on that order, so a packed entry
// always unpacks within the limit. The blocks themselves take at most those bytes: a header is
// 8 bytes, and only contexts with children have one.
//
//   PpmModel m;
//   if (!PpmStart(m, order)) ...;
//   for (p ...) { ...code data[p] against the blocks m.ctx[o]...; if (!PpmUpdate(m, p, data[p])) ...; }
//   PpmRelease(m);
#pragma once
#include <cstdint>
#include <cstdlib>
#include <cstring>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

constexpr int kPpmMaxOrder = 15;
constexpr uint64_t kPpmMemoryLimit = uint64_t(256) << 20;
constexpr uint32_t kPpmHalveAt = 4096;         // a context's total at which its counts are halved

// The memory cap in force, in bytes of records and entries; tests lower it.
inline uint64_t PpmMemoryLimit = kPpmMemoryLimit;

struct PpmEntry {
  uint8_t symbol;
  uint8_t unused;
  uint16_t count;    // the symbol's count in this context
  uint32_t next;     // block of the context one order higher (this context followed by symbol)
};

struct PpmContext {  // a block's header
  uint16_t n;        // children, 1 to 256
  uint16_t total;    // running total, the halving trigger
  uint16_t sum;      // sum of the children's counts
  uint16_t live;     // children with a count above 0
};
static_assert(sizeof(PpmEntry) == 8 && sizeof(PpmContext) == 8, "a block is made of 8-byte units");

// What the memory cap counts per context and per entry.
constexpr uint64_t kPpmContextBytes = 12, kPpmEntryBytes = 8;

struct PpmModel {
  uint64_t* pool = nullptr;                 // the blocks, in 8-byte units; unit 0 is never used
  uint32_t poolUsed = 0, poolCapacity = 0;
  uint64_t contextsCounted = 0, entriesCounted = 0;   // what the memory cap counts
  uint32_t freeList[9] = {};    // recycled blocks of 1 << k entries, linked through the header
  int order = 0;
  uint32_t ctx[kPpmMaxOrder + 1] = {};      // block of each order's context for the next position
                                            // (ctx[0] is the root's, 0 while it has no children)
  uint32_t parent[kPpmMaxOrder + 1] = {};   // block whose first entry leads to ctx[o], o >= 1
  uint32_t stamp[256] = {};                 // a byte is excluded when its stamp is the mark
  uint32_t mark = 1;                        // the current position's mark
  uint32_t excluded = 0;                    // bytes excluded at the current position
};

inline PpmContext& PpmHeader(const PpmModel& m, uint32_t block) {
  return *reinterpret_cast<PpmContext*>(m.pool + block);
}
inline PpmEntry* PpmChildren(const PpmModel& m, uint32_t block) {
  return reinterpret_cast<PpmEntry*>(m.pool + block + 1);
}

inline bool PpmStart(PpmModel& m, int order) {
  m.order = order;
  m.poolCapacity = 4096;
  m.pool = static_cast<uint64_t*>(malloc(sizeof(uint64_t) * m.poolCapacity));
  if (!m.pool) return false;
  m.poolUsed = 1;
  // The root's record, and the entry that ended the record tree's free lists, count from the
  // start.
  m.contextsCounted = 2;
  m.entriesCounted = 1;
  for (uint32_t& f : m.freeList) f = 0;
  for (uint32_t& c : m.ctx) c = 0;
  for (uint32_t& c : m.parent) c = 0;
  for (uint32_t& s : m.stamp) s = 0;
  m.mark = 1;
  m.excluded = 0;
  return true;
}

inline void PpmRelease(PpmModel& m) {
  free(m.pool);
  m.pool = nullptr;
  m.poolUsed = m.poolCapacity = 0;
}

inline uint64_t PpmBytesUsed(const PpmModel& m) {
  return m.contextsCounted * kPpmContextBytes + m.entriesCounted * kPpmEntryBytes;
}

// Makes room for everything one position can add (a grown block per order), so that pointers
// into the pool stay valid through an update; false when the heap refuses. The cap itself is
// checked per allocation.
inline bool PpmReserve(PpmModel& m) {
  uint64_t need = uint64_t(m.poolUsed) + 257u * (uint32_t(m.order) + 1);
  if (need <= m.poolCapacity) return true;
  // Doubling, but never far beyond what the memory cap lets the blocks use.
  uint64_t grown = uint64_t(m.poolCapacity) * 2;
  uint64_t most = PpmMemoryLimit / sizeof(uint64_t) + 257u * (kPpmMaxOrder + 1);
  if (grown > most) grown = most;
  if (grown < need) grown = need;
  if (grown > 0xFFFFFFFFu) return false;
  void* q = realloc(m.pool, sizeof(uint64_t) * grown);
  if (!q) return false;
  m.pool = static_cast<uint64_t*>(q);
  m.poolCapacity = uint32_t(grown);
  return true;
}

// Size class of a block of n entries (n >= 1): the k with 1 << k >= n.
inline int PpmClass(uint32_t n) {
  int k = 0;
  while ((1u << k) < n) k++;
  return k;
}

// A block of 1 << k entries, or 0 at the memory cap.
inline uint32_t PpmAllocBlock(PpmModel& m, int k) {
  if (uint32_t b = m.freeList[k]) {
    memcpy(&m.freeList[k], m.pool + b, sizeof(uint32_t));
    return b;
  }
  uint32_t size = 1u << k;
  if (PpmBytesUsed(m) + uint64_t(size) * kPpmEntryBytes > PpmMemoryLimit) return 0;
  m.entriesCounted += size;
  uint32_t b = m.poolUsed;
  m.poolUsed += 1 + size;
  return b;
}

inline void PpmFreeBlock(PpmModel& m, uint32_t b, int k) {
  memcpy(m.pool + b, &m.freeList[k], sizeof(uint32_t));
  m.freeList[k] = b;
}

// Counts one more context against the cap; false at the cap.
inline bool PpmNewContext(PpmModel& m) {
  if (PpmBytesUsed(m) + kPpmContextBytes > PpmMemoryLimit) return false;
  m.contextsCounted++;
  return true;
}

// Starts the exclusion set of a new position: only marks equal to the new one exclude.
inline void PpmBeginPosition(PpmModel& m) {
  if (m.mark == 0xFFFFFFFFu) {
    for (uint32_t& s : m.stamp) s = 0;
    m.mark = 0;
  }
  m.mark++;
  m.excluded = 0;
}
inline bool PpmExcluded(const PpmModel& m, uint8_t s) { return m.stamp[s] == m.mark; }

// Excludes every child with a count above 0 from the lower orders of this position (a context
// that escaped), counting those not excluded before.
inline void PpmExcludeLive(PpmModel& m, const PpmEntry* e, uint32_t n) {
  const uint32_t mark = m.mark;
  uint32_t* __restrict stamp = m.stamp;
  uint32_t newly = 0;
  for (uint32_t i = 0; i < n; i++) {
    uint32_t s = e[i].symbol, st = stamp[s];
    uint32_t take = uint32_t(e[i].count != 0) & uint32_t(st != mark);
    newly += take;
    stamp[s] = take ? mark : st;
  }
  m.excluded += newly;
}

// Sum of the counts of the children not excluded (children at 0 add nothing either way).
// A mask leaves the excluded ones out: a branch on whether a byte is excluded would be
// mispredicted as often as not.
inline uint32_t PpmSumAllowed(const PpmModel& m, const PpmEntry* e, uint32_t n) {
  const uint32_t mark = m.mark;
  const uint32_t* __restrict stamp = m.stamp;
  uint32_t tot = 0;
  for (uint32_t i = 0; i < n; i++) tot += e[i].count & (0u - uint32_t(stamp[e[i].symbol] != mark));
  return tot;
}

// The first entry at which the running sum of the counts of the children not excluded passes
// target, or n; *sum receives that running sum. The entry found is live and not excluded.
// Masks, not branches, leave the excluded ones out.
inline uint32_t PpmWalkAllowed(const PpmModel& m, const PpmEntry* e, uint32_t n, uint32_t target, uint32_t* sum) {
  const uint32_t mark = m.mark;
  const uint32_t* __restrict stamp = m.stamp;
  uint32_t run = 0, i = 0;
  for (; i < n; i++) {
    run += e[i].count & (0u - uint32_t(stamp[e[i].symbol] != mark));
    if (run > target) break;
  }
  *sum = run;
  return i;
}

// Sum of the counts of entries 0 .. n-1. Eight entries per step where the processor multiplies
// and adds sixteen-bit lanes (counts stay below 32768: a context halves them at 4096).
#if defined(__SSE2__)
inline uint32_t PpmBlockSum8(const PpmEntry* e) {
  // Per 8-byte entry, the count is its second 16-bit word: weight 1, the other words 0.
  const __m128i pick = _mm_set_epi16(0, 0, 1, 0, 0, 0, 1, 0);
  const __m128i* q = reinterpret_cast<const __m128i*>(e);
  __m128i a = _mm_add_epi32(_mm_madd_epi16(_mm_loadu_si128(q), pick), _mm_madd_epi16(_mm_loadu_si128(q + 1), pick));
  __m128i b = _mm_add_epi32(_mm_madd_epi16(_mm_loadu_si128(q + 2), pick), _mm_madd_epi16(_mm_loadu_si128(q + 3), pick));
  a = _mm_add_epi32(a, b);
  return uint32_t(_mm_cvtsi128_si32(_mm_add_epi32(a, _mm_srli_si128(a, 8))));
}
#endif

inline uint32_t PpmSumCounts(const PpmEntry* e, uint32_t n) {
  uint32_t i = 0, sum = 0;
#if defined(__SSE2__)
  for (; i + 8 <= n; i += 8) sum += PpmBlockSum8(e + i);
#endif
  for (; i < n; i++) sum += e[i].count;
  return sum;
}

// The first entry at which the running sum of the counts passes target, or n; *sum receives the
// running sum through that entry (the sum of all when none passes). Whole blocks of eight are
// stepped over while their sum keeps below the target.
inline uint32_t PpmWalk(const PpmEntry* e, uint32_t n, uint32_t target, uint32_t* sum) {
  uint32_t i = 0, run = 0;
#if defined(__SSE2__)
  for (; i + 8 <= n; i += 8) {
    uint32_t b = PpmBlockSum8(e + i);
    if (run + b > target) break;
    run += b;
  }
#endif
  for (; i < n; i++) {
    run += e[i].count;
    if (run > target) break;
  }
  *sum = run;
  return i;
}

// The same search when the sum of all n counts is known and above target: a target in the
// upper half is found walking back from the last entry, which halves the walk for even counts.
// The entry has the running sum *end through it; it is the one PpmWalk finds.
inline uint32_t PpmLocate(const PpmEntry* e, uint32_t n, uint32_t all, uint32_t target, uint32_t* end) {
  if (target < all / 2) return PpmWalk(e, n, target, end);
  // Walking back, the entry is the first j whose suffix sum from j reaches all - target.
  const uint32_t need = all - target;
  uint32_t j = n, suffix = 0;
#if defined(__SSE2__)
  for (; j >= 8; j -= 8) {
    uint32_t b = PpmBlockSum8(e + j - 8);
    if (suffix + b >= need) break;
    suffix += b;
  }
#endif
  while (j > 0) {
    j--;
    suffix += e[j].count;
    if (suffix >= need) break;
  }
  *end = all - suffix + e[j].count;
  return j;
}

// Position of symbol s among the n entries, or n when absent. Eight entries per step where the
// processor compares sixteen bytes at once; the plain loop is the reference.
inline uint32_t PpmFindPlain(const PpmEntry* e, uint32_t n, uint8_t s) {
  uint32_t i = 0;
  while (i < n && e[i].symbol != s) i++;
  return i;
}

inline uint32_t PpmFind(const PpmEntry* e, uint32_t n, uint8_t s) {
#if defined(__SSE2__)
  const __m128i key = _mm_set1_epi8(char(s));
  const uint8_t* b = reinterpret_cast<const uint8_t*>(e);
  uint32_t i = 0;
  for (; i + 8 <= n; i += 8) {
    const uint8_t* q = b + size_t(i) * sizeof(PpmEntry);
    uint64_t m0 = uint32_t(_mm_movemask_epi8(_mm_cmpeq_epi8(_mm_loadu_si128((const __m128i*)q), key)));
    uint64_t m1 = uint32_t(_mm_movemask_epi8(_mm_cmpeq_epi8(_mm_loadu_si128((const __m128i*)(q + 16)), key)));
    uint64_t m2 = uint32_t(_mm_movemask_epi8(_mm_cmpeq_epi8(_mm_loadu_si128((const __m128i*)(q + 32)), key)));
    uint64_t m3 = uint32_t(_mm_movemask_epi8(_mm_cmpeq_epi8(_mm_loadu_si128((const __m128i*)(q + 48)), key)));
    // Bit 8j of the combined mask is the symbol byte of entry i + j.
    uint64_t hits = (m0 | (m1 << 16) | (m2 << 32) | (m3 << 48)) & 0x0101010101010101ull;
    if (hits) return i + uint32_t(__builtin_ctzll(hits) >> 3);
  }
  return i + PpmFindPlain(e + i, n - i, s);
#else
  return PpmFindPlain(e, n, s);
#endif
}

// Moves entries 0 .. i-1 one place back (to 1 .. i); short moves, the common ones, inline.
inline void PpmShiftBack(PpmEntry* e, uint32_t i) {
  switch (i) {
    case 7: e[7] = e[6]; [[fallthrough]];
    case 6: e[6] = e[5]; [[fallthrough]];
    case 5: e[5] = e[4]; [[fallthrough]];
    case 4: e[4] = e[3]; [[fallthrough]];
    case 3: e[3] = e[2]; [[fallthrough]];
    case 2: e[2] = e[1]; [[fallthrough]];
    case 1: e[1] = e[0]; [[fallthrough]];
    case 0: break;
    default: memmove(e + 1, e, sizeof(PpmEntry) * i);
  }
}

// Halves every child's count; the context's total becomes the new sum.
inline void PpmHalve(PpmContext& c, PpmEntry* e) {
  uint32_t sum = 0, live = 0;
  for (uint32_t i = 0; i < c.n; i++) {
    e[i].count = uint16_t(e[i].count >> 1);
    sum += e[i].count;
    live += e[i].count > 0;
  }
  c.sum = uint16_t(sum);
  c.total = uint16_t(sum);
  c.live = uint16_t(live);
}

// Records byte s at position p in every context of order min(order, p) down to 0 (moving or
// adding its child to the front), and makes those children the contexts of the next position.
// Returns false at the memory cap (or when the heap refuses); the model is then unusable.
//
// The orders go from the highest down: the entry that leads to the context of order o is then
// still the first of its parent's block (put there by the last update, untouched since) when
// the context gets or changes its block.
//
// The coder usually knows where the byte stands in one context already: foundIndex is its entry
// in the context of order foundOrder (-1 when it came from the uniform fallback).
inline bool PpmUpdate(PpmModel& m, uint32_t p, uint8_t s, int foundOrder = -1, uint32_t foundIndex = 0) {
  if (!PpmReserve(m)) return false;
  int top = p < uint32_t(m.order) ? int(p) : m.order;
  for (int o = top; o >= 0; o--) {
    uint32_t block = m.ctx[o];
    uint32_t n = block ? PpmHeader(m, block).n : 0;
    PpmEntry* e = block ? PpmChildren(m, block) : nullptr;
    uint32_t i = o == foundOrder ? foundIndex : n ? PpmFind(e, n, s) : 0;
    uint32_t child;
    if (i < n) {
      PpmContext& c = PpmHeader(m, block);
      PpmEntry hit = e[i];
      PpmShiftBack(e, i);
      if (hit.count == 0) c.live++;
      hit.count++;
      e[0] = hit;
      c.sum++;
      c.total++;
      child = hit.next;
    } else {
      if (!PpmNewContext(m)) return false;
      child = 0;
      if ((n & (n - 1)) == 0) {
        // The block is full (or absent): move to one of twice the size, leaving slot 0 free,
        // and lead the context's entry (or the root) to it.
        int k = n ? PpmClass(n) + 1 : 0;
        uint32_t grown = PpmAllocBlock(m, k);
        if (!grown) return false;
        if (n) {
          memcpy(m.pool + grown, m.pool + block, sizeof(uint64_t));
          memcpy(m.pool + grown + 2, m.pool + block + 1, sizeof(PpmEntry) * n);
          PpmFreeBlock(m, block, k - 1);
        } else {
          PpmHeader(m, grown) = PpmContext{};
        }
        if (o == 0) m.ctx[0] = grown;
        else PpmChildren(m, m.parent[o])[0].next = grown;
        block = grown;
        e = PpmChildren(m, block);
      } else {
        memmove(e + 1, e, sizeof(PpmEntry) * n);
      }
      PpmContext& c = PpmHeader(m, block);
      e[0] = PpmEntry{s, 0, 1, 0};
      c.n = uint16_t(n + 1);
      c.sum++;
      c.live++;
      c.total = uint16_t(c.total + 2);
    }
    PpmContext& c = PpmHeader(m, block);
    if (c.total >= kPpmHalveAt) PpmHalve(c, e);
    if (o < m.order) {
      m.ctx[o + 1] = child;
      m.parent[o + 1] = block;
      // The child's header and first entries, for the next position.
      __builtin_prefetch(m.pool + child);
      __builtin_prefetch(m.pool + child + 8);
    }
  }
  return true;
}
