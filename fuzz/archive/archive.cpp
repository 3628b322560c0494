// Fuzz target of the archive reader. The first byte chooses what the rest is:
//   0, 1, 2   a packed LZH, BWT or PPM stream, after a 16-bit unpacked size;
//   other     a whole archive file (copied to /tmp), walked entry by entry with every entry
//             extracted.
// A fatal line is a normal end of an input; a crash or a sanitizer report is a failure.
#include <cstdint>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <vector>

#include "runtime/archive.h"
#include "runtime/archive_codecs.h"
#include "runtime/log.h"

namespace {

const uint8_t* gData;
size_t gSize;

void DecodeOne() {
  int method = gData[0];
  if (gSize < 3) return;
  int32_t n = int32_t(gData[1]) << 8 | gData[2];
  std::vector<uint8_t> out(static_cast<size_t>(n));
  BitReader in(gData + 3, gSize - 3);
  if (method == 0) DecodeLZH(in, out.data(), n);
  else if (method == 1) DecodeBWT(in, out.data(), n);
  else DecodePPM(in, out.data(), n);
}

Archive* gArchive;
char gPath[64];

void WalkArchive() {
  if (!gPath[0]) snprintf(gPath, sizeof gPath, "/tmp/fuzz_archive.%d.qvx", int(getpid()));
  FILE* f = fopen(gPath, "wb");
  if (!f) return;
  fwrite(gData, 1, gSize, f);
  fclose(f);
  gArchive = OpenArchive(gPath);
  if (!gArchive) return;
  for (int k = 0; k < 64 && !gArchive->end; k++) {
    if (gArchive->unpackedSize >= 0 && gArchive->unpackedSize <= (1 << 20)) {
      std::vector<uint8_t> out(static_cast<size_t>(gArchive->unpackedSize));
      ExtractFile(gArchive, out.data());
    }
    NextFile(gArchive);
  }
  CloseArchive(gArchive);
  gArchive = nullptr;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  DebugMode = 0;
  gData = data;
  gSize = size;
  gArchive = nullptr;
  bool died;
  if (data[0] <= 2) {
    died = RunGuarded(DecodeOne);
  } else {
    gData = data + 1;
    gSize = size - 1;
    died = RunGuarded(WalkArchive);
    if (died && gArchive) CloseArchive(gArchive);
    remove(gPath);
  }
  // A fatal line goes to log.txt whatever DebugMode says; it is not kept across inputs.
  if (died) remove("log.txt");
  ResetExitOnce();
  return 0;
}
