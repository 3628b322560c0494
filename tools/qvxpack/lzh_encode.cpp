// LZ77 parsing with hash chains and the LZH block writer.
#include "tools/qvxpack/lzh_encode.h"

#include <algorithm>
#include <cstring>

#include "runtime/archive_format.h"
#include "runtime/huffman.h"
#include "tools/qvxpack/bitwriter.h"
#include "tools/qvxpack/huffman_build.h"

namespace {

constexpr int kHashBits = 16;
constexpr int kWindow = 1 << 16;            // chain slots; distances stay below 65536
constexpr int kMaxChain = 192;
constexpr int kMinMatch = 3;
constexpr int kMaxMatch = qvx::kLzhLongMatch;
constexpr int kNiceMatch = 160;

// Class of v (a length minus 3, or a distance of 1 or more).
inline int ClassOf(uint32_t v) {
  if (v < 4) return int(v);
  int top = 31 - __builtin_clz(v);          // floor(log2 v) >= 2
  int extra = top - 1;
  return 2 * (extra + 1) + int((v >> extra) & 1);
}

struct Token {
  uint16_t symbol;
  uint16_t lengthExtra;                     // extra bits value of the length
  uint16_t distanceExtra;
};

struct Matcher {
  const uint8_t* data;
  size_t n;
  std::vector<int32_t> head;
  std::vector<int32_t> prev;

  Matcher(const uint8_t* d, size_t size) : data(d), n(size), head(1 << kHashBits, -1), prev(kWindow, -1) {}

  uint32_t Hash(size_t i) const {
    uint32_t v = uint32_t(data[i]) | uint32_t(data[i + 1]) << 8 | uint32_t(data[i + 2]) << 16;
    return (v * 2654435761u) >> (32 - kHashBits);
  }
  void Insert(size_t i) {
    if (i + kMinMatch > n) return;
    uint32_t h = Hash(i);
    prev[i & (kWindow - 1)] = head[h];
    head[h] = int32_t(i);
  }
  int MatchLength(size_t a, size_t b, int limit) const {
    int len = 0;
    while (len + 8 <= limit) {
      uint64_t x, y;
      memcpy(&x, data + a + len, 8);
      memcpy(&y, data + b + len, 8);
      if (x != y) return len + (__builtin_ctzll(x ^ y) >> 3);
      len += 8;
    }
    while (len < limit && data[a + len] == data[b + len]) len++;
    return len;
  }
  // Longest match at i among the chain (inserted positions before i), as (length, distance).
  int Find(size_t i, int32_t& distance, int chain) const {
    int limit = int(std::min<size_t>(kMaxMatch, n - i));
    if (limit < kMinMatch) return 0;
    int best = 0;
    int32_t cand = head[Hash(i)];
    while (cand >= 0 && chain-- > 0) {
      size_t d = i - size_t(cand);
      if (d > size_t(qvx::kLzhMaxDistance)) break;
      if (data[cand + best] == data[i + best]) {
        int len = MatchLength(size_t(cand), i, limit);
        if (len > best) {
          best = len;
          distance = int32_t(d);
          if (len >= limit || len >= kNiceMatch) break;
        }
      }
      int32_t p = prev[size_t(cand) & (kWindow - 1)];
      if (p >= cand) break;
      cand = p;
    }
    return best;
  }
};

// A match of length 3 far away costs more than its three literals.
inline bool Worth(int length, int32_t distance) {
  return length > 3 || distance <= 8192;
}

void WriteBlock(BitWriter& out, const std::vector<Token>& tokens, size_t from, size_t to) {
  uint32_t freq[qvx::kLzhSymbols] = {};
  for (size_t k = from; k < to; k++) freq[tokens[k].symbol]++;
  int32_t length[qvx::kLzhSymbols];
  BuildLengths(freq, qvx::kLzhSymbols, qvx::kLzhMaxCodeLength, length);
  uint32_t code[qvx::kLzhSymbols];
  CanonicalCodes(length, qvx::kLzhSymbols, qvx::kLzhMaxCodeLength, code);
  out.Put(1, 1);
  out.Put(uint32_t(to - from - 1), 16);
  WriteTable(out, length, qvx::kLzhSymbols, qvx::kLzhMaxCodeLength, 2);
  for (size_t k = from; k < to; k++) {
    const Token& t = tokens[k];
    out.Put(code[t.symbol], length[t.symbol]);
    if (t.symbol >= 256) {
      int lc = (t.symbol - 256) >> 5, dc = t.symbol & 31;
      if (lc < 16) out.Put(t.lengthExtra, qvx::ClassExtra(lc));
      out.Put(t.distanceExtra, qvx::ClassExtra(dc));
    }
  }
}

}  // namespace

std::vector<uint8_t> LzhEncode(const uint8_t* data, size_t n) {
  std::vector<Token> tokens;
  tokens.reserve(n / 2 + 16);
  Matcher m(data, n);
  int32_t lastDistance = 1;

  auto literal = [&](size_t i) { tokens.push_back({uint16_t(data[i]), 0, 0}); };
  auto match = [&](int length, int32_t distance) {
    int lc = length == kMaxMatch ? 16 : ClassOf(uint32_t(length - 3));
    uint16_t lengthExtra = lc == 16 ? 0 : uint16_t(length - 3 - qvx::ClassBase(lc));
    int dc = 0;
    uint16_t distanceExtra = 0;
    if (distance != lastDistance) {
      dc = ClassOf(uint32_t(distance));
      distanceExtra = uint16_t(distance - qvx::ClassBase(dc));
      lastDistance = distance;
    }
    tokens.push_back({uint16_t(256 + 32 * lc + dc), lengthExtra, distanceExtra});
  };
  // The previous distance is cheap to send: take it unless the chain finds clearly better.
  auto best = [&](size_t i, int32_t& distance) {
    int len = m.Find(i, distance, kMaxChain);
    if (len && !Worth(len, distance)) len = 0;
    if (size_t(lastDistance) <= i) {
      int limit = int(std::min<size_t>(kMaxMatch, n - i));
      int rep = limit >= kMinMatch ? m.MatchLength(i - size_t(lastDistance), i, limit) : 0;
      if (rep >= kMinMatch && rep + 1 >= len) {
        distance = lastDistance;
        return rep;
      }
    }
    return len;
  };

  size_t i = 0;
  int32_t curDist = 0;
  int curLen = n ? best(0, curDist) : 0;
  while (i < n) {
    if (curLen < kMinMatch) {
      literal(i);
      m.Insert(i);
      i++;
      if (i < n) curLen = best(i, curDist);
      continue;
    }
    m.Insert(i);
    int32_t nextDist = 0;
    int nextLen = 0;
    if (curLen < kNiceMatch && i + 1 < n) nextLen = best(i + 1, nextDist);
    if (nextLen > curLen + 1 || (nextLen > curLen && nextDist == lastDistance)) {
      literal(i);
      i++;
      curLen = nextLen;
      curDist = nextDist;
      continue;
    }
    match(curLen, curDist);
    for (int k = 1; k < curLen; k++) m.Insert(i + size_t(k));
    i += size_t(curLen);
    curLen = i < n ? best(i, curDist) : 0;
  }

  BitWriter out;
  out.bytes.reserve(n / 2 + 64);
  for (size_t from = 0; from < tokens.size(); from += qvx::kLzhBlockSymbols)
    WriteBlock(out, tokens, from, std::min(tokens.size(), from + qvx::kLzhBlockSymbols));
  out.Put(0, 1);
  return out.Finish();
}
