// Cyclic prefix doubling.
#include "tools/qvxpack/rotation_sort.h"

#include <algorithm>

std::vector<int32_t> SortRotations(const uint8_t* s, int32_t n) {
  std::vector<int32_t> sa(static_cast<size_t>(n)), rank(sa), tmp(sa);
  if (n == 0) return sa;
  // Ranks by the first two bytes (cyclic), by one counting sort of 65536 keys.
  {
    std::vector<int32_t> count(65537, 0);
    auto key = [&](int32_t i) { return uint32_t(s[i]) << 8 | s[i + 1 < n ? i + 1 : 0]; };
    for (int32_t i = 0; i < n; i++) count[key(i) + 1]++;
    for (size_t k = 1; k < count.size(); k++) count[k] += count[k - 1];
    for (int32_t i = 0; i < n; i++) sa[size_t(count[key(i)]++)] = i;
    int32_t classes = 0;
    for (int32_t k = 0; k < n; k++) {
      if (k == 0 || key(sa[size_t(k)]) != key(sa[size_t(k - 1)])) classes++;
      rank[size_t(sa[size_t(k)])] = classes - 1;
    }
    if (classes == n) return sa;
  }
  std::vector<int32_t> count(static_cast<size_t>(n) + 1);
  for (int64_t h = 2; h < n; h *= 2) {
    // Order by the second half: shift the current order back by h.
    for (int32_t k = 0; k < n; k++) {
      int64_t j = sa[size_t(k)] - h;
      if (j < 0) j += n * (1 + (-j - 1) / n);
      tmp[size_t(k)] = int32_t(j);
    }
    // Stable counting sort by the first half's rank.
    std::fill(count.begin(), count.end(), 0);
    for (int32_t k = 0; k < n; k++) count[size_t(rank[size_t(tmp[size_t(k)])]) + 1]++;
    for (size_t k = 1; k <= size_t(n); k++) count[k] += count[k - 1];
    for (int32_t k = 0; k < n; k++) {
      int32_t i = tmp[size_t(k)];
      sa[size_t(count[size_t(rank[size_t(i)])]++)] = i;
    }
    // New ranks from (rank[i], rank[i + h]).
    int32_t classes = 1;
    tmp[size_t(sa[0])] = 0;
    for (int32_t k = 1; k < n; k++) {
      int32_t a = sa[size_t(k)], b = sa[size_t(k - 1)];
      int32_t a2 = int32_t((a + h) % n), b2 = int32_t((b + h) % n);
      if (rank[size_t(a)] != rank[size_t(b)] || rank[size_t(a2)] != rank[size_t(b2)]) classes++;
      tmp[size_t(a)] = classes - 1;
    }
    rank.swap(tmp);
    if (classes == n) break;
  }
  return sa;
}
