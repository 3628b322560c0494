// The inverse transform: one packed word per row, walked as many chains side by side.
#include "runtime/bwt_inverse.h"

#include <cstring>

#include "runtime/heap_array.h"

namespace {

// The last-to-first walk from row `row` over n rows, out[k] for k = n-1 down to 0. tt[r] holds
// the row that follows r in the walk above its byte L[r] (n <= 2^24).
//
// One walk is a chain of dependent loads, each a cache miss on a large block. Instead the rows
// are cut at K evenly spaced start rows (the walk's own start among them) into K chains that are
// walked side by side, one step of each in turn, so that their misses overlap. A chain ends on
// reaching any start row, which names the chain that follows it; each chain keeps its bytes in
// its own list of chunks, and the chains are then copied out in walk order from the one that
// starts at `row`. The walk from `row` visits the rows of its cycle in the same order however
// they are cut, so the bytes are those of the single walk; when damaged data splits the rows
// into several cycles, the chains of the first cycle repeat, as the single walk would.
constexpr int32_t kChunkBytes = 1024;
constexpr int32_t kRowsPerChain = 8192;
constexpr int32_t kMaxChains = 256;
constexpr const char* kRefused = "AllocArray(): Not enough memory";

bool WalkChains(const uint32_t* tt, int32_t n, uint32_t row, uint8_t* out, Failure& why) {
  const int32_t chains = n / kRowsPerChain < kMaxChains ? n / kRowsPerChain : kMaxChains;
  // Start rows in increasing order; `row` takes the place of the even row nearest below it.
  uint32_t starts[kMaxChains];
  int32_t head = 0;
  for (int32_t j = 0; j < chains; j++) {
    starts[j] = uint32_t(int64_t(j) * n / chains);
    if (starts[j] <= row) head = j;
  }
  starts[head] = row;
  HeapArray<uint64_t> marked = AllocArray<uint64_t>(size_t(n) / 64 + 1);
  if (!marked) return why.Set(kRefused);
  memset(marked.get(), 0, (size_t(n) / 64 + 1) * sizeof(uint64_t));
  for (int32_t j = 0; j < chains; j++) marked[starts[j] >> 6] |= uint64_t(1) << (starts[j] & 63);
  auto chainOf = [&](uint32_t r) {   // the start row r is one of starts[], which is sorted
    int32_t lo = 0, hi = chains - 1;
    while (lo < hi) {
      int32_t mid = (lo + hi + 1) / 2;
      if (starts[mid] <= r) lo = mid;
      else hi = mid - 1;
    }
    return lo;
  };

  // Every row is walked by exactly one chain: n bytes, and at most one part-filled chunk each.
  const int32_t chunkCount = n / kChunkBytes + chains + 1;
  HeapArray<uint8_t> pool = AllocArray<uint8_t>(size_t(chunkCount) * kChunkBytes);
  HeapArray<int32_t> nextChunk = AllocArray<int32_t>(size_t(chunkCount));
  if (!pool || !nextChunk) return why.Set(kRefused);
  struct Chain {
    uint32_t row;       // the next row to read
    int32_t id;         // which start it came from
    int32_t chunk;      // the chunk being filled
    int32_t fill;       // bytes in it
  };
  Chain active[kMaxChains];
  // length: the bytes in a chain's last chunk, once it has ended
  int32_t firstChunk[kMaxChains], length[kMaxChains], successor[kMaxChains];
  int32_t chunksUsed = 0;
  for (int32_t j = 0; j < chains; j++) {
    active[j] = Chain{starts[j], j, chunksUsed, 0};
    firstChunk[j] = chunksUsed++;
    length[j] = 0;
  }
  int32_t live = chains;
  uint8_t* bytes = pool.get();
  while (live > 0) {
    for (int32_t a = 0; a < live;) {
      Chain& c = active[a];
      uint32_t e = tt[c.row];
      bytes[size_t(c.chunk) * kChunkBytes + size_t(c.fill)] = uint8_t(e);
      c.row = e >> 8;
      if (++c.fill == kChunkBytes) {
        nextChunk[c.chunk] = chunksUsed;
        c.chunk = chunksUsed++;
        c.fill = 0;
      }
      if (marked[c.row >> 6] >> (c.row & 63) & 1) {
        successor[c.id] = chainOf(c.row);
        length[c.id] = c.fill;
        nextChunk[c.chunk] = -1;
        active[a] = active[--live];
      } else {
        a++;
      }
    }
  }

  // Copy out in walk order; the chain's bytes fill its chunks in order, the last one part way.
  int32_t k = n - 1;
  for (int32_t j = head; k >= 0; j = successor[j]) {
    for (int32_t ch = firstChunk[j]; ch >= 0 && k >= 0; ch = nextChunk[ch]) {
      const int32_t count = nextChunk[ch] < 0 ? length[j] : kChunkBytes;
      const uint8_t* src = bytes + size_t(ch) * kChunkBytes;
      for (int32_t b = 0; b < count && k >= 0; b++) out[k--] = src[b];
    }
  }
  return true;
}

}  // namespace

bool BwtInverse(const uint8_t* last, int32_t n, int32_t row, uint8_t* out, Failure& why) {
  int32_t cum[256] = {};
  for (int32_t i = 0; i < n; i++) cum[last[i]]++;
  int32_t sum = 0;
  for (int c = 0; c < 256; c++) { int32_t k = cum[c]; cum[c] = sum; sum += k; }
  if (n <= (1 << 24)) {
    // One 32-bit word per row: next row above, byte below.
    HeapArray<uint32_t> tt = AllocArray<uint32_t>(size_t(n));
    if (!tt) return why.Set(kRefused);
    for (int32_t i = 0; i < n; i++) tt[i] = uint32_t(cum[last[i]]++) << 8 | last[i];
    if (n >= 2 * kRowsPerChain) return WalkChains(tt.get(), n, uint32_t(row), out, why);
    uint32_t i = uint32_t(row);
    for (int32_t k = n - 1; k >= 0; k--) {
      uint32_t e = tt[i];
      out[k] = uint8_t(e);
      i = e >> 8;
    }
  } else {
    HeapArray<uint32_t> lf = AllocArray<uint32_t>(size_t(n));
    if (!lf) return why.Set(kRefused);
    for (int32_t i = 0; i < n; i++) lf[i] = uint32_t(cum[last[i]]++);
    uint32_t i = uint32_t(row);
    for (int32_t k = n - 1; k >= 0; k--) {
      out[k] = last[i];
      i = lf[i];
    }
  }
  return true;
}

