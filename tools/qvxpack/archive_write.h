// Writing a whole archive: the entry headers of runtime/archive_format.h around packed entries.
//
// ArchiveImage lays out "QAr", the free byte (1), each entry's header and data, and the closing
// header length of 0. WriteArchiveFile writes that image whole or not at all (platform/whole_file.h),
// so a failed run leaves any earlier archive as it was and no half archive behind.
//
//   std::vector<ArchiveItem> items = {{"loading.tga", size, PackEntry(bytes, size, kMethodAuto, {})}};
//   std::string error;
//   if (!WriteArchiveFile("data.qvx", items, error)) fprintf(stderr, "%s\n", error.c_str());
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "tools/qvxpack/pack.h"

struct ArchiveItem {
  std::string name;      // at most 259 bytes
  uint32_t size = 0;     // unpacked size
  PackedEntry packed;
};

// False (with the reason) for a name that is empty or too long, or data too large for the format.
bool CheckItem(const ArchiveItem& item, std::string& error);

std::vector<uint8_t> ArchiveImage(const std::vector<ArchiveItem>& items);

bool WriteArchiveFile(const std::string& path, const std::vector<ArchiveItem>& items, std::string& error);
