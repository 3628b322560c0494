// The archive's PPM method: a context model of order 0 to 15 (runtime/ppm_model.h) with escapes
// and exclusions, driving a 16-bit arithmetic decoder.
//
// Each position tries the contexts from the highest order down; a context codes either one of
// its children (counts in list order) or an escape worth the number of its live children, after
// which those children are excluded from the lower orders. When every order escapes, the bytes
// not excluded share the interval equally. Bits are read straight from the BitReader's cache;
// running past the stored bytes, a model past its memory cap, or an escape that leaves no byte to
// code (only garbage does that) each return the failure with its message; no byte past n is written.
#include "runtime/archive_codecs.h"
#include "runtime/ppm_model.h"

namespace {

constexpr uint32_t kFirstQuarter = 16384, kThirdQuarter = 49152;

// Releases the model on every way out.
struct ModelHolder {
  PpmModel m;
  ~ModelHolder() { PpmRelease(m); }
};

struct ArithDecoder {
  BitReader& in;
  uint32_t low = 0, high = 65536;   // high exclusive
  uint32_t value = 0;

  explicit ArithDecoder(BitReader& reader) : in(reader) {}

  uint32_t NextBit() {
    if (in.bits < 1) in.Refill();
    uint32_t b = uint32_t(in.cache >> 63);
    in.cache <<= 1;
    in.bits--;
    return b;
  }
  uint32_t Target(uint32_t t) const {
    return ((value - low + 1) * t - 1) / (high - low);
  }
  // The next k bits, 1 <= k <= 16.
  uint32_t NextBits(int k) {
    if (in.bits < k) in.Refill();
    uint32_t v = uint32_t(in.cache >> (64 - k));
    in.cache <<= k;
    in.bits -= k;
    return v;
  }
  // Narrows to [a, b) of t and renormalises. Each halving step that drops a settled top bit
  // (high <= half, or low >= half) shifts low, high - 1 and value left by one; all such steps in
  // a row are taken at once, as many as low and high - 1 share leading bits. value lies in
  // [low, high) throughout, so it shares those bits too and the subtractions are masks. Once
  // the interval straddles the half, only the quarter steps can follow, one at a time, and after
  // one of them the interval still straddles the half.
  void Consume(uint32_t a, uint32_t b, uint32_t t) {
    uint32_t r = high - low;
    high = low + r * b / t;
    low = low + r * a / t;
    uint32_t h = high - 1;
    int k = __builtin_clz((((low ^ h) & 0xFFFFu) << 16) | 0x8000u);
    if (k) {
      low = (low << k) & 0xFFFFu;
      high = (((h << k) | ((1u << k) - 1)) & 0xFFFFu) + 1;
      value = ((value << k) | NextBits(k)) & 0xFFFFu;
    }
    while (low >= kFirstQuarter && high <= kThirdQuarter) {
      value = 2 * (value - kFirstQuarter) + NextBit();
      low = 2 * (low - kFirstQuarter);
      high = 2 * (high - kFirstQuarter);
    }
  }
  bool RanOut() const { return in.Tell() > in.size * 8; }
};

bool RanOutOfInput(Failure& why) { return why.Set("GetBit(): unexpected EOF in input stream"); }
bool Corrupt(Failure& why) { return why.Set("DecodePPM(): Corrupt data in input stream"); }
bool NoNode(Failure& why) { return why.Set("NewNode(): Not enough memory"); }

}  // namespace

bool DecodePPM(BitReader& in, uint8_t* out, int32_t n, Failure& why) {
  int order = int(in.Get(4));
  ArithDecoder ac(in);
  ac.value = in.Get(16);
  if (in.overrun || ac.RanOut()) return why.Set("GetBits(): unexpected EOF in input stream");
  ModelHolder holder;
  PpmModel& m = holder.m;
  if (!PpmStart(m, order)) return NoNode(why);

  for (int32_t p = 0; p < n; p++) {
    PpmBeginPosition(m);
    int top = p < order ? p : order;
    int symbol = -1, foundOrder = -1;
    uint32_t foundIndex = 0;
    for (int o = top; o >= 0; o--) {
      const uint32_t block = m.ctx[o];
      if (!block) continue;
      const PpmContext& ctx = PpmHeader(m, block);
      const PpmEntry* e = PpmChildren(m, block);
      const uint32_t n = ctx.n;
      // dist counts every child above 0, excluded or not.
      const uint32_t dist = ctx.live;
      const bool marked = m.excluded != 0;
      const uint32_t tot = marked ? PpmSumAllowed(m, e, n) : ctx.sum;
      const uint32_t total = tot + dist;
      const uint32_t target = ac.Target(total);
      if (target < tot) {
        // The child whose running sum first passes the target (children at 0 add nothing).
        uint32_t sum = 0;
        uint32_t i = marked ? PpmWalkAllowed(m, e, n, target, &sum) : PpmLocate(e, n, tot, target, &sum);
        if (i == n) return Corrupt(why);
        ac.Consume(sum - e[i].count, sum, total);
        symbol = e[i].symbol;
        foundOrder = o;
        foundIndex = i;
        break;
      }
      if (target >= total) return Corrupt(why);
      PpmExcludeLive(m, e, n);
      ac.Consume(tot, total, total);
    }
    if (symbol < 0) {
      // Every order escaped: the bytes not excluded, each with count 1, in increasing order.
      uint32_t total = 256 - m.excluded;
      if (total == 0) return why.Set("DecodePPM(): Escape with every byte excluded in input stream");
      uint32_t target = ac.Target(total);
      if (target >= total) return Corrupt(why);
      uint32_t below = 0;
      for (int s = 0; s < 256; s++) {
        if (PpmExcluded(m, uint8_t(s))) continue;
        if (below == target) { symbol = s; break; }
        below++;
      }
      ac.Consume(target, target + 1, total);
    }
    if (ac.RanOut()) return RanOutOfInput(why);
    out[p] = uint8_t(symbol);
    if (!PpmUpdate(m, uint32_t(p), uint8_t(symbol), foundOrder, foundIndex)) return NoNode(why);
  }
  if (ac.low != 0) ac.NextBit();
  if (ac.high != 65536) ac.NextBit();
  return !ac.RanOut() || RanOutOfInput(why);
}
