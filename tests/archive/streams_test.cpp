// LZH and BWT streams written bit by bit in the test, so the decoders are checked against the
// format itself rather than against the packer.
#include <gtest/gtest.h>

#include "helpers.h"
#include "tools/qvxpack/huffman_build.h"

using namespace archive_test;

namespace {

// One LZH block of the symbols 'a', 'b', 256 (length 3, previous distance) and 290 (length 4,
// distance 2), all of code length 2: a = 00, b = 01, 256 = 10, 290 = 11.
void LzhHeader(BitWriter& w, int symbols) {
  w.Put(1, 1);
  w.Put(uint32_t(symbols - 1), 16);
  w.Put(290, 10);                                  // last described symbol
  w.Put(5, 5);                                     // nested table: last symbol 5
  PutBits(w, "0000 0001 0000 0000 0000 0001");     // lengths 1 for symbols 1 and 5: 1 -> 0, 5 -> 1
  PutBits(w, "0");  w.Put(97 - 11, 7);              // zeros for 0..96
  PutBits(w, "1 1");                                // lengths 2 for 'a' and 'b'
  PutBits(w, "0");  w.Put(138 - 11, 7);             // zeros for 99..236
  PutBits(w, "0");  w.Put(19 - 11, 7);              // zeros for 237..255
  PutBits(w, "1");                                  // 256
  PutBits(w, "0");  w.Put(33 - 11, 7);              // zeros for 257..289
  PutBits(w, "1");                                  // 290
}

std::vector<uint8_t> LzhStream(const char* symbolBits, int symbols) {
  BitWriter w;
  LzhHeader(w, symbols);
  PutBits(w, symbolBits);
  w.Put(0, 1);
  return w.Finish();
}

// An LZH block of up to 21 symbols over a code given by its lengths, written by the packer.
BitWriter LzhBlock(const std::vector<std::pair<int, int32_t>>& lengths) {
  std::vector<int32_t> len(qvx::kLzhSymbols, 0);
  for (auto [symbol, length] : lengths) len[size_t(symbol)] = length;
  BitWriter w;
  w.Put(1, 1);
  w.Put(20, 16);
  WriteTable(w, len.data(), qvx::kLzhSymbols, qvx::kLzhMaxCodeLength, 2);
  return w;
}

std::string Text(const std::vector<uint8_t>& v) { return std::string(v.begin(), v.end()); }

}  // namespace

TEST(LzhStream, MatchesOverlapAndDistanceClassZeroReusesThePreviousDistance) {
  // a b, (4, distance 2) -> abab ab, then (3, previous distance = 2) -> aba.
  EXPECT_EQ(Text(Decode(METHOD_LZH, LzhStream("00 01 11 10", 4), 9)), "ababababa");
  // The previous distance starts at 1: a, (3, class 0) -> aaaa.
  EXPECT_EQ(Text(Decode(METHOD_LZH, LzhStream("00 10", 2), 4)), "aaaa");
}

TEST(LzhStream, RefusesMatchesOutsideTheEntry) {
  // A match before any output.
  std::vector<uint8_t> early = LzhStream("10", 1);
  EXPECT_NE(Refused(METHOD_LZH, early, 3).find(
                "DecodeLZH(): Distance 1 before the start"), std::string::npos);
  // A match that would run past the entry's size.
  std::vector<uint8_t> past = LzhStream("00 10", 2);
  EXPECT_NE(Refused(METHOD_LZH, past, 3).find("past the end of the entry"), std::string::npos);
  // A literal past the entry's size.
  std::vector<uint8_t> literal = LzhStream("00 01", 2);
  EXPECT_NE(Refused(METHOD_LZH, literal, 1).find("DecodeLZH(): Literal past the end"), std::string::npos);
}

TEST(LzhStream, RunningOutOfBitsNamesTheReadThatRanOut) {
  // Inside the table description (fields of several bits): GetBits.
  std::vector<uint8_t> s = LzhStream("00 01 11 10", 4);
  s.resize(s.size() - 3);
  EXPECT_EQ(Refused(METHOD_LZH, s, 9), "GetBits(): unexpected EOF in input stream");
  // Inside the symbols' codes, read a bit at a time: GetBit. The header takes 92 bits.
  std::vector<uint8_t> codes = LzhStream("00 01 11 10 00 01 00 01 00 01 00 01 00 01 00 01", 16);
  codes.resize(13);
  EXPECT_EQ(Refused(METHOD_LZH, codes, 21), "GetBit(): unexpected EOF in input stream");
  // Past the end only zeros, here literals 'a': the entry fills up after the stream ran out.
  EXPECT_EQ(Refused(METHOD_LZH, LzhStream("", 5), 3), "GetBit(): unexpected EOF in input stream");
  // Inside a match's extra bits, whatever the zeros would make of it. Codes: 'a' 1, 264 (length 3,
  // distance 16 + 3 bits) 00, 384 (length 7 + 1 bit, the previous distance) 01.
  for (auto [match, read] : {std::pair{"00", "GetBits"}, {"01", "GetBit"}}) {
    BitWriter w = LzhBlock({{'a', 1}, {264, 2}, {384, 2}});
    int literals = 0;
    do PutBits(w, "1"), literals++; while ((w.BitCount() + 2) % 8);
    PutBits(w, match);
    EXPECT_EQ(Refused(METHOD_LZH, w.Finish(), size_t(literals) + 1), read + std::string("(): unexpected EOF in input stream"));
  }
}

TEST(LzhStream, RefusesCodesOutsideAnIncompleteTable) {
  BitWriter w = LzhBlock({{'a', 1}});          // 'a' is 0, 1 names nothing
  PutBits(w, "0 1");
  EXPECT_EQ(Refused(METHOD_LZH, w.Finish(), 5), "HufDecode(): Code outside the table of 1 symbols");
}

namespace {

// "banana": sorted rotations abanan anaban ananab banana nabana nanaba, last column "nnbaaa",
// the text is row 3. Move-to-front gives 110 0 99 99 0 0, and the symbols 111, 0 (run of 1),
// 100, 100, 1 (run of 2). Code lengths: 0 and 1 -> 3, 100 -> 1, 111 -> 2, so the codes are
// 0 = 000, 1 = 001, 111 = 01, 100 = 1.
void BwtTable(BitWriter& w) {
  w.Put(111, 9);                                   // last described symbol
  w.Put(3, 5);                                     // symbol 0: length 3
  PutBits(w, "01");                                // symbol 1: same
  for (int s = 2; s < 100; s++) PutBits(w, "1");   // absent
  PutBits(w, "000 1 0");                           // symbol 100: down by 2 -> 1
  for (int s = 101; s < 111; s++) PutBits(w, "1");
  PutBits(w, "001 0");                             // symbol 111: up by 1 -> 2
}

std::vector<uint8_t> BwtStream(int row, int symbols, const char* selectors, const char* symbolBits) {
  BitWriter w;
  w.Put(uint32_t(row), 25);
  w.Put(uint32_t(symbols - 1), 25);
  w.Put(2 - 1, 16);                                // blocks of 2 symbols: 2, 2, 1
  w.Put(0, 3);                                     // table bits 1
  w.Put(1, 1);                                     // two tables
  BwtTable(w);
  BwtTable(w);
  PutBits(w, selectors);
  PutBits(w, symbolBits);
  return w.Finish();
}

}  // namespace

TEST(BwtStream, BananaWithAShortLastBlockAndMoveToFrontSelectors) {
  // Selectors 1, 0, 1 after move-to-front name the tables 1, 1, 0.
  std::vector<uint8_t> s = BwtStream(3, 5, "10 0 10", "01 000  1 1  001");
  EXPECT_EQ(Text(Decode(METHOD_BWT, s, 6)), "banana");
}

TEST(BwtStream, RefusesWhatWouldLeaveItsBuffers) {
  // One byte short of N.
  std::vector<uint8_t> s = BwtStream(3, 5, "10 0 10", "01 000  1 1  001");
  EXPECT_EQ(Refused(METHOD_BWT, s, 7), "BlockPos (6) != N (7) in DecodeRLE()");
  // More bytes than N: never written past it, whether a byte or a run goes past.
  EXPECT_EQ(Refused(METHOD_BWT, s, 5), "BlockPos (6) != N (5) in DecodeRLE()");
  EXPECT_EQ(Refused(METHOD_BWT, s, 3), "BlockPos (4) != N (3) in DecodeRLE()");
  // A run is refused as soon as it passes N: digits 0 make runs of 1, 3, 7, 15, ...
  EXPECT_EQ(Refused(METHOD_BWT, BwtStream(3, 5, "10 0 10", "000 000 000 000 000"), 10),
            "BlockPos (15) != N (10) in DecodeRLE()");
  // A selector naming a third table of two.
  std::vector<uint8_t> sel = BwtStream(3, 5, "110 0 0", "01 000  1 1  001");
  EXPECT_EQ(Refused(METHOD_BWT, sel, 6), "DecodeBWT(): Selector 2 beyond TableNb (2)");
  // A row index beyond the block.
  std::vector<uint8_t> row = BwtStream(6, 5, "10 0 10", "01 000  1 1  001");
  EXPECT_NE(Refused(METHOD_BWT, row, 6).find(
                "DecodeBWT(): Row index 6 beyond the block of 6 bytes"), std::string::npos);
  // More blocks than 256.
  BitWriter w;
  w.Put(0, 25);
  w.Put(1000, 25);
  w.Put(0, 16);
  std::vector<uint8_t> many = w.Finish();
  EXPECT_EQ(Refused(METHOD_BWT, many, 2000), "DecodeBWT(): 1001 blocks of 1 symbols (at most 256 blocks)");
  many.resize(7);   // the block size ran out: that is the refusal
  EXPECT_EQ(Refused(METHOD_BWT, many, 2000), "GetBits(): unexpected EOF in input stream");
}

TEST(BwtStream, RunningOutIsRefusedAsSuchWhateverTheZerosWouldMake) {
  // The tables take 336 bits, so these streams end on a byte: the zeros past the end would make
  // a selector 8 of 2 tables, a run past N, and a last run that fills N exactly.
  EXPECT_EQ(Refused(METHOD_BWT, BwtStream(3, 5, "11111111", ""), 6), "GetBit(): unexpected EOF in input stream");
  EXPECT_EQ(Refused(METHOD_BWT, BwtStream(3, 5, "10 0 10", "000 000"), 10), "GetBit(): unexpected EOF in input stream");
  EXPECT_EQ(Refused(METHOD_BWT, BwtStream(0, 4, "0 0", "01 01 01"), 4), "GetBit(): unexpected EOF in input stream");
}

TEST(BwtStream, SelectorsWrapAfter255Ones) {
  // 257 ones count as 1: the same tables as "10".
  std::string ones(257, '1');
  std::string selectors = ones + "0 0 10";
  std::vector<uint8_t> s = BwtStream(3, 5, selectors.c_str(), "01 000  1 1  001");
  EXPECT_EQ(Text(Decode(METHOD_BWT, s, 6)), "banana");
}
