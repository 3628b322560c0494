// Packing one entry: a chosen method and delta distance, or the smallest of all of them.
//
// PackEntry returns the entry's stored bytes with the method and delta distance they use. With
// kMethodAuto it tries STORE and, for delta distances 0 to 4, LZH, BWT and PPM, and keeps the
// smallest (PPM at the order, 2, 4 or 6, that packs the entry's first 256 KiB best). A method
// that cannot take the entry (BWT beyond its size limit, PPM beyond its memory cap at every
// order) is skipped; a forced method that cannot falls back to LZH. An empty entry is stored.
// Every result is unpacked again with the reader's own decoders and compared before it is kept;
// a result that does not come back whole is not used.
//
//   PackedEntry e = PackEntry(bytes, size, kMethodAuto, PackOptions{});
//   // e.method, e.delta, e.data (the stored bytes), e.checksum (Adler-32 of the input)
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

inline constexpr int kMethodAuto = -1;

struct PackOptions {
  int order = 4;          // PPM model order (0 to 15); auto also tries others
  int delta = 0;          // delta distance for a forced method (0 to 255)
  bool verify = true;     // unpack every result again before keeping it
};

struct PackedEntry {
  int method = 0;
  int delta = 0;
  uint32_t checksum = 1;
  std::vector<uint8_t> data;
  std::string note;       // why a forced method was replaced, when it was
};

PackedEntry PackEntry(const uint8_t* data, size_t n, int method, const PackOptions& options);

// Unpacks stored bytes with the reader's decoders; false when the stream is refused or the
// result differs from expected[0 .. n-1].
bool UnpacksTo(const PackedEntry& entry, const uint8_t* expected, size_t n);

// "store", "lzh", "bwt", "ppm", "auto" -> 0..3 or kMethodAuto; -2 for anything else.
int MethodFromName(const std::string& name);
