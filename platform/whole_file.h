// platform: writing a file whole or not at all. Every file the programs write for their user (a
// picture, a render's lists and sound, an unpacked entry, the disk driver's WAVE file) goes through
// here, so that a full disk or a failed write never leaves a cut-off file under the file's name.
//
// The bytes go to a new temporary file beside the target (same folder, so the rename stays on one
// file system), named "TARGET.part-PID-N". PlatFinishFile flushes, syncs and closes it and then
// renames it to the target; on any failure it removes the temporary and the target is as before.
// With replace false an existing target is never touched: the result is PLAT_FILE_EXISTS and the
// temporary goes (the rename is atomic: hard link then unlink where the system has them, the C
// library's rename on Windows, which refuses an existing target).
//
//   PlatWholeFile out;
//   if (!PlatBeginFile(out, "frames.txt")) return false;     // out.error says why
//   fprintf(out.file, "...");                                 // any stdio writes, seeks included
//   if (PlatFinishFile(out, true) != PLAT_FILE_WRITTEN) ...   // nothing left behind
//
//   PlatWriteFile("shot.png", bytes.data(), bytes.size(), false);   // the same for a whole buffer
//
// A program that writes the file itself (an encoder run as a command) is given the temporary's name
// by PlatHandOverFile; PlatFinishFile then only renames what it wrote.
#pragma once
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

enum PlatFileResult : int32_t {
  PLAT_FILE_WRITTEN = 0,
  PLAT_FILE_FAILED = 1,   // not written whole (error holds the errno); the target is as it was
  PLAT_FILE_EXISTS = 2,   // replace was false and the target exists; nothing changed
};

struct PlatWholeFile {
  FILE* file = nullptr;   // binary, open for writing between PlatBeginFile and PlatFinishFile
  std::string path;       // the target
  std::string temp;       // the temporary beside it
  int error = 0;          // errno of the first failure, 0 when none
};

// Creates the temporary beside path (dropping one the record still holds); false (error set,
// nothing created) when it cannot.
bool PlatBeginFile(PlatWholeFile& out, const char* path);
// Closes and checks the temporary, then renames it to the target (see replace above).
PlatFileResult PlatFinishFile(PlatWholeFile& out, bool replace);
// Closes `file` for another program to write the temporary; returns the temporary's name.
const char* PlatHandOverFile(PlatWholeFile& out);
// Closes and removes the temporary: nothing is written.
void PlatDropFile(PlatWholeFile& out);

// Writes size bytes as the whole file path; *error (when given) gets the errno of a failure.
PlatFileResult PlatWriteFile(const char* path, const void* data, size_t size, bool replace, int* error = nullptr);
