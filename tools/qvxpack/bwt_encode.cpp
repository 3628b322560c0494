// Rotation sort, move-to-front, zero runs, and the choice of block size and tables.
#include "tools/qvxpack/bwt_encode.h"

#include <algorithm>
#include <array>
#include <cstring>

#include "runtime/archive_format.h"
#include "runtime/huffman.h"
#include "tools/qvxpack/bitwriter.h"
#include "tools/qvxpack/huffman_build.h"
#include "tools/qvxpack/rotation_sort.h"

namespace {

constexpr int kSymbols = qvx::kBwtSymbols;
using Histogram = std::array<uint32_t, kSymbols>;
using Lengths = std::array<int32_t, kSymbols>;

struct Plan {
  int32_t blockSize = 0;
  std::vector<Lengths> tables;
  std::vector<uint8_t> selector;
  uint64_t bits = UINT64_MAX;
};

std::vector<uint16_t> Symbols(const uint8_t* data, int32_t n, int32_t& row) {
  std::vector<int32_t> order = SortRotations(data, n);
  std::vector<uint8_t> last(static_cast<size_t>(n));
  row = 0;
  for (int32_t k = 0; k < n; k++) {
    int32_t start = order[size_t(k)];
    if (start == 0) row = k;
    last[size_t(k)] = data[start == 0 ? n - 1 : start - 1];
  }
  order = {};
  uint8_t list[256];
  for (int i = 0; i < 256; i++) list[i] = uint8_t(i);
  std::vector<uint16_t> out;
  out.reserve(size_t(n) / 2 + 16);
  uint64_t zeros = 0;
  auto flush = [&]() {
    while (zeros > 0) {
      if (zeros & 1) { out.push_back(0); zeros = (zeros - 1) >> 1; }
      else { out.push_back(1); zeros = (zeros - 2) >> 1; }
    }
  };
  for (int32_t k = 0; k < n; k++) {
    uint8_t c = last[size_t(k)];
    int x = 0;
    while (list[x] != c) x++;
    if (x == 0) { zeros++; continue; }
    memmove(list + 1, list, size_t(x));
    list[0] = c;
    flush();
    out.push_back(uint16_t(x + 1));
  }
  flush();
  return out;
}

uint64_t SelectorBits(const std::vector<uint8_t>& selector) {
  uint8_t list[256];
  for (int i = 0; i < 256; i++) list[i] = uint8_t(i);
  uint64_t bits = 0;
  for (uint8_t t : selector) {
    int x = 0;
    while (list[x] != t) x++;
    memmove(list + 1, list, size_t(x));
    list[0] = t;
    bits += uint64_t(x) + 1;
  }
  return bits;
}

uint64_t Cost(const Histogram& h, const Lengths& len) {
  uint64_t c = 0;
  for (int s = 0; s < kSymbols; s++)
    if (h[size_t(s)]) c += uint64_t(h[size_t(s)]) * uint64_t(len[size_t(s)] ? len[size_t(s)] : 40);
  return c;
}

// Tables built from exactly the blocks that select them; unused tables dropped.
void Finish(Plan& plan, const std::vector<Histogram>& hist, int tableNb) {
  std::vector<Histogram> sum(size_t(tableNb), Histogram{});
  for (size_t b = 0; b < hist.size(); b++)
    for (int s = 0; s < kSymbols; s++) sum[plan.selector[b]][size_t(s)] += hist[b][size_t(s)];
  std::vector<int> renumber(size_t(tableNb), -1);
  plan.tables.clear();
  for (int t = 0; t < tableNb; t++) {
    bool used = false;
    for (uint8_t sel : plan.selector) used |= sel == t;
    if (!used) continue;
    renumber[size_t(t)] = int(plan.tables.size());
    Lengths len;
    BuildLengths(sum[size_t(t)].data(), kSymbols, qvx::kBwtMaxCodeLength, len.data());
    plan.tables.push_back(len);
  }
  for (uint8_t& sel : plan.selector) sel = uint8_t(renumber[sel]);
  uint64_t bits = 25 + 25 + 16 + 3 + 8 + SelectorBits(plan.selector);
  for (const Lengths& len : plan.tables) bits += TableBits(len.data(), kSymbols, qvx::kBwtMaxCodeLength, 1);
  for (size_t b = 0; b < hist.size(); b++) bits += Cost(hist[b], plan.tables[plan.selector[b]]);
  plan.bits = bits;
}

Plan MakePlan(const std::vector<uint16_t>& symbols, int32_t blockSize, int tableNb) {
  size_t blockNb = (symbols.size() + size_t(blockSize) - 1) / size_t(blockSize);
  std::vector<Histogram> hist(blockNb, Histogram{});
  for (size_t k = 0; k < symbols.size(); k++) hist[k / size_t(blockSize)][symbols[k]]++;
  if (size_t(tableNb) > blockNb) tableNb = int(blockNb);
  Plan plan;
  plan.blockSize = blockSize;
  plan.selector.resize(blockNb);
  for (size_t b = 0; b < blockNb; b++) plan.selector[b] = uint8_t(b * size_t(tableNb) / blockNb);
  std::vector<Lengths> tables(static_cast<size_t>(tableNb));
  for (int round = 0; round < 6 && tableNb > 1; round++) {
    std::vector<Histogram> sum(size_t(tableNb), Histogram{});
    for (size_t b = 0; b < blockNb; b++)
      for (int s = 0; s < kSymbols; s++) sum[plan.selector[b]][size_t(s)] += hist[b][size_t(s)];
    for (int t = 0; t < tableNb; t++) BuildLengths(sum[size_t(t)].data(), kSymbols, qvx::kBwtMaxCodeLength, tables[size_t(t)].data());
    for (size_t b = 0; b < blockNb; b++) {
      uint64_t best = UINT64_MAX;
      for (int t = 0; t < tableNb; t++) {
        uint64_t c = Cost(hist[b], tables[size_t(t)]);
        if (c < best) { best = c; plan.selector[b] = uint8_t(t); }
      }
    }
  }
  Finish(plan, hist, tableNb);
  return plan;
}

}  // namespace

std::vector<uint8_t> BwtEncode(const uint8_t* data, size_t size) {
  if (size == 0 || size > size_t(qvx::kBwtMaxSize)) return {};
  const int32_t n = int32_t(size);
  int32_t row = 0;
  std::vector<uint16_t> symbols = Symbols(data, n, row);
  const int64_t m = int64_t(symbols.size());
  if (m > int64_t(qvx::kBwtMaxBlocks) * qvx::kBwtMaxBlockSize) return {};

  const int32_t smallest = int32_t((m + qvx::kBwtMaxBlocks - 1) / qvx::kBwtMaxBlocks);
  Plan best;
  int32_t tried = 0;
  for (int32_t want : {100, 400, 1600, 6400}) {
    int32_t blockSize = std::max(smallest, want);
    if (blockSize > qvx::kBwtMaxBlockSize) blockSize = qvx::kBwtMaxBlockSize;
    if (blockSize == tried) continue;
    tried = blockSize;
    for (int tableNb : {1, 2, 3, 4, 6, 8}) {
      Plan p = MakePlan(symbols, blockSize, tableNb);
      if (p.bits < best.bits) best = std::move(p);
    }
    if (blockSize >= m) break;
  }

  const int tableNb = int(best.tables.size());
  int tableBits = 1;
  while ((1 << tableBits) < tableNb) tableBits++;
  BitWriter out;
  out.bytes.reserve(size_t(best.bits / 8 + 64));
  out.Put(uint32_t(row), 25);
  out.Put(uint32_t(m - 1), 25);
  out.Put(uint32_t(best.blockSize - 1), 16);
  out.Put(uint32_t(tableBits - 1), 3);
  out.Put(uint32_t(tableNb - 1), tableBits);
  std::vector<std::array<uint32_t, kSymbols>> codes(static_cast<size_t>(tableNb));
  for (int t = 0; t < tableNb; t++) {
    WriteTable(out, best.tables[size_t(t)].data(), kSymbols, qvx::kBwtMaxCodeLength, 1);
    CanonicalCodes(best.tables[size_t(t)].data(), kSymbols, qvx::kBwtMaxCodeLength, codes[size_t(t)].data());
  }
  uint8_t list[256];
  for (int i = 0; i < 256; i++) list[i] = uint8_t(i);
  for (uint8_t t : best.selector) {
    int x = 0;
    while (list[x] != t) x++;
    memmove(list + 1, list, size_t(x));
    list[0] = t;
    for (int k = 0; k < x; k++) out.Put(1, 1);
    out.Put(0, 1);
  }
  for (int64_t k = 0; k < m; k++) {
    const int t = best.selector[size_t(k / best.blockSize)];
    const uint16_t s = symbols[size_t(k)];
    out.Put(codes[size_t(t)][s], best.tables[size_t(t)][s]);
  }
  return out.Finish();
}
