// trelk: the archive's three packing methods, each a decoder from the entry's packed bits into
// exactly n bytes of the caller's memory (the delta filter and the checksum are the caller's).
//
// Each decoder reads through the bounded BitReader over the entry's stored bytes and never writes
// outside out[0 .. n-1]. It returns true when the stream gave exactly n bytes. On bad input it
// returns false and why holds the message, and the bytes of out are unspecified: "GetBits():
// unexpected EOF in input stream" (or the GetBit form) for a stream that ran out, the Huffman
// reader's messages (runtime/huffman.h), or the method's own ("DecodeLZH(): ...", "DecodeBWT(): ...",
// "BlockPos (%d) != N (%d) in DecodeRLE()", "DecodePPM(): ...", "NewNode(): Not enough memory").
// Nothing ends the program here: ExtractFile does, with the message.
//
//   Failure why;
//   BitReader in(packed, packedSize);
//   if (!DecodeLZH(in, out, n, why)) Fatal("%s", why.text);
#pragma once
#include <cstdint>

#include "reader/failure.h"
#include "reader/reader.h"

enum ArchiveMethod : int32_t { METHOD_STORE = 0, METHOD_LZH = 1, METHOD_BWT = 2, METHOD_PPM = 3 };

bool DecodeLZH(BitReader& in, uint8_t* out, int32_t n, Failure& why);
bool DecodeBWT(BitReader& in, uint8_t* out, int32_t n, Failure& why);
bool DecodePPM(BitReader& in, uint8_t* out, int32_t n, Failure& why);
