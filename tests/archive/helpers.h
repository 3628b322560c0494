// Shared helpers of the archive tests: reading the log, test data of several kinds, and
// packing/unpacking one entry in memory.
#pragma once
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "runtime/archive_codecs.h"
#include "runtime/archive_format.h"
#include "runtime/log.h"
#include "support/logfile.h"
#include "tools/qvxpack/bitwriter.h"

namespace archive_test {

inline std::string LogText() {
  std::ifstream in("log.txt");
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

inline std::string FatalLine(const std::string& message) { return "FATAL ERROR: " + message + " !!!"; }

inline std::vector<uint8_t> RandomBytes(size_t n, uint32_t seed) {
  std::mt19937 rng(seed);
  std::vector<uint8_t> v(n);
  for (auto& b : v) b = uint8_t(rng());
  return v;
}

inline std::vector<uint8_t> TextBytes(size_t n, uint32_t seed) {
  static const char* words[] = {"the", "archive", "holds", "every", "picture", "and", "object", "of",
                                "demo", "sound", "a", "is", "packed", "with", "code", "lengths",
                                "\n", "sand", "dunes", "water", "light", "checker", ", ", "metaballs"};
  std::mt19937 rng(seed);
  std::vector<uint8_t> v;
  while (v.size() < n) {
    const char* w = words[rng() % (sizeof words / sizeof *words)];
    for (const char* p = w; *p && v.size() < n; p++) v.push_back(uint8_t(*p));
    if (v.size() < n) v.push_back(' ');
  }
  return v;
}

// Rows of a smooth picture with a little noise: what delta filters are for.
inline std::vector<uint8_t> PictureBytes(size_t n, uint32_t seed) {
  std::mt19937 rng(seed);
  std::vector<uint8_t> v(n);
  for (size_t i = 0; i < n; i++) {
    size_t px = i / 3, x = px % 256, y = px / 256;
    int c = int(i % 3);
    v[i] = uint8_t((c == 0 ? x : c == 1 ? y * 2 : (x + y) / 2) + (rng() % 3));
  }
  return v;
}

// Runs a decoder over packed bytes into exactly n bytes; why (when given) receives its refusal.
// The byte after them must stay as it was.
inline std::vector<uint8_t> Decode(int method, const std::vector<uint8_t>& packed, size_t n, Failure* why = nullptr) {
  std::vector<uint8_t> out(n + 1, 0x23);
  BitReader in(packed.data(), packed.size());
  Failure refusal;
  Failure& w = why ? *why : refusal;
  if (method == METHOD_LZH) DecodeLZH(in, out.data(), int32_t(n), w);
  else if (method == METHOD_BWT) DecodeBWT(in, out.data(), int32_t(n), w);
  else DecodePPM(in, out.data(), int32_t(n), w);
  EXPECT_EQ(out[n], 0x23) << "written past the end";
  out.pop_back();
  return out;
}

// The message a decoder refuses the bytes with, or "" when it takes them.
inline std::string Refused(int method, const std::vector<uint8_t>& packed, size_t n) {
  Failure why;
  Decode(method, packed, n, &why);
  return why.text;
}

inline void Be(std::vector<uint8_t>& out, uint32_t v, int bytes) {
  for (int i = bytes - 1; i >= 0; i--) out.push_back(uint8_t(v >> (8 * i)));
}

// One archive entry written field by field; a header length past the fixed fields and the name
// pads the header with 0x55.
inline void PutEntry(std::vector<uint8_t>& out, const std::string& name, uint32_t size, int method, int delta,
                     uint32_t sum, const std::vector<uint8_t>& data, int headerLength = -1) {
  const int least = qvx::kEntryFixedSize + int(name.size());
  Be(out, uint32_t(headerLength < 0 ? least : headerLength), 2);
  Be(out, uint32_t(data.size()), 4);
  Be(out, uint32_t(name.size()), 2);
  out.insert(out.end(), name.begin(), name.end());
  Be(out, size, 4);
  out.push_back(uint8_t(method));
  out.push_back(uint8_t(delta));
  Be(out, sum, 4);
  Be(out, 0xDEADBEEF, 4);
  if (headerLength > least) out.resize(out.size() + size_t(headerLength - least), 0x55);
  out.insert(out.end(), data.begin(), data.end());
}

// A stored entry.
inline void PutStored(std::vector<uint8_t>& out, const std::string& name, const std::vector<uint8_t>& data) {
  PutEntry(out, name, uint32_t(data.size()), 0, 0, qvx::Adler32(data.data(), data.size()), data);
}

// Writes bits given as a text of '0' and '1' (blanks ignored).
inline void PutBits(BitWriter& w, const char* bits) {
  for (const char* p = bits; *p; p++)
    if (*p == '0' || *p == '1') w.Bit(uint32_t(*p - '0'));
}

}  // namespace archive_test
