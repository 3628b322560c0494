// The context model of the archive's PPM method, shared by the reader (runtime/archive_ppm.cpp)
// and the packer (tools/qvxpack/ppm_encode.cpp) so that both sides build the same tree.
//
// The model: a tree whose root is the context of order 0; the children of a node are the symbols
// seen after its context, most recently seen first, and each child is also the context one order
// higher. A child carries its count in its parent's context; a parent carries the running total
// that triggers halving (4096) and, for speed, the sum of its children's counts and the number of
// children with a count above 0 (these two let the first context of a position skip a list walk).
//
// Nodes live in one pool indexed by 32-bit numbers (0 = none, 1 = the root), grown by doubling
// from the general heap and never beyond PpmNodeLimit nodes of 16 bytes (256 MiB by default).
// PpmNewNode returns 0 at the limit; the reader then stops with "NewNode(): Not enough memory" and
// the packer gives up on that order, so a packed entry always unpacks within the limit.
//
//   PpmModel m;
//   if (!PpmStart(m, order)) ...;
//   for (p ...) { ...code data[p] against m.ctx[o] ...; if (!PpmUpdate(m, p, data[p])) ...; }
//   PpmRelease(m);
#pragma once
#include <cstdint>
#include <cstdlib>

constexpr int kPpmMaxOrder = 15;
constexpr uint32_t kPpmNodeLimit = 1u << 24;   // 16 Mi nodes x 16 bytes = 256 MiB
constexpr uint32_t kPpmHalveAt = 4096;         // a context's total at which its counts are halved

// The node cap in force; tests lower it to reach the limit with little data.
inline uint32_t PpmNodeLimit = kPpmNodeLimit;

struct PpmNode {
  uint32_t child;   // first child (most recently seen), 0 when none
  uint32_t next;    // next sibling in the parent's list, 0 at the end
  uint16_t count;   // this symbol's count in the parent's context
  uint16_t total;   // the context's running total: +1 per seen child, +2 per new child
  uint16_t sum;     // sum of the children's counts
  uint8_t symbol;   // the byte this node stands for in its parent's context
  uint8_t live;     // children with a count above 0, modulo 256 (see PpmLive)
};
static_assert(sizeof(PpmNode) == 16, "the node limit is counted in 16-byte nodes");

struct PpmModel {
  PpmNode* nodes = nullptr;
  uint32_t used = 0;       // nodes handed out, index 0 included (never used)
  uint32_t capacity = 0;
  int order = 0;
  uint32_t ctx[kPpmMaxOrder + 1] = {};   // context of each order for the next position
  uint32_t stamp[256] = {};              // exclusion marks, see PpmBeginPosition
  uint32_t base = 1;                     // first mark of the current position
  uint32_t mark = 1;                     // mark of the context being coded
};

// Number of children with a count above 0. A context with children always has at least one
// (halving happens at a total of 4096, so some count is at least 15 before it), so 0 stands
// for 256 there.
inline int PpmLive(const PpmNode& n) { return n.live == 0 && n.child ? 256 : n.live; }

inline bool PpmStart(PpmModel& m, int order) {
  m.order = order;
  m.capacity = 4096;
  m.nodes = static_cast<PpmNode*>(malloc(sizeof(PpmNode) * m.capacity));
  if (!m.nodes) return false;
  m.nodes[0] = PpmNode{};
  m.nodes[1] = PpmNode{};
  m.used = 2;
  for (uint32_t& c : m.ctx) c = 0;
  m.ctx[0] = 1;
  for (uint32_t& s : m.stamp) s = 0;
  m.base = m.mark = 1;
  return true;
}

inline void PpmRelease(PpmModel& m) {
  free(m.nodes);
  m.nodes = nullptr;
  m.used = m.capacity = 0;
}

// Makes room for the new nodes of one position (at most order + 1), so that node references
// stay valid through an update. Returns false when the heap refuses.
inline bool PpmReserve(PpmModel& m) {
  uint64_t want = uint64_t(m.used) + uint64_t(m.order) + 1;
  if (want > PpmNodeLimit) want = PpmNodeLimit;
  if (want <= m.capacity) return true;
  uint64_t grown = uint64_t(m.capacity) * 2;
  if (grown < want) grown = want;
  if (grown > PpmNodeLimit) grown = PpmNodeLimit;
  void* p = realloc(m.nodes, sizeof(PpmNode) * grown);
  if (!p) return false;
  m.nodes = static_cast<PpmNode*>(p);
  m.capacity = uint32_t(grown);
  return true;
}

// Starts the exclusion set of a new position: marks below `base` are stale.
inline void PpmBeginPosition(PpmModel& m) {
  if (m.mark > 0xFFFFFF00u) {
    for (uint32_t& s : m.stamp) s = 0;
    m.mark = 0;
  }
  m.base = ++m.mark;
}
// Starts the coding of one more context at this position: symbols marked by the contexts
// before it (and only those) count as excluded.
inline void PpmBeginContext(PpmModel& m) { m.mark++; }
inline bool PpmExcluded(const PpmModel& m, uint8_t s) {
  return m.stamp[s] >= m.base && m.stamp[s] != m.mark;
}
inline void PpmExclude(PpmModel& m, uint8_t s) { m.stamp[s] = m.mark; }

// Halves every child's count; the context's total becomes the new sum.
inline void PpmHalve(PpmModel& m, PpmNode& parent) {
  uint32_t sum = 0, live = 0;
  for (uint32_t c = parent.child; c; c = m.nodes[c].next) {
    PpmNode& n = m.nodes[c];
    n.count = uint16_t(n.count >> 1);
    sum += n.count;
    live += n.count > 0;
  }
  parent.sum = uint16_t(sum);
  parent.total = uint16_t(sum);
  parent.live = uint8_t(live);
}

// Records byte c at position p in every context of order min(order, p) down to 0, and makes the
// found or new children the contexts of the next position. Returns false when a new node would
// pass the limit (or the heap refuses); the model is then unusable.
inline bool PpmUpdate(PpmModel& m, uint32_t p, uint8_t c) {
  if (!PpmReserve(m)) return false;
  int top = p < uint32_t(m.order) ? int(p) : m.order;
  PpmNode* nodes = m.nodes;
  for (int o = top; o >= 0; o--) {
    PpmNode& parent = nodes[m.ctx[o]];
    uint32_t prev = 0, ch = parent.child;
    while (ch && nodes[ch].symbol != c) {
      prev = ch;
      ch = nodes[ch].next;
    }
    if (ch) {
      PpmNode& n = nodes[ch];
      if (prev) {
        nodes[prev].next = n.next;
        n.next = parent.child;
        parent.child = ch;
      }
      if (n.count == 0) parent.live++;
      n.count++;
      parent.sum++;
      parent.total++;
    } else {
      if (m.used >= PpmNodeLimit || m.used >= m.capacity) return false;
      ch = m.used++;
      PpmNode& n = nodes[ch];
      n.child = 0;
      n.next = parent.child;
      n.count = 1;
      n.total = 0;
      n.sum = 0;
      n.symbol = c;
      n.live = 0;
      parent.child = ch;
      parent.sum++;
      parent.live++;
      parent.total = uint16_t(parent.total + 2);
    }
    if (parent.total >= kPpmHalveAt) PpmHalve(m, parent);
    if (o < m.order) m.ctx[o + 1] = ch;
  }
  return true;
}
