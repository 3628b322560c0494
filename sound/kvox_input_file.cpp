// The file input driver: reads a file from a start offset with low-level file calls.
#include <fcntl.h>
#include <unistd.h>

#include "sound/kvox.h"
#include "sound/open_binary.h"

namespace {

int32_t FileOpen(KvoxForm* form, const void* a, int32_t b) {
  const char* name = static_cast<const char*>(a);
  form->fileHandle = 0;
  form->startOffset = 0;
  int fd = name ? OpenBinary(name, O_RDONLY) : -1;
  if (fd < 0) {
    if (KVOX_Flags & 1) KVOX_SysError("File %s not found.", name ? name : "(null)");
    return 4;
  }
  form->fileHandle = fd;
  if (lseek(fd, off_t(b), SEEK_SET) < 0) {
    if (KVOX_Flags & 1) KVOX_SysError("Can't find position %ld in file %s.", long(b), name);
    return 4;
  }
  form->startOffset = b;
  return 0;
}

int32_t FileRead(KvoxForm* form, uint8_t* destination, int32_t bytes) {
  if (form->fileHandle <= 0 || bytes < 0) return -1;
  ssize_t got = read(form->fileHandle, destination, size_t(bytes));
  return got < 0 ? -1 : int32_t(got);
}

int32_t FileSeek(KvoxForm* form, int32_t offset, int32_t whence) {
  int how = whence == 0 ? SEEK_SET : whence == 1 ? SEEK_CUR : whence == 2 ? SEEK_END : -1;
  if (how < 0 || form->fileHandle <= 0 || lseek(form->fileHandle, off_t(offset), how) < 0) {
    if (KVOX_Flags & 1) KVOX_SysError("Can't find position %ld in file.", long(offset));
    return 4;
  }
  return 0;
}

int32_t FileGetSize(KvoxForm* form) {
  off_t here = lseek(form->fileHandle, 0, SEEK_CUR);
  if (here < 0) KVOX_SysError("Can't perform lseek.");
  off_t end = lseek(form->fileHandle, 0, SEEK_END);
  if (end < 0) KVOX_SysError("Can't perform lseek.");
  if (lseek(form->fileHandle, here, SEEK_SET) < 0) KVOX_SysError("Can't perform lseek.");
  return int32_t(end);
}

int32_t FileClose(KvoxForm* form) {
  if (form->fileHandle != 0) close(form->fileHandle);
  form->fileHandle = 0;
  return 0;
}

}  // namespace

extern const KvoxInputDriver KvoxFileInput = {"File Input Driver v1.01", FileOpen, FileRead, FileSeek, FileGetSize,
                                              FileClose};
