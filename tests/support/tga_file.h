// The bytes of a TGA file, field by field: header, identification, colour map and the pixels as stored.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

struct Tga {
  uint8_t type = 2;
  uint16_t width = 1, height = 1;
  uint8_t depth = 24;
  uint8_t descriptor = 0;
  uint8_t mapType = 0;
  uint16_t mapFirst = 0;
  uint16_t mapLength = 0;
  uint8_t mapBits = 24;
  std::string id = "";
  std::vector<uint8_t> map = {};     // mapLength * 3 bytes, blue green red
  std::vector<uint8_t> pixels = {};  // as stored

  std::vector<uint8_t> Build() const {
    std::vector<uint8_t> b = {uint8_t(id.size()), mapType, type, uint8_t(mapFirst), uint8_t(mapFirst >> 8),
                              uint8_t(mapLength), uint8_t(mapLength >> 8), mapBits, 0, 0, 0, 0,
                              uint8_t(width), uint8_t(width >> 8), uint8_t(height), uint8_t(height >> 8),
                              depth, descriptor};
    for (char c : id) b.push_back(uint8_t(c));
    for (uint8_t x : map) b.push_back(x);
    for (uint8_t x : pixels) b.push_back(x);
    return b;
  }
};
