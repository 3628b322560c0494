// Code lengths from counts (with a length limit) and the writers of table descriptions.
#include "tools/qvxpack/huffman_build.h"

#include <algorithm>
#include <cstdlib>
#include <vector>

#include "runtime/huffman.h"

namespace {

// Plain Huffman depths by the two-queue method over counts sorted ascending.
int Depths(const std::vector<std::pair<uint64_t, int>>& leaves, std::vector<int>& depth) {
  size_t k = leaves.size();
  std::vector<uint64_t> weight(2 * k);
  std::vector<int> parent(2 * k, -1);
  for (size_t i = 0; i < k; i++) weight[i] = leaves[i].first;
  size_t leaf = 0, inner = k, next = k;
  auto take = [&]() {
    if (leaf < k && (inner >= next || weight[leaf] <= weight[inner])) return leaf++;
    return inner++;
  };
  for (size_t made = 0; made + 1 < k; made++) {
    size_t a = take(), b = take();
    weight[next] = weight[a] + weight[b];
    parent[a] = parent[b] = int(next);
    next++;
  }
  std::vector<int> d(next, 0);
  int longest = 0;
  for (size_t i = next - 1; i-- > 0;) {
    d[i] = d[size_t(parent[i])] + 1;
  }
  depth.assign(k, 0);
  for (size_t i = 0; i < k; i++) {
    depth[i] = d[i];
    longest = std::max(longest, d[i]);
  }
  return longest;
}

}  // namespace

void BuildLengths(const uint32_t* freq, int n, int maxLength, int32_t* length) {
  std::vector<std::pair<uint64_t, int>> leaves;
  for (int s = 0; s < n; s++) {
    length[s] = 0;
    if (freq[s]) leaves.push_back({freq[s], s});
  }
  // A code needs two symbols to be complete: add unused ones of count zero.
  for (int s = 0; leaves.size() < 2 && s < n; s++)
    if (!freq[s]) leaves.push_back({0, s});
  std::vector<uint64_t> counts(leaves.size());
  for (size_t i = 0; i < leaves.size(); i++) counts[i] = leaves[i].first;
  for (int shift = 0;; shift++) {
    std::vector<std::pair<uint64_t, int>> scaled(leaves.size());
    for (size_t i = 0; i < leaves.size(); i++) scaled[i] = {shift == 0 ? counts[i] : (counts[i] >> shift) + 1, leaves[i].second};
    std::sort(scaled.begin(), scaled.end());
    std::vector<int> depth;
    if (Depths(scaled, depth) <= maxLength) {
      for (size_t i = 0; i < scaled.size(); i++) length[scaled[i].second] = depth[i];
      return;
    }
  }
}

namespace {

struct LengthToken {
  int symbol;
  int extraBits;
  uint32_t extra;
};

// Kind 2 tokens: zero runs (0: 3-10, 1: 11-138), repeats of the last explicit length (2: 3-6),
// explicit lengths (3 + length).
std::vector<LengthToken> LengthTokens(const int32_t* length, int last) {
  std::vector<LengthToken> out;
  int32_t lastExplicit = 0;
  int s = 0;
  while (s <= last) {
    int32_t v = length[s];
    int run = 1;
    while (s + run <= last && length[s + run] == v) run++;
    if (v == 0 && run >= 3) {
      int k = std::min(run, 138);
      if (k >= 11) out.push_back({1, 7, uint32_t(k - 11)});
      else out.push_back({0, 3, uint32_t(k - 3)});
      s += k;
    } else if (v == lastExplicit && run >= 3) {
      int k = std::min(run, 6);
      out.push_back({2, 2, uint32_t(k - 3)});
      s += k;
    } else {
      out.push_back({3 + v, 0, 0});
      lastExplicit = v;
      s++;
    }
  }
  return out;
}

int LastUsed(const int32_t* length, int n) {
  int last = 0;
  for (int s = 0; s < n; s++)
    if (length[s]) last = s;
  return last;
}

}  // namespace

void WriteTable(BitWriter& out, const int32_t* length, int n, int m, int kind) {
  const int last = LastUsed(length, n);
  out.Put(uint32_t(last), Lg(uint32_t(n - 1)) + 1);
  const int lenBits = Lg(uint32_t(m)) + 1;
  if (kind == 0) {
    for (int s = 0; s <= last; s++) out.Put(uint32_t(length[s]), lenBits);
  } else if (kind == 1) {
    int32_t run = length[0];
    out.Put(uint32_t(run), lenBits);
    for (int s = 1; s <= last; s++) {
      int32_t v = length[s];
      if (v == 0) { out.Put(1, 1); continue; }
      if (v == run) { out.Put(1, 2); continue; }
      int32_t diff = v - run;
      out.Put(diff > 0 ? 1 : 0, 3);
      for (int32_t k = std::abs(diff) - 1; k > 0; k--) out.Put(1, 1);
      out.Put(0, 1);
      run = v;
    }
  } else {
    std::vector<LengthToken> tokens = LengthTokens(length, last);
    uint32_t freq[29] = {};
    for (const LengthToken& t : tokens) freq[t.symbol]++;
    int32_t nested[29];
    BuildLengths(freq, 29, 15, nested);
    WriteTable(out, nested, 29, 15, 0);
    uint32_t code[29];
    CanonicalCodes(nested, 29, 15, code);
    for (const LengthToken& t : tokens) {
      out.Put(code[t.symbol], nested[t.symbol]);
      out.Put(t.extra, t.extraBits);
    }
  }
}

uint64_t TableBits(const int32_t* length, int n, int m, int kind) {
  BitWriter scratch;
  WriteTable(scratch, length, n, m, kind);
  return scratch.BitCount();
}
