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
#include "runtime/log.h"

namespace {

[[noreturn]] void BadLength(int64_t count, int32_t n, const BitReader& in) {
  CheckStream(in);
  if (count > INT32_MAX) count = INT32_MAX;
  Fatal("BlockPos (%d) != N (%d) in DecodeRLE()", int32_t(count), n);
}

// Zero runs and bytes into exactly n bytes; the run state carries across blocks.
struct RunDecoder {
  const BitReader* in;   // a stream that ran out is reported as such rather than as a bad count
  uint8_t* out;
  int32_t n;
  int32_t pos = 0;
  uint64_t run = 0;
  uint64_t weight = 1;

  int64_t Pending() const { return int64_t(pos) + int64_t(run > uint64_t(INT32_MAX) ? INT32_MAX : run); }
  void Flush() {
    if (run > uint64_t(n - pos)) BadLength(Pending(), n, *in);
    memset(out + pos, 0, size_t(run));
    pos += int32_t(run);
    run = 0;
    weight = 1;
  }
  void Put(int symbol) {
    if (symbol < 2) {
      if (symbol == 0) { run += weight; weight <<= 1; }
      else { weight <<= 1; run += weight; }
      if (run > uint64_t(n)) BadLength(Pending(), n, *in);
      return;
    }
    if (run) Flush();
    else weight = 1;
    if (pos >= n) BadLength(int64_t(pos) + 1, n, *in);
    out[pos++] = uint8_t(symbol - 1);
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

void DecodeBWT(BitReader& in, uint8_t* out, int32_t n) {
  const int32_t row = int32_t(in.Get(25));
  const int32_t symbols = int32_t(in.Get(25)) + 1;
  const int32_t blockSize = int32_t(in.Get(16)) + 1;
  const int32_t blockNb = int32_t((int64_t(symbols) + blockSize - 1) / blockSize);
  const int tableBits = int(in.Get(3)) + 1;
  const int tableNb = int(in.Get(tableBits)) + 1;
  CheckStream(in);
  if (blockNb > qvx::kBwtMaxBlocks)
    Fatal("DecodeBWT(): %d blocks of %d symbols (at most %d blocks)", blockNb, blockSize, qvx::kBwtMaxBlocks);

  HeapArray<HufTable> tables = AllocArray<HufTable>(size_t(tableNb), "AllocHufTable(): Not enough memory");
  for (int t = 0; t < tableNb; t++) ReadHufTable(in, tables[t], qvx::kBwtSymbols, qvx::kBwtMaxCodeLength, 1);

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
      CheckStream(in);
      Fatal("DecodeBWT(): Selector %d beyond TableNb (%d)", t, tableNb);
    }
    selector[b] = t;
  }
  CheckStream(in);

  HeapArray<uint8_t> block = AllocArray<uint8_t>(size_t(n), "AllocBWTBlock(): Not enough memory");
  {
    // Each table's decoder is built the first time a block selects it.
    HeapArray<HufDecoder> decoders = AllocArray<HufDecoder>(size_t(tableNb), "AllocHufBlock(): malloc() = NULL");
    bool built[256] = {};
    RunDecoder rle{&in, block.get(), n};
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
      for (int32_t k = 0; k < count; k++) rle.Put(HufDecode(dec, in));
      CheckStream(in);
    }
    if (rle.run) rle.Flush();
    if (rle.pos != n) BadLength(rle.pos, n, in);
  }
  if (row >= n) Fatal("DecodeBWT(): Row index %d beyond the block of %d bytes", row, n);
  UndoMoveToFront(block.get(), n);
  BwtInverse(block.get(), n, row, out);
}
