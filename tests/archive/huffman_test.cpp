// Canonical codes, the three kinds of table description, and the table-driven decoder on short
// and long codes.
#include <gtest/gtest.h>

#include <cmath>

#include "helpers.h"
#include "runtime/huffman.h"
#include "tools/qvxpack/huffman_build.h"

using namespace archive_test;

namespace {

HufTable TableOf(const std::vector<int32_t>& lengths, int m) {
  HufTable t;
  t.n = int32_t(lengths.size());
  t.maxLength = m;
  for (size_t i = 0; i < lengths.size(); i++) t.length[i] = lengths[i];
  return t;
}

std::vector<uint32_t> Codes(const std::vector<int32_t>& len, int m) {
  std::vector<uint32_t> code(len.size());
  CanonicalCodes(len.data(), int(len.size()), m, code.data());
  return code;
}

}  // namespace

TEST(CanonicalCodes, LongerCodesAreNumericallySmaller) {
  // Lengths up to the maximum m = 2 count; the code past the n lengths is left alone.
  std::vector<int32_t> len = {2, 1, 2, 1};
  std::vector<uint32_t> c(4, 99);
  CanonicalCodes(len.data(), 3, 2, c.data());
  EXPECT_EQ(c, (std::vector<uint32_t>{0b00, 0b1, 0b01, 99}));
  EXPECT_EQ(Codes({2, 2, 2, 2}, 15), (std::vector<uint32_t>{0, 1, 2, 3}));

  // The decoder reads them back: 1 00 01 -> symbols 1, 0, 2.
  HufDecoder d;
  CompCodes(TableOf({2, 1, 2}, 2), d);
  BitWriter w;
  PutBits(w, "1 00 01 1");
  std::vector<uint8_t> bytes = w.Finish();
  BitReader in(bytes.data(), bytes.size());
  Failure why;
  EXPECT_EQ(HufDecode(d, in, why), 1);
  EXPECT_EQ(HufDecode(d, in, why), 0);
  EXPECT_EQ(HufDecode(d, in, why), 2);
  EXPECT_EQ(HufDecode(d, in, why), 1);
  EXPECT_EQ(in.Tell(), 6u);
}

TEST(CompCodes, IncompleteCodesOnlyLog) {
  DebugMode = 1;
  std::remove("log.txt");
  HufDecoder d;
  HufTable t = TableOf({1, 0, 2, 2, 5}, 2);   // complete, lengths up to m; the 5 is past n
  t.n = 4;
  CompCodes(t, d);
  EXPECT_EQ(LogText(), "");
  CompCodes(TableOf({1, 0, 0}, 15), d);       // one symbol of length 1
  CompCodes(TableOf({1, 30, 1}, 25), d);      // a length above the maximum
  std::string log = LogText();
  EXPECT_NE(log.find("ERROR: CodeMin = 1 (Len = 1) in CompCodes() !"), std::string::npos) << log;
  EXPECT_NE(log.find("ERROR: CodeMin (0) != 1 in CompCodes() !"), std::string::npos) << log;
  EXPECT_NE(log.find("ERROR: S->Len = 30 in CompCodes() !"), std::string::npos) << log;
}

TEST(HufDecode, CodesLongerThanTheFastTable) {
  // Lengths 1..13 and a second 13: the code of length l < 13 is l - 1 zeros and a one, the two of
  // length 13 are twelve zeros and then 0 (symbol 12) or 1 (symbol 13).
  std::vector<int32_t> len;
  for (int32_t l = 1; l <= 13; l++) len.push_back(l);
  len.push_back(13);
  HufDecoder d;
  CompCodes(TableOf(len, 25), d);
  BitWriter w;
  PutBits(w, "0000000000001 0000000000000 000000000001 00000000001 1 001");
  std::vector<uint8_t> bytes = w.Finish();
  BitReader in(bytes.data(), bytes.size());
  Failure why;
  for (int want : {13, 12, 11, 10, 0, 2}) EXPECT_EQ(HufDecode(d, in, why), want);
  EXPECT_EQ(in.Tell(), 13u + 13 + 12 + 11 + 1 + 3);
}

TEST(HufDecode, CodesOutsideAnIncompleteTableAreRefused) {
  // One symbol of length 1: "0" is its code, "1" names nothing.
  HufDecoder d;
  DebugMode = 0;
  CompCodes(TableOf({1, 0, 0}, 2), d);
  std::vector<uint8_t> bytes = {0x80};
  auto refusal = [&] {
    BitReader in(bytes.data(), bytes.size());
    Failure why;
    EXPECT_EQ(HufDecode(d, in, why), -1);
    return std::string(why.text);
  };
  EXPECT_EQ(refusal(), "HufDecode(): Code outside the table of 1 symbols");
  // A table without symbols decodes nothing.
  CompCodes(TableOf({0, 0, 0}, 2), d);
  EXPECT_EQ(refusal(), "HufDecode(): Code longer than 0 bits");
}

TEST(ReadHufTable, KindZeroAndKindOne) {
  BitWriter w;
  // Kind 0, 5 symbols, m = 7: last symbol 3 in 3 bits, lengths in 3 bits.
  PutBits(w, "011  010 001 000 011");
  // Kind 1, 5 symbols, m = 7: last 4; symbol 0 = 2; then "01" same, "1" absent,
  // "0011 0" up by 2 (-> 4), "000 0" down by 1 (-> 3).
  PutBits(w, "100  010  01  1  00110  0000");
  std::vector<uint8_t> bytes = w.Finish();
  BitReader in(bytes.data(), bytes.size());
  HufTable t;
  Failure why;
  ASSERT_TRUE(ReadHufTable(in, t, 5, 7, 0, why));
  EXPECT_EQ(std::vector<int32_t>(t.length, t.length + 5), (std::vector<int32_t>{2, 1, 0, 3, 0}));
  ASSERT_TRUE(ReadHufTable(in, t, 5, 7, 1, why));
  EXPECT_EQ(std::vector<int32_t>(t.length, t.length + 5), (std::vector<int32_t>{2, 2, 0, 4, 3}));
}

TEST(ReadHufTable, KindTwoRepeatAfterAZeroRunRepeatsTheLastExplicitLength) {
  // Nested table: symbol 0 (zero run) of length 1, symbols 2 (repeat) and 8 (length 5) of
  // length 2, so the codes are 0 -> 1, 2 -> 00, 8 -> 01.
  BitWriter v;
  PutBits(v, "1010");                          // outer: last symbol 10 (n = 16)
  PutBits(v, "01000");                         // nested: last symbol 8
  PutBits(v, "0001 0000 0010 0000 0000 0000 0000 0000 0010");   // nested lengths 0..8
  PutBits(v, "01");                            // length 5 (symbol 8)
  PutBits(v, "1 010");                         // zero run of 3 + 2 = 5
  PutBits(v, "00 01");                         // repeat 3 + 1 = 4 copies of 5
  PutBits(v, "01");                            // length 5
  std::vector<uint8_t> bytes = v.Finish();
  BitReader in(bytes.data(), bytes.size());
  HufTable t;
  Failure why;
  ASSERT_TRUE(ReadHufTable(in, t, 16, 15, 2, why)) << why.text;
  EXPECT_EQ(std::vector<int32_t>(t.length, t.length + 16),
            (std::vector<int32_t>{5, 0, 0, 0, 0, 0, 5, 5, 5, 5, 5, 0, 0, 0, 0, 0}));
}

TEST(ReadHufTable, RefusesWhatLeavesTheTable) {
  // Kind 2's nested table (29 symbols, lengths of 4 bits): "00000 0001" gives symbol 0 (zero run
  // of 3 + 3 bits) the code 0; "00100 0000 0000 0000 0000 0001" gives symbol 4 (length 1) the
  // code 0, so 1 names nothing.
  struct Case { int n, kind, skip; const char* bits; const char* refusal; };
  const Case cases[] = {
      {29, 0, 0, "11111", "ReadHufTable(): Last symbol 31 in a table of 29 symbols"},
      {5, 0, 0, "101", "ReadHufTable(): Last symbol 5 in a table of 5 symbols"},
      {5, 0, 6, "000000 11", "GetBits(): unexpected EOF in input stream"},   // last 6 ran out
      {16, 2, 0, "0001  00000 0001  0 000", "ReadHufTable(): Length run past symbol 1"},
      {16, 2, 0, "0000  00100 0000 0000 0000 0000 0001  1", "HufDecode(): Code outside the table of 1 symbols"},
  };
  for (const Case& c : cases) {
    BitWriter w;
    PutBits(w, c.bits);
    std::vector<uint8_t> bytes = w.Finish();
    BitReader in(bytes.data(), bytes.size());
    in.Get(c.skip);
    HufTable t;
    Failure why;
    EXPECT_FALSE(ReadHufTable(in, t, c.n, 15, c.kind, why)) << c.refusal;
    EXPECT_STREQ(why.text, c.refusal);
  }
}

TEST(ReadHufTable, KindOneRunsStayWithinTwoToTheTwenty) {
  // Runs of a million ones step the running length by at most 2^20 + 1, and it stays within
  // +-2^20: 2, up to 2^20, down to -1, down to -2^20.
  BitWriter w;
  PutBits(w, "11  010");                       // last symbol 3, symbol 0 = 2
  for (const char* step : {"001", "000", "000"}) {
    PutBits(w, step);
    for (int i = 0; i < (1 << 20) + 5; i++) w.Bit(1);
    w.Bit(0);
  }
  std::vector<uint8_t> bytes = w.Finish();
  BitReader in(bytes.data(), bytes.size());
  HufTable t;
  Failure why;
  ASSERT_TRUE(ReadHufTable(in, t, 4, 7, 1, why)) << why.text;
  EXPECT_EQ(std::vector<int32_t>(t.length, t.length + 4), (std::vector<int32_t>{2, 1 << 20, -1, -(1 << 20)}));
}

TEST(WriteTable, EveryKindReadsBack) {
  std::mt19937 rng(3);
  for (int kind = 0; kind < 3; kind++) {
    for (int round = 0; round < 40; round++) {
      int n = kind == 2 ? 800 : 257;
      std::vector<uint32_t> freq(static_cast<size_t>(n));
      for (auto& f : freq) f = rng() % 3 == 0 ? 0 : rng() % 1000;
      std::vector<int32_t> len(static_cast<size_t>(n));
      BuildLengths(freq.data(), n, 25, len.data());
      for (int32_t l : len) ASSERT_LE(l, 25);
      BitWriter w;
      WriteTable(w, len.data(), n, 25, kind);
      std::vector<uint8_t> bytes = w.Finish();
      BitReader in(bytes.data(), bytes.size());
      HufTable t;
      Failure why;
      ASSERT_TRUE(ReadHufTable(in, t, n, 25, kind, why)) << why.text;
      ASSERT_EQ(std::vector<int32_t>(t.length, t.length + n), len) << "kind " << kind;
    }
  }
}

TEST(BuildLengths, LimitsTheLongestCode) {
  std::vector<uint32_t> freq(40);
  uint32_t f = 1;
  for (auto& x : freq) { x = f; f = f * 3 / 2 + 1; }   // a skewed, Fibonacci-like spread
  std::vector<int32_t> len(40);
  BuildLengths(freq.data(), 40, 15, len.data());
  double kraft = 0;
  for (int32_t l : len) {
    ASSERT_GE(l, 1);
    ASSERT_LE(l, 15);
    kraft += std::ldexp(1.0, -l);
  }
  EXPECT_DOUBLE_EQ(kraft, 1.0);
}
