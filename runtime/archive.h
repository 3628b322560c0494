// trelk: the reader of the data archive (data.qvx).
//
// An archive is "QAr", one skipped byte, then entries back to back, each a header (big-endian
// lengths, the name, unpacked size, method, delta distance, Adler-32) and its data, stored or
// packed with LZH, BWT or PPM. One archive is open at a time.
//
//   Archive* a = OpenArchive("data.qvx");          // null when the magic is wrong
//   while (a && !a->end && strcmp(a->name, want)) NextFile(a);
//   ExtractFile(a, dest);                           // dest holds a->unpackedSize bytes
//   CloseArchive(a);
#pragma once
#include <cstdint>

struct Archive {
  char archiveName[256];
  int32_t headerLength;
  int32_t storedLength;
  int32_t nameLength;
  char name[260];
  int32_t unpackedSize;
  int32_t method;
  int32_t delta;
  uint32_t checksum;
  uint32_t reserved;
  int32_t end;              // 1 when there is no current entry
  int64_t entryPosition;    // file position of the current entry's first byte
  void* stream;             // the open file (each archive reads through its own)
};

Archive* OpenArchive(const char* name);
int32_t NextFile(Archive* archive);
void GetFileInfo(Archive* archive);
uint32_t ExtractFile(Archive* archive, void* destination);
void CloseArchive(Archive* archive);

// ExtractFile without the final check: unpacks the current entry into destination (room for
// unpackedSize bytes) and returns the Adler-32 of what it holds afterwards. A damaged stream is
// still fatal (the decoders' lines); a mismatch against `checksum` is left to the caller.
uint32_t UnpackEntry(Archive* archive, void* destination);
