// Archive layout and its whole-or-nothing write.
#include "tools/qvxpack/archive_write.h"

#include <cstring>

#include "platform/whole_file.h"
#include "runtime/archive_format.h"

namespace {

void Put(std::vector<uint8_t>& out, uint32_t v, int bytes) {
  for (int i = bytes - 1; i >= 0; i--) out.push_back(uint8_t(v >> (8 * i)));
}

}  // namespace

bool CheckItem(const ArchiveItem& item, std::string& error) {
  if (item.name.empty()) {
    error = "an entry needs a name";
    return false;
  }
  if (item.name.size() > size_t(qvx::kMaxNameLength)) {
    error = "name \"" + item.name + "\" is longer than " + std::to_string(qvx::kMaxNameLength) + " bytes";
    return false;
  }
  if (item.size > uint32_t(INT32_MAX) || item.packed.data.size() > size_t(INT32_MAX)) {
    error = "\"" + item.name + "\" is too large for the archive (at most 2 GiB - 1 per entry)";
    return false;
  }
  return true;
}

std::vector<uint8_t> ArchiveImage(const std::vector<ArchiveItem>& items) {
  std::vector<uint8_t> out(qvx::kMagic, qvx::kMagic + 3);
  out.push_back(1);
  for (const ArchiveItem& item : items) {
    const uint32_t L = uint32_t(item.name.size());
    Put(out, qvx::kEntryFixedSize + L, 2);
    Put(out, uint32_t(item.packed.data.size()), 4);
    Put(out, L, 2);
    out.insert(out.end(), item.name.begin(), item.name.end());
    Put(out, item.size, 4);
    Put(out, uint32_t(item.packed.method), 1);
    Put(out, uint32_t(item.packed.delta), 1);
    Put(out, item.packed.checksum, 4);
    Put(out, 0, 4);
    out.insert(out.end(), item.packed.data.begin(), item.packed.data.end());
  }
  Put(out, 0, 2);
  return out;
}

bool WriteArchiveFile(const std::string& path, const std::vector<ArchiveItem>& items, std::string& error) {
  for (const ArchiveItem& item : items)
    if (!CheckItem(item, error)) return false;
  const std::vector<uint8_t> image = ArchiveImage(items);
  int why = 0;
  if (PlatWriteFile(path.c_str(), image.data(), image.size(), true, &why) == PLAT_FILE_WRITTEN) return true;
  error = "cannot write the archive \"" + path + "\": " + strerror(why);
  return false;
}
