// platform: a contact sheet of frames, half size, six to a row, each with its show time (m:ss)
// under it, written as one PNG.
#pragma once
#include <cstdint>
#include <vector>

struct ContactSheet {
  int32_t frameWidth = 0, frameHeight = 0;
  std::vector<std::vector<uint8_t>> thumbs;   // RGB, (frameWidth / 2) x (frameHeight / 2)
  std::vector<int32_t> times;                 // ms of show time
};

void ContactBegin(ContactSheet& sheet, int32_t frameWidth, int32_t frameHeight);
void ContactAdd(ContactSheet& sheet, const uint16_t* frame, int32_t showMs);
bool ContactWrite(const ContactSheet& sheet, const char* path);
