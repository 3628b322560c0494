// The file input driver: reads a file from a start offset through a numbered file handle.
#include "platform/file_handle.h"
#include "sound/kvox.h"

namespace {

int32_t FileOpen(KvoxForm* form, const void* a, int32_t b) {
  const char* name = static_cast<const char*>(a);
  form->fileHandle = 0;
  form->startOffset = 0;
  const int32_t fd = PlatFileOpenRead(name);
  if (fd < 0) {
    if (KVOX_Flags & 1) KVOX_SysError("File %s not found.", name ? name : "(null)");
    return 4;
  }
  form->fileHandle = fd;
  if (PlatFileSeek(fd, b, PLAT_SEEK_SET) < 0) {
    if (KVOX_Flags & 1) KVOX_SysError("Can't find position %ld in file %s.", long(b), name);
    return 4;
  }
  form->startOffset = b;
  return 0;
}

int32_t FileRead(KvoxForm* form, uint8_t* destination, int32_t bytes) {
  return PlatFileRead(form->fileHandle, destination, bytes);
}

int32_t FileSeek(KvoxForm* form, int32_t offset, int32_t whence) {
  if (whence < 0 || whence > 2 || PlatFileSeek(form->fileHandle, offset, PlatSeekFrom(whence)) < 0) {
    if (KVOX_Flags & 1) KVOX_SysError("Can't find position %ld in file.", long(offset));
    return 4;
  }
  return 0;
}

int32_t FileGetSize(KvoxForm* form) {
  const int64_t here = PlatFileSeek(form->fileHandle, 0, PLAT_SEEK_CUR);
  if (here < 0) KVOX_SysError("Can't perform lseek.");
  const int64_t end = PlatFileSeek(form->fileHandle, 0, PLAT_SEEK_END);
  if (end < 0) KVOX_SysError("Can't perform lseek.");
  if (PlatFileSeek(form->fileHandle, here, PLAT_SEEK_SET) < 0) KVOX_SysError("Can't perform lseek.");
  return int32_t(end);
}

int32_t FileClose(KvoxForm* form) {
  PlatFileClose(form->fileHandle);
  form->fileHandle = 0;
  return 0;
}

}  // namespace

extern const KvoxInputDriver KvoxFileInput = {"File Input Driver v1.01", FileOpen, FileRead, FileSeek, FileGetSize,
                                              FileClose};
