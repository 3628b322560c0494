// Archive layout and the temporary-file-and-rename write.
#include "tools/qvxpack/archive_write.h"

#include <sys/stat.h>
#include <unistd.h>
#if defined(_WIN32)
#include <io.h>
#endif

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <system_error>

#include "runtime/archive_format.h"

namespace {

void Put(std::vector<uint8_t>& out, uint32_t v, int bytes) {
  for (int i = bytes - 1; i >= 0; i--) out.push_back(uint8_t(v >> (8 * i)));
}

// Makes the temporary file readable to all (mkstemp makes it private), flushes it to the disk
// and closes it. Windows has no modes to give and flushes with _commit.
bool Finish(int fd) {
#if defined(_WIN32)
  const bool done = _commit(fd) == 0;
#else
  const bool done = fchmod(fd, 0644) == 0 && fsync(fd) == 0;
#endif
  return close(fd) == 0 && done;
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
  std::vector<uint8_t> image = ArchiveImage(items);
  std::string temp = path + ".XXXXXX";
  std::vector<char> name(temp.begin(), temp.end());
  name.push_back(0);
  int fd = mkstemp(name.data());
  if (fd < 0) {
    error = "cannot create a temporary file beside \"" + path + "\": " + strerror(errno);
    return false;
  }
  size_t done = 0;
  while (done < image.size()) {
    ssize_t k = write(fd, image.data() + done, image.size() - done);
    if (k <= 0) {
      if (k < 0 && errno == EINTR) continue;
      error = std::string("cannot write the archive: ") + strerror(errno);
      close(fd);
      unlink(name.data());
      return false;
    }
    done += size_t(k);
  }
  if (!Finish(fd)) {
    error = std::string("cannot finish the archive: ") + strerror(errno);
    unlink(name.data());
    return false;
  }
  // std::filesystem's rename replaces an existing archive on Windows too, where rename() refuses.
  std::error_code renamed;
  std::filesystem::rename(name.data(), path, renamed);
  if (renamed) {
    error = "cannot rename the archive into place as \"" + path + "\": " + renamed.message();
    unlink(name.data());
    return false;
  }
  return true;
}
