// trelk: canonical Huffman codes of the archive's packed entries (LZH and BWT).
//
// A code is given by one length per symbol (0 = absent). Codes are canonical with longer codes
// numerically smaller: going from the longest length down to 1 with c = 0, first[len] = c,
// c = (c + count[len]) / 2, and the symbols of one length take first[len], first[len] + 1, ...
// in increasing symbol order. Example: lengths 2, 1, 2 give the codes 00, 1, 01.
//
// In the stream a table is described in one of three kinds (the last described symbol first):
//   0  every length in lg(m) + 1 bits;
//   1  differences to a running length ("1" absent, "01" same, "001" 1..k up, "000" 1..k down);
//   2  lengths coded with a nested 29-symbol table (zero runs 3-10 and 11-138, repeats 3-6 of
//      the last explicit length, and explicit lengths 0-25).
//
// Decoding is table driven: the next kHufFastBits bits index a table built by running the
// bit-by-bit canonical decoder over every pattern, so it gives exactly the symbols (and
// consumes exactly the bits) of that decoder; longer codes continue bit by bit.
//
//   Failure why;
//   HufTable t;  if (!ReadHufTable(in, t, 800, 25, 2, why)) return false;
//   HufDecoder d;  CompCodes(t, d);
//   int symbol = HufDecode(d, in, why);   // -1: a code the table does not hold, why says which
//
// Incomplete codes log CompCodes()'s error lines and decoding goes on; a length outside 0..m is
// logged and the symbol left out. On bad input nothing ends the program: ReadHufTable returns false
// for a description that names a symbol beyond the table ("ReadHufTable(): Last symbol %d in a
// table of %d symbols"), a length run beyond its last symbol ("ReadHufTable(): Length run past
// symbol %d") or a stream that ran out; HufDecode returns -1 for a code longer than the table's
// longest ("HufDecode(): Code longer than %d bits") or outside it ("HufDecode(): Code outside the
// table of %d symbols"), or a stream that ran out inside the code. The Failure holds the message.
#pragma once
#include <cstdint>

#include "reader/failure.h"
#include "reader/reader.h"

inline constexpr int kHufMaxSymbols = 1024;
inline constexpr int kHufMaxLength = 25;
inline constexpr int kHufFastBits = 11;

struct HufTable {
  int32_t n = 0;            // symbols
  int32_t maxLength = 0;    // m
  int32_t kind = 0;         // 0, 1 or 2
  int32_t length[kHufMaxSymbols];
};

struct HufDecoder {
  int32_t maxLength = 0;    // m of the table
  int32_t longest = 0;      // longest length in use
  int32_t used = 0;         // symbols in perm
  int32_t first[kHufMaxLength + 2];
  int32_t offset[kHufMaxLength + 2];
  uint16_t perm[kHufMaxSymbols];
  // Per pattern of kHufFastBits bits: symbol | length << 16 | kFastDone, or the state after all
  // of them when no code of that many bits or fewer matched, or kFastBad.
  uint32_t fast[1 << kHufFastBits];
};

// lg(x) = floor(log2 x), lg(1) = 0.
constexpr int Lg(uint32_t x) { int r = 0; while (x > 1) { x >>= 1; r++; } return r; }
static_assert(Lg(1) == 0 && Lg(15) == 3 && Lg(25) == 4 && Lg(28) == 4 && Lg(256) == 8 && Lg(799) == 9);

// The canonical codes of n lengths (0 = absent, all within 1..m). Shared with the packer.
void CanonicalCodes(const int32_t* length, int n, int m, uint32_t* code);

// Reads a table description of the given kind for n symbols with maximum length m; false (with why)
// on a refused description.
bool ReadHufTable(BitReader& in, HufTable& table, int n, int m, int kind, Failure& why);

// Makes table the one to decode: the per-length arrays, the symbol list and the fast table.
// Logs "S->Len = %d in CompCodes()", "CodeMin = %d (Len = %d) in CompCodes()" and
// "CodeMin (%d) != 1 in CompCodes()" for lengths out of range and incomplete codes.
void CompCodes(const HufTable& table, HufDecoder& decoder);

int HufDecodeSlow(const HufDecoder& decoder, BitReader& in, uint32_t entry, Failure& why);

// The next symbol, or -1 (with why) for a code the table does not hold.
inline int HufDecode(const HufDecoder& decoder, BitReader& in, Failure& why) {
  uint32_t e = decoder.fast[in.Peek(kHufFastBits)];
  if (e & (1u << 31)) {
    in.SkipSingly(int((e >> 16) & 31));
    return int(e & 0xFFFF);
  }
  return HufDecodeSlow(decoder, in, e, why);
}

// The message of a bit stream that ran out (checked once per block or table): "GetBit(): ..." when
// the read that passed the end took single bits (a flag, a Huffman code), "GetBits(): ..." otherwise.
// StreamEnded sets it and returns false; StreamHolds is true while the stream has not run out.
bool StreamEnded(const BitReader& in, Failure& why);
inline bool StreamHolds(const BitReader& in, Failure& why) { return !in.overrun || StreamEnded(in, why); }
