// Data file access by plain name: the current directory, then the source named by SetArchiveName
// used as a directory, then that source opened as an archive. Nothing is cached; every call opens,
// reads and closes.
#include "runtime/files.h"

#include <sys/stat.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "runtime/archive.h"
#include "runtime/log.h"
#include "runtime/memory.h"

namespace {

constexpr size_t kPathSize = 1024;

char* ArchiveName = nullptr;     // StringDup copy, owned here
char PathBuffer[kPathSize];      // the last result of GetFullPath

const char* Shown(const char* text) { return text ? text : "(null)"; }

// Opens a file for reading without text translation; directories do not count as files.
FILE* OpenForReading(const char* path) {
  FILE* f = fopen(path, "rb");
  if (!f) return nullptr;
  struct stat st;
  if (fstat(fileno(f), &st) != 0 || S_ISDIR(st.st_mode)) {
    fclose(f);
    return nullptr;
  }
  return f;
}

bool Exists(const char* path) {
  FILE* f = OpenForReading(path);
  if (!f) return false;
  fclose(f);
  return true;
}

bool IsArchivePath(const char* path) { return ArchiveName && strcmp(path, ArchiveName) == 0; }

// The archive of the data source; a file that cannot be opened at all ends the program here.
Archive* OpenSource(const char* name) {
  Failure why;
  Archive* a = OpenArchive(name, why);
  if (why.Failed()) Fatal("%s", why.text);
  return a;
}

// Walks the entries from the first to the one named name; false at the end.
bool FindEntry(Archive* a, const char* name) {
  while (!a->end) {
    if (strcmp(a->name, name) == 0) return true;
    if (!NextFile(a)) break;
  }
  return false;
}

}  // namespace

void SetArchiveName(const char* name) {
  Info("SetArchiveName(%s)", Shown(name));
  if (!name) Fatal("SetArchiveName(%p): NULL pointer", static_cast<const void*>(name));
  free(ArchiveName);
  ArchiveName = StringDup(name);
}

char* GetFullPath(const char* name) {
  if (!name) Fatal("GetFullPath(%p): NULL pointer", static_cast<const void*>(name));
  size_t nameLength = strlen(name);
  if (nameLength < kPathSize && Exists(name)) {
    memcpy(PathBuffer, name, nameLength + 1);
    return PathBuffer;
  }
  if (!ArchiveName) {
    Info("GetFullPath(): No ArchiveName");
    Error("GetFullPath(): Couldn't open file \"%s\"", name);
    return nullptr;
  }
  // The source as a directory, with a "/" between unless it ends with one. A path that does not
  // fit the buffer is not tried.
  size_t sourceLength = strlen(ArchiveName);
  if (sourceLength > kPathSize - 1) sourceLength = kPathSize - 1;
  bool slash = sourceLength > 0 && ArchiveName[sourceLength - 1] == '/';
  size_t total = sourceLength + (slash ? 0 : 1) + nameLength;
  if (total < kPathSize) {
    memcpy(PathBuffer, ArchiveName, sourceLength);
    size_t at = sourceLength;
    if (!slash) PathBuffer[at++] = '/';
    memcpy(PathBuffer + at, name, nameLength + 1);
    if (Exists(PathBuffer)) return PathBuffer;
  }
  // The source as an archive: the buffer then holds exactly its name.
  snprintf(PathBuffer, kPathSize, "%s", ArchiveName);
  if (Archive* a = OpenSource(PathBuffer)) {
    CloseArchive(a);
    return PathBuffer;
  }
  Warning("GetFullPath(): File \"%s\" not found in archive \"%s\"", name, ArchiveName);
  Error("GetFullPath(): Couldn't open file \"%s\"", name);
  return nullptr;
}

int32_t FileSize(const char* name) {
  Info("FileSize(%s)", Shown(name));
  if (!name) Fatal("FileSize(%p): NULL pointer", static_cast<const void*>(name));
  const char* path = GetFullPath(name);
  if (!path) Fatal("FileSize(): Couldn't open file \"%s\"", name);
  if (IsArchivePath(path)) {
    Info("FileSize(): Looking for file \"%s\" in archive \"%s\"", name, ArchiveName);
    Archive* a = OpenSource(ArchiveName);
    if (!a) {
      Error("FileSize(): Couldn't open archive \"%s\"", ArchiveName);
      return -1;
    }
    int32_t size = FindEntry(a, name) ? a->unpackedSize : -1;
    CloseArchive(a);
    return size;
  }
  FILE* f = OpenForReading(path);
  if (!f) {
    Error("FileSize(): Couldn't open file \"%s\"", name);
    return -1;
  }
  if (fseek(f, 0, SEEK_END) != 0) {
    Error("FileSize(): Couldn't go to end of file \"%s\"", name);
    fclose(f);
    return -1;
  }
  long end = ftell(f);
  int32_t size = end > 0x7FFFFFFFL ? -1 : int32_t(end);
  if (size < 0) Error("FileSize(): Couldn't get size for file \"%s\"", name);
  if (fclose(f) != 0) Error("FileSize(): Couldn't close file \"%s\"", name);
  return size;
}

void* LoadFileSized(const char* name, void* destination, int32_t* sizeOut) {
  Info("LoadFile(%s, %p)", Shown(name), destination);
  if (!name) Fatal("LoadFile(%s, %p): NULL pointer", Shown(name), destination);
  const char* path = GetFullPath(name);
  if (!path) Fatal("LoadFile(): Couldn't open file \"%s\"", name);
  if (IsArchivePath(path)) {
    Info("LoadFile(): Extracting file \"%s\" from archive \"%s\"", name, ArchiveName);
    Archive* a = OpenSource(ArchiveName);
    if (!a) Fatal("LoadFile(): Couldn't open archive \"%s\"", ArchiveName);
    if (!FindEntry(a, name)) {
      CloseArchive(a);
      Fatal("LoadFile(): Couldn't find file \"%s\" in archive \"%s\"", name, ArchiveName);
    }
    int32_t size = a->unpackedSize;
    if (!destination) destination = Nalloc(size, name);
    ExtractFile(a, destination);
    CloseArchive(a);
    if (sizeOut) *sizeOut = size;
    return destination;
  }
  FILE* f = OpenForReading(path);
  if (!f) Fatal("LoadFile(): Couldn't open file \"%s\"", name);
  long end = fseek(f, 0, SEEK_END) == 0 ? ftell(f) : -1;
  if (end < 0 || end > 0x7FFFFFFFL) {
    fclose(f);
    Fatal("LoadFile(): Couldn't get size for file \"%s\"", name);
  }
  int32_t size = int32_t(end);
  rewind(f);
  if (!destination) destination = Nalloc(size, name);
  size_t got = size ? fread(destination, 1, size_t(size), f) : 0;
  if (got < size_t(size)) {
    fclose(f);
    Fatal("LoadFile(): Could read only %d of the %d bytes of file \"%s\"", int32_t(got), size, name);
  }
  if (fclose(f) != 0) Error("LoadFile(): Couldn't close file \"%s\"", name);
  if (sizeOut) *sizeOut = size;
  return destination;
}

void* LoadFile(const char* name, void* destination) {
  return LoadFileSized(name, destination, nullptr);
}

void UnloadFile(void* pointer) {
  Info("UnloadFile(%p)", pointer);
  Free(pointer);
}
