// The LZH packer: the writing side of DecodeLZH (runtime/archive_codecs.h).
//
// Finds matches of 3 to 259 bytes at distances up to 65535 with hash chains and a one-step lazy
// evaluation, then writes blocks of up to 65536 symbols, each with its own code (kind 2).
//
//   std::vector<uint8_t> packed = LzhEncode(data, size);
#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

std::vector<uint8_t> LzhEncode(const uint8_t* data, size_t n);
