// The numbered file handle over the system's low-level file calls. See file_handle.h.
#include "platform/file_handle.h"

#include <fcntl.h>
#include <unistd.h>
#if defined(_WIN32)
#include <io.h>
#endif

int32_t PlatFileOpenRead(const char* name) {
  int flags = O_RDONLY;
#if defined(O_BINARY)
  flags |= O_BINARY;
#endif
  const int fd = name ? open(name, flags) : -1;
  return fd > 0 ? int32_t(fd) : -1;   // 0 means "no file" to the callers; open never gives it while stdin is open
}

int32_t PlatFileRead(int32_t handle, void* destination, int32_t bytes) {
  if (handle <= 0 || bytes < 0) return -1;
  const auto got = read(handle, destination, unsigned(bytes));
  return got < 0 ? -1 : int32_t(got);
}

int64_t PlatFileSeek(int32_t handle, int64_t offset, PlatSeekFrom from) {
  const int how = from == PLAT_SEEK_SET ? SEEK_SET : from == PLAT_SEEK_CUR ? SEEK_CUR : SEEK_END;
  if (handle <= 0) return -1;
  return int64_t(lseek(handle, off_t(offset), how));
}

void PlatFileClose(int32_t handle) {
  if (handle > 0) close(handle);
}
