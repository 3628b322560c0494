// A second, deliberately plain reading of the PPM method for the tests: nodes from new, linked
// lists walked for every sum, the exclusion set cleared per position, bits one at a time. It
// shares nothing with the model of runtime/ppm_model.h, so a mistake made in both the reader and
// the packer (which share that model) shows up as a disagreement with this one.
#pragma once
#include <cstdint>
#include <memory>
#include <vector>

#include "reader/reader.h"

namespace reference {

struct Node {
  int symbol = 0;
  int count = 0;
  int total = 0;
  int distinct = 0;
  Node* children = nullptr;   // most recently seen first
  Node* next = nullptr;
};

struct Coder {
  BitReader& in;
  uint32_t low = 0, high = 65536, value = 0;
  explicit Coder(BitReader& r) : in(r) { value = in.Get(16); }
  uint32_t Count(uint32_t t) { return ((value - low + 1) * t - 1) / (high - low); }
  void Consume(uint32_t a, uint32_t b, uint32_t t) {
    uint32_t r = high - low;
    high = low + r * b / t;
    low = low + r * a / t;
    for (;;) {
      if (high <= 32768) {
      } else if (low >= 32768) {
        value -= 32768; low -= 32768; high -= 32768;
      } else if (low >= 16384 && high <= 49152) {
        value -= 16384; low -= 16384; high -= 16384;
      } else {
        break;
      }
      value = 2 * value + in.Get(1);
      low *= 2;
      high *= 2;
    }
  }
};

// Decodes n bytes; false when the stream is plainly broken (the caller's test then fails).
inline bool Decode(BitReader& in, int n, std::vector<uint8_t>& out) {
  std::vector<std::unique_ptr<Node>> pool;
  auto make = [&]() { pool.push_back(std::make_unique<Node>()); return pool.back().get(); };
  int order = int(in.Get(4));
  Coder ac(in);
  Node* root = make();
  std::vector<Node*> ctx(order + 1, nullptr);
  ctx[0] = root;
  out.assign(size_t(n), 0);
  for (int p = 0; p < n; p++) {
    bool excluded[256] = {};
    int symbol = -1;
    for (int o = order; o >= 0 && symbol < 0; o--) {
      if (o > p || !ctx[o] || !ctx[o]->children) continue;
      uint32_t tot = 0, dist = 0;
      for (Node* c = ctx[o]->children; c; c = c->next) {
        if (c->count <= 0) continue;
        dist++;
        if (!excluded[c->symbol]) tot += uint32_t(c->count);
      }
      uint32_t total = tot + dist;
      uint32_t target = ac.Count(total);
      if (target < tot) {
        uint32_t sum = 0;
        for (Node* c = ctx[o]->children; c; c = c->next) {
          if (c->count <= 0 || excluded[c->symbol]) continue;
          sum += uint32_t(c->count);
          if (sum > target) {
            ac.Consume(sum - uint32_t(c->count), sum, total);
            symbol = c->symbol;
            break;
          }
        }
      } else {
        for (Node* c = ctx[o]->children; c; c = c->next)
          if (c->count > 0) excluded[c->symbol] = true;
        ac.Consume(tot, total, total);
      }
    }
    if (symbol < 0) {
      uint32_t total = 0;
      for (int s = 0; s < 256; s++) total += !excluded[s];
      if (total == 0) return false;
      uint32_t target = ac.Count(total), k = 0;
      for (int s = 0; s < 256; s++) {
        if (excluded[s]) continue;
        if (k == target) { symbol = s; break; }
        k++;
      }
      if (symbol < 0) return false;
      ac.Consume(target, target + 1, total);
    }
    out[size_t(p)] = uint8_t(symbol);
    for (int o = order; o >= 0; o--) {
      if (o > p) continue;
      Node* context = ctx[o];
      Node* prev = nullptr;
      Node* c = context->children;
      while (c && c->symbol != symbol) { prev = c; c = c->next; }
      if (c) {
        if (prev) { prev->next = c->next; c->next = context->children; context->children = c; }
        c->count++;
        context->total++;
      } else {
        c = make();
        c->symbol = symbol;
        c->count = 1;
        c->next = context->children;
        context->children = c;
        context->total += 2;
        context->distinct++;
      }
      if (context->total >= 4096) {
        int sum = 0, distinct = 0;
        for (Node* k = context->children; k; k = k->next) {
          k->count >>= 1;
          sum += k->count;
          distinct += k->count > 0;
        }
        context->total = sum;
        context->distinct = distinct;
      }
      if (o < order) ctx[o + 1] = c;
    }
  }
  if (ac.low != 0) in.Get(1);
  if (ac.high != 65536) in.Get(1);
  return !in.overrun;
}

}  // namespace reference
