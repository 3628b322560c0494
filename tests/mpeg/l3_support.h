// Helpers of the Layer III tests: a bit writer, the Huffman encoder over the code lists, and a builder of
// synthetic MPEG-1 mono frames (128 kbit/s, 44.1 kHz: 417 bytes, 17 bytes of side information).
#pragma once
#include <cstdint>
#include <cstring>
#include <random>
#include <vector>

#include <gtest/gtest.h>

#include "sound/mpeg_layer3.h"
#include "sound/mpeg_layer3_internal.h"
#include "sound/mpeg_layer3_tables.h"

namespace l3test {

struct BitWriter {
  std::vector<uint8_t> bytes;
  uint64_t bits = 0;
  void Put(uint32_t value, int32_t n) {
    for (int32_t i = n - 1; i >= 0; i--) {
      if ((bits >> 3) >= bytes.size()) bytes.push_back(0);
      if ((value >> i) & 1) bytes[bits >> 3] |= uint8_t(0x80 >> (bits & 7));
      bits++;
    }
  }
  // Zero bytes after the end, so a reader may look 8 bytes ahead.
  std::vector<uint8_t> Padded(size_t extra = 16) const {
    std::vector<uint8_t> v = bytes;
    v.resize(v.size() + extra, 0);
    return v;
  }
};

// Writes one big-values pair of `table` with linbits and signs, the way a stream carries it.
inline void PutPair(BitWriter& w, int32_t table, int32_t x, int32_t y) {
  const kvox_l3tab::HuffTable& h = kvox_l3tab::kHuffTables[table];
  if (!h.codes) return;
  const int32_t ax = x < 0 ? -x : x, ay = y < 0 ? -y : y;
  const int32_t cx = ax > 15 ? 15 : ax, cy = ay > 15 ? 15 : ay;
  const kvox_l3tab::HuffCode c = h.codes[cx * h.dim + cy];
  w.Put(c.bits, c.length);
  if (cx) {
    if (cx == 15 && h.linbits) w.Put(uint32_t(ax - 15), h.linbits);
    w.Put(x < 0, 1);
  }
  if (cy) {
    if (cy == 15 && h.linbits) w.Put(uint32_t(ay - 15), h.linbits);
    w.Put(y < 0, 1);
  }
}

inline void PutQuad(BitWriter& w, int32_t table, const int32_t v[4]) {
  int32_t index = 0;
  for (int32_t k = 0; k < 4; k++) index = index * 2 + (v[k] != 0);
  const kvox_l3tab::HuffCode c = (table ? kvox_l3tab::kQuadB : kvox_l3tab::kQuadA)[index];
  w.Put(c.bits, c.length);
  for (int32_t k = 0; k < 4; k++) if (v[k]) w.Put(v[k] < 0, 1);
}

// One granule of the synthetic frames: long block, scalefac_compress 0 (no scalefactor bits), region 0
// (region0_count + 1 bands) with `table0`, the rest with `table1`; values.size() / 2 big-values pairs.
struct SynthGranule {
  int32_t globalGain = 210;
  int32_t table0 = 1, table1 = 15;
  std::vector<int32_t> values;  // 2 * pairs values
  int32_t part23Override = -1;
  int32_t bigValuesOverride = -1;
  int32_t region0 = 7, region1 = 7;  // region0_count, region1_count
};

inline BitWriter GranuleBits(const SynthGranule& g) {
  BitWriter w;
  const int32_t r1 = g.region0 + 1 < 22 ? g.region0 + 1 : 22;
  const size_t bound = size_t(kvox_l3tab::kLongBands[0][r1]);
  for (size_t i = 0; i + 1 < g.values.size(); i += 2)
    PutPair(w, i < bound ? g.table0 : g.table1, g.values[i], g.values[i + 1]);
  return w;
}

// Frame header of MPEG-1 Layer III, 128 kbit/s, 44.1 kHz, single channel, no CRC.
inline void PutHeader(BitWriter& w) { w.Put(0xFFFB90C0u, 32); }

inline void PutSide(BitWriter& w, int32_t mainDataBegin, const SynthGranule g[2], const int32_t part23[2]) {
  w.Put(uint32_t(mainDataBegin), 9);
  w.Put(0, 5);
  w.Put(0, 4);  // scfsi
  for (int32_t gr = 0; gr < 2; gr++) {
    const int32_t pairs = int32_t(g[gr].values.size() / 2);
    w.Put(uint32_t(g[gr].part23Override >= 0 ? g[gr].part23Override : part23[gr]), 12);
    w.Put(uint32_t(g[gr].bigValuesOverride >= 0 ? g[gr].bigValuesOverride : pairs), 9);
    w.Put(uint32_t(g[gr].globalGain), 8);
    w.Put(0, 4);  // scalefac_compress
    w.Put(0, 1);  // no window switching
    w.Put(uint32_t(g[gr].table0), 5);
    w.Put(uint32_t(g[gr].table1), 5);
    w.Put(uint32_t(g[gr].table1), 5);
    w.Put(uint32_t(g[gr].region0), 4);
    w.Put(uint32_t(g[gr].region1), 3);
    w.Put(0, 1);  // preflag
    w.Put(0, 1);  // scalefac_scale
    w.Put(0, 1);  // count1 table A
  }
}

constexpr int32_t kFrameBytes = 417;
constexpr int32_t kMainBytes = 417 - 4 - 17;

// A stream of frames whose granule data (frame f: grans[2f], grans[2f + 1]) starts up to `back[f]` bytes
// before the frame's own main data (main_data_begin; less when the previous frame's data ends later).
inline std::vector<uint8_t> BuildStream(const std::vector<SynthGranule>& grans, const std::vector<int32_t>& back) {
  const size_t frames = back.size();
  // The continuous main-data byte stream and where each frame's granules start in it.
  std::vector<uint8_t> data(frames * kMainBytes + 64, 0);
  std::vector<int32_t> part23(2 * frames), begin(frames);
  int64_t previousEnd = 0;
  for (size_t f = 0; f < frames; f++) {
    BitWriter w;
    for (int32_t gr = 0; gr < 2; gr++) {
      BitWriter one = GranuleBits(grans[2 * f + gr]);
      part23[2 * f + gr] = int32_t(one.bits);
      for (uint64_t b = 0; b < one.bits; b++) w.Put((one.bytes[b >> 3] >> (7 - (b & 7))) & 1, 1);
    }
    int64_t at = int64_t(f) * kMainBytes - back[f];
    if (at < previousEnd) at = previousEnd;
    if (at + int64_t(w.bytes.size()) > int64_t(f + 1) * kMainBytes) {
      ADD_FAILURE() << "granule data of frame " << f << " does not fit";
      return {};
    }
    begin[f] = int32_t(int64_t(f) * kMainBytes - at);
    for (size_t i = 0; i < w.bytes.size(); i++) data[size_t(at) + i] = w.bytes[i];
    previousEnd = at + int64_t(w.bytes.size());
  }
  std::vector<uint8_t> out;
  for (size_t f = 0; f < frames; f++) {
    BitWriter w;
    PutHeader(w);
    PutSide(w, begin[f], &grans[2 * f], &part23[2 * f]);
    out.insert(out.end(), w.bytes.begin(), w.bytes.end());
    out.insert(out.end(), data.begin() + int64_t(f) * kMainBytes, data.begin() + int64_t(f + 1) * kMainBytes);
  }
  return out;
}

inline KvoxMpegHeader MonoHeader() {
  KvoxMpegHeader h{};
  h.sync = 1; h.id = 1; h.option = 1; h.prot = 1; h.brIndex = 9; h.srIndex = 0; h.mode = 3;
  return h;
}

inline KvoxLayer3Setup FullSetup(int32_t outChannels = 1, int32_t mapping = 0, int32_t frameLength = 417) {
  KvoxLayer3Setup s{};
  s.frameLength = frameLength;
  s.subbandLimit = 31;
  s.frequencyLimit = 24000;
  s.reduction = 0;
  s.gainAdjust = 0;
  s.mapping = mapping;
  s.outChannels = outChannels;
  return s;
}

}  // namespace l3test
