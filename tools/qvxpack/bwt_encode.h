// The BWT packer: the writing side of DecodeBWT (runtime/archive_codecs.h).
//
// The whole entry is one block: its rotations are sorted (tools/qvxpack/rotation_sort.h), the last
// column is move-to-front coded, zero runs become two run digits, and the symbols are split into
// at most 256 blocks, each coded with the best of a few tables refined over the blocks' counts.
//
// Returns an empty vector when the entry does not fit the format: no bytes, more than 2^25
// bytes, or more symbols than 256 blocks of 65536 can carry.
//
//   std::vector<uint8_t> packed = BwtEncode(data, size);
#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

std::vector<uint8_t> BwtEncode(const uint8_t* data, size_t n);
