// trelk: the reader of the data archive (data.qvx).
//
// An archive is "QAr", one skipped byte, then entries back to back, each a header (big-endian
// lengths, the name, unpacked size, method, delta distance, Adler-32) and its data, stored or
// packed with LZH, BWT or PPM. One archive is open at a time.
//
// On bad input the walker never ends the program: OpenArchive returns null, with why "Couldn't open
// file "%s" for reading" when the file cannot be opened and why empty when its magic is wrong;
// GetFileInfo and NextFile log a seek or tell failure as an error line and mark the archive ended;
// UnpackEntry returns false with the message of what it refused ("ExtractFile(): ...", or a
// decoder's, runtime/archive_codecs.h). ExtractFile is the one that ends the program: with that
// message, or "Bad CRC" when the checksum differs.
//
//   Failure why;
//   Archive* a = OpenArchive("data.qvx", why);    // null: why.text, or a wrong magic
//   while (a && !a->end && strcmp(a->name, want)) NextFile(a);
//   ExtractFile(a, dest);                          // dest holds a->unpackedSize bytes
//   CloseArchive(a);
#pragma once
#include <cstdint>

#include "reader/failure.h"

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

Archive* OpenArchive(const char* name, Failure& why);
int32_t NextFile(Archive* archive);
void GetFileInfo(Archive* archive);
uint32_t ExtractFile(Archive* archive, void* destination);
void CloseArchive(Archive* archive);

// ExtractFile without its fatal ends: unpacks the current entry into destination (room for
// unpackedSize bytes) and stores the Adler-32 of what it holds afterwards in *sum; false, with why,
// when the entry or its stream is refused. A mismatch against `checksum` is left to the caller.
bool UnpackEntry(Archive* archive, void* destination, uint32_t* sum, Failure& why);
