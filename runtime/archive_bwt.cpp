// BWT entries: one Burrows-Wheeler block of the whole entry, move-to-front, zero runs in two
// digits, and Huffman codes chosen per block of symbols from up to 256 tables.
//
// Stream: row index (25 bits), symbol count M - 1 (25), block size - 1 (16), table bits - 1 (3),
// table count - 1 (table bits); the tables (257 symbols, kind 1); one selector per block (a run
// of ones ended by a zero, move-to-front coded); then the symbols. Symbols 0 and 1 are the run
// digits (weights 1 and 2, doubling), symbol s >= 2 is the byte s - 1.
#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>

#include "runtime/archive_codecs.h"
#include "runtime/archive_format.h"
#include "runtime/bwt_inverse.h"
#include "runtime/huffman.h"
#include "runtime/heap_array.h"

namespace {

bool BadLength(int64_t count, int32_t n, const BitReader& in, Failure& why) {
  if (!StreamHolds(in, why)) return false;
  if (count > INT32_MAX) count = INT32_MAX;
  return why.Set("BlockPos (%d) != N (%d) in DecodeRLE()", int32_t(count), n);
}

// Zero runs and bytes into exactly n bytes; the run state carries across blocks. Flush and Put
// return false (with why) on a count other than n.
struct RunDecoder {
  const BitReader* in;   // a stream that ran out is reported as such rather than as a bad count
  Failure* why;
  uint8_t* out;
  int32_t n;
  int32_t pos = 0;
  uint64_t run = 0;
  uint64_t weight = 1;

  int64_t Pending() const { return int64_t(pos) + int64_t(run > uint64_t(INT32_MAX) ? INT32_MAX : run); }
  bool Flush() {
    if (run > uint64_t(n - pos)) return BadLength(Pending(), n, *in, *why);
    memset(out + pos, 0, size_t(run));
    pos += int32_t(run);
    run = 0;
    weight = 1;
    return true;
  }
  bool Put(int symbol) {
    if (symbol < 2) {
      if (symbol == 0) { run += weight; weight <<= 1; }
      else { weight <<= 1; run += weight; }
      if (run > uint64_t(n)) return BadLength(Pending(), n, *in, *why);
      return true;
    }
    if (run) {
      if (!Flush()) return false;
    } else {
      weight = 1;
    }
    if (pos >= n) return BadLength(int64_t(pos) + 1, n, *in, *why);
    out[pos++] = uint8_t(symbol - 1);
    return true;
  }
};

void UndoMoveToFront(uint8_t* data, int32_t n) {
  uint8_t list[256];
  for (int i = 0; i < 256; i++) list[i] = uint8_t(i);
  for (int32_t k = 0; k < n; k++) {
    int x = data[k];
    uint8_t c = list[x];
    if (x) {
      memmove(list + 1, list, size_t(x));
      list[0] = c;
    }
    data[k] = c;
  }
}

}  // namespace

bool DecodeBWT(BitReader& in, uint8_t* out, int32_t n, Failure& why) {
  const int32_t row = int32_t(in.Get(25));
  const int32_t symbols = int32_t(in.Get(25)) + 1;
  const int32_t blockSize = int32_t(in.Get(16)) + 1;
  const int32_t blockNb = int32_t((int64_t(symbols) + blockSize - 1) / blockSize);
  const int tableBits = int(in.Get(3)) + 1;
  const int tableNb = int(in.Get(tableBits)) + 1;
  if (!StreamHolds(in, why)) return false;
  if (blockNb > qvx::kBwtMaxBlocks)
    return why.Set("DecodeBWT(): %d blocks of %d symbols (at most %d blocks)", blockNb, blockSize, qvx::kBwtMaxBlocks);

  HeapArray<HufTable> tables = AllocArray<HufTable>(size_t(tableNb));
  if (!tables) return why.Set("AllocHufTable(): Not enough memory");
  for (int t = 0; t < tableNb; t++)
    if (!ReadHufTable(in, tables[t], qvx::kBwtSymbols, qvx::kBwtMaxCodeLength, 1, why)) return false;

  uint8_t selector[qvx::kBwtMaxBlocks];
  uint8_t order[256];
  for (int i = 0; i < 256; i++) order[i] = uint8_t(i);
  for (int32_t b = 0; b < blockNb; b++) {
    uint32_t ones = 0;
    while (in.Bit() && !in.overrun) ones++;
    int x = int(ones & 255);
    uint8_t t = order[x];
    memmove(order + 1, order, size_t(x));
    order[0] = t;
    if (t >= tableNb) {
      if (!StreamHolds(in, why)) return false;
      return why.Set("DecodeBWT(): Selector %d beyond TableNb (%d)", t, tableNb);
    }
    selector[b] = t;
  }
  if (!StreamHolds(in, why)) return false;

  HeapArray<uint8_t> block = AllocArray<uint8_t>(size_t(n));
  if (!block) return why.Set("AllocBWTBlock(): Not enough memory");
  {
    // Each table's decoder is built the first time a block selects it.
    HeapArray<HufDecoder> decoders = AllocArray<HufDecoder>(size_t(tableNb));
    if (!decoders) return why.Set("AllocHufBlock(): malloc() = NULL");
    bool built[256] = {};
    RunDecoder rle{&in, &why, block.get(), n};
    int32_t left = symbols;
    for (int32_t b = 0; b < blockNb; b++) {
      int t = selector[b];
      if (!built[t]) {
        CompCodes(tables[t], decoders[t]);
        built[t] = true;
      }
      const HufDecoder& dec = decoders[t];
      int32_t count = left < blockSize ? left : blockSize;
      left -= count;
      for (int32_t k = 0; k < count; k++) {
        const int symbol = HufDecode(dec, in, why);
        if (symbol < 0 || !rle.Put(symbol)) return false;
      }
      if (!StreamHolds(in, why)) return false;
    }
    if (rle.run && !rle.Flush()) return false;
    if (rle.pos != n) return BadLength(rle.pos, n, in, why);
  }
  if (row >= n) return why.Set("DecodeBWT(): Row index %d beyond the block of %d bytes", row, n);
  UndoMoveToFront(block.get(), n);
  return BwtInverse(block.get(), n, row, out, why);
}
