// The archive's PPM packer: the writing side of DecodePPM (runtime/archive_codecs.h).
//
// PpmEncode packs n bytes with a context model of the given order (0 to 15) and returns the
// entry's stored bytes exactly as DecodePPM reads them: the order in 4 bits, then the arithmetic
// code, padded with zero bits to whole bytes so that the reader never runs past the end.
//
// The model is the reader's own (runtime/ppm_model.h) and obeys the same memory cap, so whatever
// this packs unpacks within it. When the model for these bytes at this order would pass the cap, PpmEncode returns an empty vector (every real result holds at least two
// bytes) and the packer should try a lower order.
//
//   std::vector<uint8_t> packed = PpmEncode(data, size, 5);
//   if (packed.empty()) packed = PpmEncode(data, size, 3);
#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

std::vector<uint8_t> PpmEncode(const uint8_t* data, size_t n, int order);
