// Sorting the cyclic rotations of a block: the order the BWT packer needs.
//
// Prefix doubling over ranks with counting sorts: O(n log n) in the worst case, with no
// quadratic behaviour on repetitive data (a block of one repeated byte takes log2 n rounds), and
// it stops as soon as all rotations are told apart. Rotations that are equal (periodic blocks)
// keep some order among themselves; any order of equal rotations gives the same transform.
//
//   std::vector<int32_t> order = SortRotations(data, n);   // order[k] = start of k-th rotation
#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

std::vector<int32_t> SortRotations(const uint8_t* data, int32_t n);
