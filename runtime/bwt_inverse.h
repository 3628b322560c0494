// trelk: the inverse Burrows-Wheeler transform of the archive's BWT entries.
//
// From the last column L of the sorted rotations (n bytes) and a row index, out[k] is produced for
// k = n-1 down to 0 by the last-to-first walk: out[k] = L[i], then i = T[i] + C[L[i]], where T[i]
// counts the earlier positions holding L[i] and C[c] the bytes of L below c. Any L and any row
// below n give the walk's bytes, also when L is damaged and the walk is not one cycle. Returns false,
// with why "AllocArray(): Not enough memory", only when the heap refuses its working arrays.
#pragma once
#include <cstdint>

#include "reader/failure.h"

bool BwtInverse(const uint8_t* last, int32_t n, int32_t row, uint8_t* out, Failure& why);
