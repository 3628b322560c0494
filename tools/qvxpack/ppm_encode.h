// The archive's PPM packer: the writing side of DecodePPM (runtime/archive_codecs.h).
//
// PpmEncodeOrder packs n bytes with a context model of the given order (0 to 15) and returns the
// entry's stored bytes exactly as DecodePPM reads them: the order in 4 bits, then the arithmetic
// code, padded with zero bits to whole bytes so that the reader never runs past the end.
//
// PpmEncode takes the order as a most: when that order leaves the bytes nearly as large as they
// are (above 90 %, as with packed sounds and pictures), it also packs them with order 0 and keeps
// that whenever it is at most 1 % larger, because order 0 unpacks several times faster there.
//
// The model is the reader's own (runtime/ppm_model.h) and obeys the same memory cap, so whatever
// this packs unpacks within it. When the model for these bytes at this order would pass the
// cap, both return an empty vector (every real result holds at least two bytes) and the packer
// should try a lower order.
//
//   std::vector<uint8_t> packed = PpmEncode(data, size, 5);
//   if (packed.empty()) packed = PpmEncode(data, size, 3);
#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

std::vector<uint8_t> PpmEncodeOrder(const uint8_t* data, size_t n, int order);
std::vector<uint8_t> PpmEncode(const uint8_t* data, size_t n, int order);
