// The context model of the archive's PPM method, shared by the reader (runtime/archive_ppm.cpp)
// and the packer (tools/qvxpack/ppm_encode.cpp) so that both sides build the same tree.
//
// The model is a tree whose root is the context of order 0. The children of a context are the
// symbols seen after it, most recently seen first; each child has a count in its parent's context
// and is itself the context one order higher. A context carries its running total (+1 for a seen
// child, +2 for a new one; at 4096 every child's count is halved and the total becomes their sum)
// and, for speed, the sum of its children's counts and the number of them above 0.
//
// Layout: a context is a 12-byte record; its children are one array of 8-byte entries (symbol,
// count, the child's own context) in list order, so a walk over a context reads contiguous memory
// and moving a child to the front is a short memmove. Arrays hold a power of two of entries and
// are recycled through one free list per size. Records and entries come from two pools on the
// general heap whose bytes together never pass PpmMemoryLimit (256 MiB by default): at the limit
// PpmUpdate fails, the reader stops with "NewNode(): Not enough memory" and the packer gives up on
// that order, so a packed entry always unpacks within the limit.
//
//   PpmModel m;
//   if (!PpmStart(m, order)) ...;
//   for (p ...) { ...code data[p] against m.ctx[o] ...; if (!PpmUpdate(m, p, data[p])) ...; }
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
  uint32_t next;     // the context one order higher (this context followed by symbol)
};

struct PpmContext {
  uint32_t entries;  // first entry of the children's array in the entry pool
  uint16_t n;        // children, 0 to 256
  uint16_t total;    // running total, the halving trigger
  uint16_t sum;      // sum of the children's counts
  uint16_t live;     // children with a count above 0
};
static_assert(sizeof(PpmEntry) == 8 && sizeof(PpmContext) == 12, "the memory cap counts these sizes");

struct PpmModel {
  PpmContext* contexts = nullptr;
  PpmEntry* entries = nullptr;
  uint32_t contextsUsed = 0, contextsCapacity = 0;   // record 0 is never used, 1 is the root
  uint32_t entriesUsed = 0, entriesCapacity = 0;
  uint32_t freeList[9] = {};    // recycled arrays of 1 << k entries, linked through entry.next
  int order = 0;
  uint32_t ctx[kPpmMaxOrder + 1] = {};   // context of each order for the next position
  uint32_t stamp[256] = {};              // exclusion marks, see PpmBeginPosition
  uint32_t running[256] = {};            // running sums of the context being coded
  uint32_t base = 1;                     // first mark of the current position
  uint32_t mark = 1;                     // mark of the context being coded
};

inline PpmEntry* PpmChildren(const PpmModel& m, const PpmContext& c) { return m.entries + c.entries; }

inline bool PpmStart(PpmModel& m, int order) {
  m.order = order;
  m.contextsCapacity = 1024;
  m.entriesCapacity = 4096;
  m.contexts = static_cast<PpmContext*>(malloc(sizeof(PpmContext) * m.contextsCapacity));
  m.entries = static_cast<PpmEntry*>(malloc(sizeof(PpmEntry) * m.entriesCapacity));
  if (!m.contexts || !m.entries) return false;
  m.contexts[0] = m.contexts[1] = PpmContext{};
  m.contextsUsed = 2;
  m.entriesUsed = 1;   // entry 0 ends the free lists
  for (uint32_t& f : m.freeList) f = 0;
  for (uint32_t& c : m.ctx) c = 0;
  m.ctx[0] = 1;
  for (uint32_t& s : m.stamp) s = 0;
  m.base = m.mark = 1;
  return true;
}

inline void PpmRelease(PpmModel& m) {
  free(m.contexts);
  free(m.entries);
  m.contexts = nullptr;
  m.entries = nullptr;
  m.contextsUsed = m.contextsCapacity = m.entriesUsed = m.entriesCapacity = 0;
}

inline uint64_t PpmBytesUsed(const PpmModel& m) {
  return uint64_t(m.contextsUsed) * sizeof(PpmContext) + uint64_t(m.entriesUsed) * sizeof(PpmEntry);
}

// Grows a pool so that `need` items fit, doubling; false when the heap refuses.
template <typename T>
inline bool PpmGrow(T*& pool, uint32_t& capacity, uint64_t need) {
  if (need <= capacity) return true;
  // Doubling, but never far beyond what the memory cap lets this pool use.
  uint64_t grown = uint64_t(capacity) * 2;
  uint64_t most = PpmMemoryLimit / sizeof(T) + 4096;
  if (grown > most) grown = most;
  if (grown < need) grown = need;
  if (grown > 0xFFFFFFFFu) return false;
  void* p = realloc(pool, sizeof(T) * grown);
  if (!p) return false;
  pool = static_cast<T*>(p);
  capacity = uint32_t(grown);
  return true;
}

// Makes room for everything one position can add (a record and a grown array per order), so
// that references stay valid through an update. The cap itself is checked per allocation.
inline bool PpmReserve(PpmModel& m) {
  uint32_t k = uint32_t(m.order) + 1;
  return PpmGrow(m.contexts, m.contextsCapacity, uint64_t(m.contextsUsed) + k) &&
         PpmGrow(m.entries, m.entriesCapacity, uint64_t(m.entriesUsed) + 256u * k);
}

// Size class of an array of n entries (n >= 1): the k with 1 << k >= n.
inline int PpmClass(uint32_t n) {
  int k = 0;
  while ((1u << k) < n) k++;
  return k;
}

// An array of 1 << k entries, or 0 at the memory cap.
inline uint32_t PpmAllocArray(PpmModel& m, int k) {
  if (uint32_t a = m.freeList[k]) {
    m.freeList[k] = m.entries[a].next;
    return a;
  }
  uint32_t size = 1u << k;
  if (PpmBytesUsed(m) + uint64_t(size) * sizeof(PpmEntry) > PpmMemoryLimit) return 0;
  uint32_t a = m.entriesUsed;
  m.entriesUsed += size;
  return a;
}

inline void PpmFreeArray(PpmModel& m, uint32_t a, int k) {
  m.entries[a].next = m.freeList[k];
  m.freeList[k] = a;
}

// A new empty context record, or 0 at the memory cap.
inline uint32_t PpmNewContext(PpmModel& m) {
  if (PpmBytesUsed(m) + sizeof(PpmContext) > PpmMemoryLimit) return 0;
  uint32_t c = m.contextsUsed++;
  m.contexts[c] = PpmContext{};
  return c;
}

// Starts the exclusion set of a new position: marks below `base` are stale.
inline void PpmBeginPosition(PpmModel& m) {
  if (m.mark > 0xFFFFFF00u) {
    for (uint32_t& s : m.stamp) s = 0;
    m.mark = 0;
  }
  m.base = ++m.mark;
}
// Starts the coding of one more context at this position: symbols marked by the contexts
// before it (and only those) count as excluded.
inline void PpmBeginContext(PpmModel& m) { m.mark++; }
// Marks of earlier contexts of this position lie in [base, mark); one unsigned compare tells.
inline bool PpmExcluded(const PpmModel& m, uint8_t s) {
  return m.stamp[s] - m.base < m.mark - m.base;
}
inline void PpmExclude(PpmModel& m, uint8_t s) { m.stamp[s] = m.mark; }

// Sums the counts of the children not excluded by earlier contexts and marks those with a
// count above 0, adding their number to *excluded; running[i] receives the sum over entries
// 0 .. i, so that a coded child is then found without a second walk. Written without branches
// on the data, which are as good as random here.
inline uint32_t PpmSumAndExclude(PpmModel& m, const PpmEntry* __restrict e, uint32_t n,
                                 int* excluded, uint32_t* __restrict running) {
  const uint32_t base = m.base, span = m.mark - m.base, mark = m.mark;
  uint32_t* __restrict stamp = m.stamp;
  uint32_t tot = 0, newly = 0;
  for (uint32_t i = 0; i < n; i++) {
    uint32_t s = e[i].symbol, count = e[i].count;
    uint32_t st = stamp[s];
    uint32_t take = uint32_t(count != 0) & uint32_t(st - base >= span);
    tot += take ? count : 0;
    newly += take;
    stamp[s] = take ? mark : st;
    running[i] = tot;
  }
  *excluded += int(newly);
  return tot;
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

// The first entry whose running sum passes target (running as left by PpmSumAndExclude), or n.
inline uint32_t PpmFirstAbove(const uint32_t* running, uint32_t n, uint32_t target) {
  uint32_t i = 0;
  while (i < n && running[i] <= target) i++;
  return i;
}

// Marks every child with a count above 0 (the first context of a position, nothing excluded yet).
inline void PpmExcludeLive(PpmModel& m, const PpmEntry* e, uint32_t n) {
  const uint32_t mark = m.mark;
  for (uint32_t i = 0; i < n; i++) {
    uint8_t s = e[i].symbol;
    m.stamp[s] = e[i].count ? mark : m.stamp[s];
  }
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
inline void PpmHalve(PpmModel& m, PpmContext& c) {
  PpmEntry* e = PpmChildren(m, c);
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
// The coder usually knows where the byte stands in one context already: foundIndex is its entry
// in the context of order foundOrder (-1 when it came from the uniform fallback).
inline bool PpmUpdate(PpmModel& m, uint32_t p, uint8_t s, int foundOrder = -1, uint32_t foundIndex = 0) {
  if (!PpmReserve(m)) return false;
  int top = p < uint32_t(m.order) ? int(p) : m.order;
  for (int o = top; o >= 0; o--) {
    PpmContext& c = m.contexts[m.ctx[o]];
    PpmEntry* e = PpmChildren(m, c);
    uint32_t i = o == foundOrder ? foundIndex : PpmFind(e, c.n, s);
    uint32_t child;
    if (i < c.n) {
      PpmEntry hit = e[i];
      PpmShiftBack(e, i);
      if (hit.count == 0) c.live++;
      hit.count++;
      e[0] = hit;
      c.sum++;
      c.total++;
      child = hit.next;
    } else {
      child = PpmNewContext(m);
      if (!child) return false;
      if (c.n == 0 || (c.n & (c.n - 1)) == 0) {
        // The array is full (or absent): move to one of twice the size, leaving slot 0 free.
        int k = c.n ? PpmClass(c.n) + 1 : 0;
        uint32_t a = PpmAllocArray(m, k);
        if (!a) return false;
        if (c.n) {
          memcpy(m.entries + a + 1, m.entries + c.entries, sizeof(PpmEntry) * c.n);
          PpmFreeArray(m, c.entries, k - 1);
        }
        c.entries = a;
        e = PpmChildren(m, c);
      } else {
        memmove(e + 1, e, sizeof(PpmEntry) * c.n);
      }
      e[0] = PpmEntry{s, 0, 1, child};
      c.n++;
      c.sum++;
      c.live++;
      c.total = uint16_t(c.total + 2);
    }
    if (c.total >= kPpmHalveAt) PpmHalve(m, c);
    if (o < m.order) {
      m.ctx[o + 1] = child;
      __builtin_prefetch(m.contexts + child);
    }
  }
  return true;
}

// Asks for the children's arrays of the next position's contexts ahead of their use, so that
// their cache misses overlap instead of queueing one behind the other.
inline void PpmPrefetch(const PpmModel& m, uint32_t p) {
  int top = p < uint32_t(m.order) ? int(p) : m.order;
  for (int o = top; o >= 0; o--) __builtin_prefetch(m.entries + m.contexts[m.ctx[o]].entries);
}
