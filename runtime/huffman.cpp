// Canonical Huffman codes: table descriptions, code assignment and table-driven decoding.
#include "runtime/huffman.h"

#include "runtime/log.h"

namespace {

constexpr uint32_t kFastDone = 1u << 31;
constexpr uint32_t kFastBad = 1u << 30;
constexpr uint32_t kBadTooLong = 1;
constexpr uint32_t kBadOutside = 2;

// A bad code, unless the stream ran out inside it, which is reported as such: -1.
int BadCode(const HufDecoder& d, const BitReader& in, uint32_t reason, Failure& why) {
  if (!StreamHolds(in, why)) return -1;
  if (reason == kBadOutside) why.Set("HufDecode(): Code outside the table of %d symbols", d.used);
  else why.Set("HufDecode(): Code longer than %d bits", d.longest);
  return -1;
}

}  // namespace

bool StreamEnded(const BitReader& in, Failure& why) {
  return why.Set("%s(): unexpected EOF in input stream", in.overranInBit ? "GetBit" : "GetBits");
}

void CanonicalCodes(const int32_t* length, int n, int m, uint32_t* code) {
  int32_t count[kHufMaxLength + 2] = {};
  uint32_t next[kHufMaxLength + 2] = {};
  int longest = 0;
  for (int s = 0; s < n; s++) {
    int len = length[s];
    if (len > 0 && len <= m) {
      count[len]++;
      if (len > longest) longest = len;
    }
  }
  uint32_t c = 0;
  for (int len = longest; len >= 1; len--) {
    next[len] = c;
    c = (c + uint32_t(count[len])) / 2;
  }
  for (int s = 0; s < n; s++) {
    int len = length[s];
    code[s] = (len > 0 && len <= m) ? next[len]++ : 0;
  }
}

bool ReadHufTable(BitReader& in, HufTable& t, int n, int m, int kind, Failure& why) {
  t.n = n;
  t.maxLength = m;
  t.kind = kind;
  for (int s = 0; s < n; s++) t.length[s] = 0;
  int last = int(in.Get(Lg(uint32_t(n - 1)) + 1));
  if (last >= n) {
    if (!StreamHolds(in, why)) return false;
    return why.Set("ReadHufTable(): Last symbol %d in a table of %d symbols", last, n);
  }
  const int lenBits = Lg(uint32_t(m)) + 1;

  if (kind == 0) {
    for (int s = 0; s <= last; s++) t.length[s] = int32_t(in.Get(lenBits));
  } else if (kind == 1) {
    int32_t run = int32_t(in.Get(lenBits));
    t.length[0] = run;
    for (int s = 1; s <= last; s++) {
      if (in.Bit()) { t.length[s] = 0; continue; }
      if (in.Bit()) { t.length[s] = run; continue; }
      bool up = in.Bit();
      int32_t k = 0;
      while (in.Bit() && !in.overrun) {
        if (k < (1 << 20)) k++;
      }
      run += up ? k + 1 : -(k + 1);
      if (run > (1 << 20)) run = 1 << 20;
      if (run < -(1 << 20)) run = -(1 << 20);
      t.length[s] = run;
    }
  } else {
    HufTable nested;
    if (!ReadHufTable(in, nested, 29, 15, 0, why)) return false;
    HufDecoder d;
    CompCodes(nested, d);
    int s = 0;
    int32_t lastLength = 0;
    while (s <= last) {
      int sym = HufDecode(d, in, why);
      if (sym < 0) return false;
      int run = 1;
      int32_t value;
      if (sym == 0) { run = int(in.Get(3)) + 3; value = 0; }
      else if (sym == 1) { run = int(in.Get(7)) + 11; value = 0; }
      else if (sym == 2) { run = int(in.Get(2)) + 3; value = lastLength; }
      else { value = sym - 3; lastLength = value; }
      if (!StreamHolds(in, why)) return false;
      if (s + run > last + 1) return why.Set("ReadHufTable(): Length run past symbol %d", last);
      for (int i = 0; i < run; i++) t.length[s++] = value;
    }
  }
  return StreamHolds(in, why);
}

void CompCodes(const HufTable& t, HufDecoder& d) {
  const int m = t.maxLength;
  int32_t count[kHufMaxLength + 2] = {};
  int longest = 0;
  for (int s = 0; s < t.n; s++) {
    int32_t len = t.length[s];
    if (len < 0 || len > m) {
      Error("S->Len = %d in CompCodes()", len);
      continue;
    }
    if (len > 0) {
      count[len]++;
      if (len > longest) longest = len;
    }
  }
  d.maxLength = m;
  d.longest = longest;
  int32_t c = 0;
  for (int len = longest; len >= 1; len--) {
    d.first[len] = c;
    c += count[len];
    if (c & 1) Error("CodeMin = %d (Len = %d) in CompCodes()", c, len);
    c /= 2;
  }
  if (c != 1) Error("CodeMin (%d) != 1 in CompCodes()", c);

  // Symbols by increasing length, then increasing symbol number.
  int32_t start[kHufMaxLength + 2] = {};
  int pos = 0;
  for (int len = 1; len <= longest; len++) {
    start[len] = pos;
    d.offset[len] = pos - d.first[len];
    pos += count[len];
  }
  d.used = pos;
  for (int s = 0; s < t.n; s++) {
    int32_t len = t.length[s];
    if (len > 0 && len <= m) d.perm[start[len]++] = uint16_t(s);
  }

  // Every pattern of kHufFastBits bits through the bit-by-bit decoder.
  for (uint32_t p = 0; p < (1u << kHufFastBits); p++) {
    uint32_t entry = 0;   // not resolved within the fast bits
    int32_t code = 0;
    int len = 1;
    for (; len <= kHufFastBits; len++) {
      if (len > longest) { entry = kFastBad | uint32_t(len - 1) << 16 | kBadTooLong; break; }
      code = 2 * code + int32_t((p >> (kHufFastBits - len)) & 1);
      if (code >= d.first[len]) {
        int32_t idx = d.offset[len] + code;
        entry = (idx >= 0 && idx < d.used) ? kFastDone | uint32_t(len) << 16 | d.perm[idx]
                                           : kFastBad | uint32_t(len) << 16 | kBadOutside;
        break;
      }
    }
    d.fast[p] = entry;
  }
}

int HufDecodeSlow(const HufDecoder& d, BitReader& in, uint32_t entry, Failure& why) {
  if (entry & kFastBad) {
    in.SkipSingly(int((entry >> 16) & 31));   // a stream that ran out is reported as such
    return BadCode(d, in, entry & 3, why);
  }
  int32_t code = int32_t(in.Peek(kHufFastBits));
  in.SkipSingly(kHufFastBits);
  for (int len = kHufFastBits + 1;; len++) {
    if (len > d.longest) return BadCode(d, in, kBadTooLong, why);
    code = 2 * code + int32_t(in.Bit());
    if (code >= d.first[len]) {
      int32_t idx = d.offset[len] + code;
      if (idx < 0 || idx >= d.used) return BadCode(d, in, kBadOutside, why);
      return d.perm[idx];
    }
  }
}
