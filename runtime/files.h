// trelk: data file access by plain name.
//
// A name is looked up in the current directory, then under the source named by SetArchiveName used
// as a directory ("data/" or "data"), then in that source opened as an archive. The whole file comes
// back unterminated, as a named block named after the file (or in the caller's destination).
//
//   SetArchiveName("data.qvx");
//   uint8_t* bytes = (uint8_t*)LoadFile("obj4.3dm", nullptr);
//   int32_t size = FileSize("obj4.3dm");
//   UnloadFile(bytes);
#pragma once
#include <cstdint>

void SetArchiveName(const char* name);
char* GetFullPath(const char* name);          // disk path, exactly the archive name, or null
int32_t FileSize(const char* name);           // -1 when it cannot be told
void* LoadFile(const char* name, void* destination);
// LoadFile that also stores the number of bytes loaded in *size (when size is not null); the
// same search, log lines and failures. Readers of formats use it to stay inside the file.
void* LoadFileSized(const char* name, void* destination, int32_t* size);
void UnloadFile(void* pointer);
