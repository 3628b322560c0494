// The packer's side of the canonical Huffman codes (runtime/huffman.h): code lengths from symbol
// counts, limited to a maximum length, and the three kinds of table description.
//
// Every code built here is complete and has at least two symbols, so the reader's CompCodes
// never logs an incomplete-code line for it.
//
//   int32_t len[800];  BuildLengths(freq, 800, 25, len);
//   WriteTable(bw, len, 800, 25, 2);      // kind 2, as the LZH reader expects
//   uint32_t code[800];  CanonicalCodes(len, 800, 25, code);
#pragma once
#include <cstdint>

#include "tools/qvxpack/bitwriter.h"

// Lengths (0 for symbols of count 0) of an optimal prefix code no longer than maxLength bits.
void BuildLengths(const uint32_t* freq, int n, int maxLength, int32_t* length);

// Writes the description of the lengths of n symbols, maximum length m, in the given kind.
void WriteTable(BitWriter& out, const int32_t* length, int n, int m, int kind);

// Bits WriteTable would write.
uint64_t TableBits(const int32_t* length, int n, int m, int kind);
