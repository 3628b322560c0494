// Whole-or-nothing files: a temporary beside the target, checked, synced and renamed into place.
#include "platform/whole_file.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <atomic>
#include <cerrno>
#include <filesystem>
#include <system_error>

#if defined(_WIN32)
#include <io.h>
#include <process.h>
#else
#include <unistd.h>
#endif

namespace {

std::atomic<uint32_t> tempCount{0};

// A new file created for writing only if no file has its name; null with errno set otherwise.
FILE* CreateNew(const std::string& name) {
#if defined(_WIN32)
  const int fd = _open(name.c_str(), _O_CREAT | _O_EXCL | _O_WRONLY | _O_BINARY, _S_IREAD | _S_IWRITE);
  FILE* f = fd < 0 ? nullptr : _fdopen(fd, "wb");
  if (fd >= 0 && !f) _close(fd);
#else
  const int fd = open(name.c_str(), O_CREAT | O_EXCL | O_WRONLY, 0666);
  FILE* f = fd < 0 ? nullptr : fdopen(fd, "wb");
  if (fd >= 0 && !f) close(fd);
#endif
  return f;
}

int ProcessId() {
#if defined(_WIN32)
  return _getpid();
#else
  return int(getpid());
#endif
}

// Writes what stdio holds and asks the system to put the file on disk, then closes it.
bool CloseWhole(FILE* f) {
  bool ok = fflush(f) == 0 && !ferror(f);
#if defined(_WIN32)
  ok = ok && _commit(_fileno(f)) == 0;
#else
  ok = ok && fsync(fileno(f)) == 0;
#endif
  const int saved = errno;
  ok = fclose(f) == 0 && ok;
  if (!ok && errno == 0) errno = saved ? saved : EIO;
  return ok;
}

PlatFileResult Fail(PlatWholeFile& out, int error) {
  out.error = error ? error : EIO;
  PlatDropFile(out);
  return PLAT_FILE_FAILED;
}

bool Exists(const std::string& path) {
  std::error_code ec;
  return std::filesystem::exists(path, ec);
}

// Moves the temporary to the target without ever replacing a file there.
PlatFileResult RenameNew(PlatWholeFile& out) {
#if defined(_WIN32)
  bool moved = std::rename(out.temp.c_str(), out.path.c_str()) == 0;
#else
  bool moved = link(out.temp.c_str(), out.path.c_str()) == 0;
  if (moved) {
    unlink(out.temp.c_str());
  } else if (errno != EEXIST && !Exists(out.path)) {
    moved = std::rename(out.temp.c_str(), out.path.c_str()) == 0;   // a file system without hard links
  }
#endif
  if (moved) {
    out.temp.clear();
    return PLAT_FILE_WRITTEN;
  }
  const int error = errno;
  if (!Exists(out.path)) return Fail(out, error);
  PlatDropFile(out);
  return PLAT_FILE_EXISTS;
}

}  // namespace

bool PlatBeginFile(PlatWholeFile& out, const char* path) {
  PlatDropFile(out);   // an earlier file of this record that was never finished
  out = PlatWholeFile{};
  out.path = path ? path : "";
  for (int tries = 0; tries < 100 && !out.path.empty(); tries++) {
    out.temp = out.path + ".part-" + std::to_string(ProcessId()) + "-" + std::to_string(++tempCount);
    out.file = CreateNew(out.temp);
    if (out.file) return true;
    if (errno != EEXIST) break;
  }
  out.error = out.path.empty() ? ENOENT : errno;
  out.temp.clear();
  return false;
}

PlatFileResult PlatFinishFile(PlatWholeFile& out, bool replace) {
  if (out.temp.empty()) return PLAT_FILE_FAILED;
  if (out.file) {
    FILE* f = out.file;
    out.file = nullptr;
    errno = 0;
    if (!CloseWhole(f)) return Fail(out, errno);
  }
  if (!replace) return RenameNew(out);
  std::error_code ec;
  std::filesystem::rename(out.temp, out.path, ec);   // replaces an existing target, on Windows too
  if (ec) return Fail(out, ec.default_error_condition().value());
  out.temp.clear();
  return PLAT_FILE_WRITTEN;
}

const char* PlatHandOverFile(PlatWholeFile& out) {
  if (out.file) fclose(out.file);
  out.file = nullptr;
  return out.temp.c_str();
}

void PlatDropFile(PlatWholeFile& out) {
  if (out.file) fclose(out.file);
  out.file = nullptr;
  if (!out.temp.empty()) std::remove(out.temp.c_str());
  out.temp.clear();
}

PlatFileResult PlatWriteFile(const char* path, const void* data, size_t size, bool replace, int* error) {
  PlatWholeFile out;
  PlatFileResult result = PLAT_FILE_FAILED;
  if (PlatBeginFile(out, path)) {
    errno = 0;
    if (size > 0 && fwrite(data, 1, size, out.file) != size) {
      out.error = errno ? errno : EIO;
      PlatDropFile(out);
    } else {
      result = PlatFinishFile(out, replace);
    }
  }
  if (error) *error = out.error;
  return result;
}
