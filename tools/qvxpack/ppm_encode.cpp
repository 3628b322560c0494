// The PPM packer: the same model as the reader, driven by the known bytes, and a 16-bit
// arithmetic coder whose every interval step mirrors the reader's.
#include "tools/qvxpack/ppm_encode.h"

#include "runtime/ppm_model.h"
#include "tools/qvxpack/bitwriter.h"

namespace {

constexpr uint32_t kFirstQuarter = 16384, kThirdQuarter = 49152;

struct ArithEncoder {
  BitWriter out;
  uint32_t low = 0, high = 65536;   // high exclusive
  uint32_t pending = 0;             // opposite bits owed after the next resolved one
  uint64_t shifts = 0;              // bits the reader takes during renormalisation

  void Emit(uint32_t bit) {
    out.Bit(bit);
    for (; pending; pending--) out.Bit(bit ^ 1);
  }
  // Narrows to [a, b) of t, then renormalises exactly as the reader does: the leading bits low
  // and high - 1 share are settled and written at once (the first of them followed by the
  // opposite bits owed), then the quarter steps one at a time.
  void Encode(uint32_t a, uint32_t b, uint32_t t) {
    uint32_t r = high - low;
    high = low + r * b / t;
    low = low + r * a / t;
    uint32_t h = high - 1;
    int k = __builtin_clz((((low ^ h) & 0xFFFFu) << 16) | 0x8000u);
    if (k) {
      Emit(low >> 15);
      if (k > 1) out.Put((low >> (16 - k)) & ((1u << (k - 1)) - 1), k - 1);
      low = (low << k) & 0xFFFFu;
      high = (((h << k) | ((1u << k) - 1)) & 0xFFFFu) + 1;
      shifts += uint64_t(k);
    }
    while (low >= kFirstQuarter && high <= kThirdQuarter) {
      pending++;
      low = 2 * (low - kFirstQuarter);
      high = 2 * (high - kFirstQuarter);
      shifts++;
    }
  }
  // Settles on a point inside [low, high) and writes zeros up to the last bit the reader will
  // take: its first 16, one per renormalisation, and its closing one or two.
  std::vector<uint8_t> Finish() {
    uint64_t extra = 16 + (low != 0) + (high != 65536);   // beyond one bit per shift
    pending++;
    Emit(low < kFirstQuarter ? 0 : 1);
    for (uint64_t written = 2; written < extra; written++) out.Bit(0);
    return std::move(out.Finish());
  }
};

}  // namespace

std::vector<uint8_t> PpmEncodeOrder(const uint8_t* data, size_t n, int order) {
  if (order < 0 || order > kPpmMaxOrder || n > 0x7FFFFFFF) return {};
  PpmModel m;
  if (!PpmStart(m, order)) return {};
  ArithEncoder ac;
  ac.out.Put(uint32_t(order), 4);
  for (size_t p = 0; p < n; p++) {
    uint8_t c = data[p];
    PpmBeginPosition(m);
    int top = p < size_t(order) ? int(p) : order;
    int foundOrder = -1;
    uint32_t foundIndex = 0;
    bool coded = false;
    for (int o = top; o >= 0 && !coded; o--) {
      const uint32_t block = m.ctx[o];
      if (!block) continue;
      const PpmContext& ctx = PpmHeader(m, block);
      const PpmEntry* e = PpmChildren(m, block);
      const uint32_t dist = ctx.live;
      const bool marked = m.excluded != 0;
      const uint32_t tot = marked ? PpmSumAllowed(m, e, ctx.n) : ctx.sum;
      uint32_t i = PpmFind(e, ctx.n, c);
      if (i < ctx.n && e[i].count != 0 && !PpmExcluded(m, c)) {
        // The counts before c: the shorter side of the list, or the allowed ones before it.
        uint32_t start;
        if (marked) start = PpmSumAllowed(m, e, i);
        else start = i < ctx.n / 2 ? PpmSumCounts(e, i) : tot - PpmSumCounts(e + i, ctx.n - i);
        ac.Encode(start, start + e[i].count, tot + dist);
        coded = true;
        foundOrder = o;
        foundIndex = i;
      } else {
        PpmExcludeLive(m, e, ctx.n);
        ac.Encode(tot, tot + dist, tot + dist);
      }
    }
    if (!coded) {
      // Every order escaped: the bytes not excluded, each with count 1, in increasing order.
      uint32_t below = 0;
      for (int s = 0; s < c; s++) below += !PpmExcluded(m, uint8_t(s));
      ac.Encode(below, below + 1, 256 - m.excluded);
    }
    if (!PpmUpdate(m, uint32_t(p), c, foundOrder, foundIndex)) {
      PpmRelease(m);
      return {};
    }
  }
  PpmRelease(m);
  return ac.Finish();
}

std::vector<uint8_t> PpmEncode(const uint8_t* data, size_t n, int order) {
  std::vector<uint8_t> packed = PpmEncodeOrder(data, n, order);
  // Bytes the model barely predicts (packed data, noise) are coded about as well by the root
  // alone, which unpacks several times faster than a deep model that escapes at every byte.
  if (order > 0 && !packed.empty() && packed.size() * 10 > n * 9) {
    std::vector<uint8_t> flat = PpmEncodeOrder(data, n, 0);
    if (!flat.empty() && flat.size() <= packed.size() + packed.size() / 100) return flat;
  }
  return packed;
}
