// The archive reader: walking the entry headers and unpacking one entry into the caller's memory.
#include "runtime/archive.h"

#include <sys/stat.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "runtime/archive_codecs.h"
#include "runtime/archive_format.h"
#include "runtime/log.h"
#include "runtime/memory.h"
#include "reader/reader.h"

namespace {

// Bytes past the stored length that a decoder may still read, as it would from the file itself.
constexpr int64_t kReadSlack = 64;

FILE* FileOf(Archive* a) { return static_cast<FILE*>(a->stream); }

// Header fields a byte at a time, most significant first; the end of the file reads as zeros and
// leaves the end-of-file indicator set.
uint32_t ReadField(FILE* f, int bytes) {
  uint32_t v = 0;
  for (int i = 0; i < bytes; i++) {
    int c = fgetc(f);
    v = v << 8 | uint32_t(c == EOF ? 0 : c);
  }
  return v;
}

int64_t EntryEnd(const Archive* a) {
  return a->entryPosition + int64_t(uint16_t(a->headerLength)) + int64_t(uint32_t(a->storedLength));
}

struct FreeDeleter {
  void operator()(void* p) const { free(p); }
};

}  // namespace

Archive* OpenArchive(const char* name, Failure& why) {
  FILE* f = fopen(name, "rb");
  struct stat st;
  if (f && (fstat(fileno(f), &st) != 0 || S_ISDIR(st.st_mode))) {
    fclose(f);
    f = nullptr;
  }
  if (!f) {
    why.Set("Couldn't open file \"%s\" for reading", name);
    return nullptr;
  }
  uint8_t magic[3];
  if (fread(magic, 1, 3, f) != 3 || memcmp(magic, qvx::kMagic, 3) != 0) {
    fclose(f);
    return nullptr;
  }
  fgetc(f);
  Archive* a = static_cast<Archive*>(Nalloc(int32_t(sizeof(Archive)), "Archive structure"));
  memset(a, 0, sizeof(Archive));
  snprintf(a->archiveName, sizeof a->archiveName, "%s", name);
  a->stream = f;
  GetFileInfo(a);
  return a;
}

void GetFileInfo(Archive* a) {
  FILE* f = FileOf(a);
  off_t position = ftello(f);
  if (position < 0) {
    Error("GetFileInfo(): ftell()");
    a->end = 1;
    return;
  }
  a->entryPosition = position;
  a->headerLength = int32_t(ReadField(f, 2));
  a->storedLength = int32_t(ReadField(f, 4));
  a->nameLength = int32_t(ReadField(f, 2));
  a->name[0] = 0;
  if (a->nameLength > qvx::kMaxNameLength) {
    Error("GetFileInfo(): Name length %d (at most %d)", a->nameLength, qvx::kMaxNameLength);
    a->end = 1;
    return;
  }
  size_t got = fread(a->name, 1, size_t(a->nameLength), f);
  a->name[got] = 0;
  a->unpackedSize = int32_t(ReadField(f, 4));
  a->method = int32_t(ReadField(f, 1));
  a->delta = int32_t(ReadField(f, 1));
  a->checksum = ReadField(f, 4);
  a->reserved = ReadField(f, 4);
  if (a->headerLength == 0 || feof(f)) {
    a->end = 1;
    return;
  }
  a->end = 0;
  if (fseeko(f, off_t(EntryEnd(a)), SEEK_SET) != 0 || fseeko(f, off_t(a->entryPosition), SEEK_SET) != 0) {
    Error("GetFileInfo(): fseek()");
    a->end = 1;
  }
}

int32_t NextFile(Archive* a) {
  if (a->end) return 0;
  FILE* f = FileOf(a);
  int64_t target = EntryEnd(a);
  if (fseeko(f, off_t(target), SEEK_SET) != 0) {
    Error("NextFile(): fseek()");
    a->end = 1;
    return 0;
  }
  if (int64_t(ftello(f)) != target) {
    Error("NextFile(): ftell()");
    a->end = 1;
    return 0;
  }
  GetFileInfo(a);
  return a->end ? 0 : 1;
}

bool UnpackEntry(Archive* a, void* destination, uint32_t* sum, Failure& why) {
  if (a->end) return why.Set("ExtractFile(): No current entry in archive \"%s\"", a->archiveName);
  const int32_t n = a->unpackedSize;
  if (n < 0) return why.Set("ExtractFile(): Unpacked size %d of \"%s\"", n, a->name);
  uint8_t* out = static_cast<uint8_t*>(destination);
  FILE* f = FileOf(a);
  int64_t dataPosition = a->entryPosition + int64_t(uint16_t(a->headerLength));
  if (fseeko(f, off_t(dataPosition), SEEK_SET) != 0) return why.Set("ExtractFile(): fseek()");

  if (a->method == METHOD_STORE) {
    // A short read leaves the rest as it was; the checksum tells.
    if (n > 0) (void)!fread(out, 1, size_t(n), f);
  } else if (a->method <= METHOD_PPM) {
    struct stat st;
    int64_t available = fstat(fileno(f), &st) == 0 ? int64_t(st.st_size) - dataPosition : 0;
    int64_t want = int64_t(uint32_t(a->storedLength)) + kReadSlack;
    if (want > available) want = available;
    if (want < 0) want = 0;
    std::unique_ptr<uint8_t, FreeDeleter> packed(static_cast<uint8_t*>(malloc(size_t(want) + 1)));
    if (!packed) return why.Set("ExtractFile(): Not enough memory for %lld packed bytes", (long long)want);
    size_t got = fread(packed.get(), 1, size_t(want), f);
    BitReader in(packed.get(), got);
    const bool whole = a->method == METHOD_LZH   ? DecodeLZH(in, out, n, why)
                       : a->method == METHOD_BWT ? DecodeBWT(in, out, n, why)
                                                 : DecodePPM(in, out, n, why);
    if (!whole) return false;
    qvx::DeltaDecode(out, size_t(n), a->delta);
  }
  *sum = qvx::Adler32(out, size_t(n));
  return true;
}

uint32_t ExtractFile(Archive* a, void* destination) {
  Failure why;
  uint32_t sum = 0;
  if (!UnpackEntry(a, destination, &sum, why)) Fatal("%s", why.text);
  if (sum != a->checksum) Fatal("Bad CRC");
  return sum;
}

void CloseArchive(Archive* a) {
  if (!a) return;
  if (a->stream) fclose(FileOf(a));
  a->stream = nullptr;
  Free(a);
}
