// trelk: the archive's three packing methods, each a decoder from the entry's packed bits into
// exactly n bytes of the caller's memory (the delta filter and the checksum are the caller's).
//
// Each decoder reads through the bounded BitReader over the entry's stored bytes and never writes
// outside out[0 .. n-1]. A stream that runs out ends the program with Fatal("GetBits(): unexpected
// EOF in input stream") (or the GetBit form); other damage with the method's own fatal line.
#pragma once
#include <cstdint>

#include "reader/reader.h"

enum ArchiveMethod : int32_t { METHOD_STORE = 0, METHOD_LZH = 1, METHOD_BWT = 2, METHOD_PPM = 3 };

void DecodeLZH(BitReader& in, uint8_t* out, int32_t n);
void DecodeBWT(BitReader& in, uint8_t* out, int32_t n);
void DecodePPM(BitReader& in, uint8_t* out, int32_t n);
