// Fuzz target of the archive reader. The first byte chooses what the rest is:
//   0, 1, 2   a packed LZH, BWT or PPM stream, after a 16-bit unpacked size;
//   other     a whole archive file (copied to /tmp), walked entry by entry with every entry
//             unpacked.
// A refusal is a normal end of an input; a crash or a sanitizer report is a failure.
#include <cstdint>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <vector>

#include "runtime/archive.h"
#include "runtime/archive_codecs.h"
#include "runtime/log.h"

namespace {

void DecodeOne(const uint8_t* data, size_t size) {
  int method = data[0];
  if (size < 3) return;
  int32_t n = int32_t(data[1]) << 8 | data[2];
  std::vector<uint8_t> out(static_cast<size_t>(n));
  BitReader in(data + 3, size - 3);
  Failure why;
  if (method == 0) DecodeLZH(in, out.data(), n, why);
  else if (method == 1) DecodeBWT(in, out.data(), n, why);
  else DecodePPM(in, out.data(), n, why);
}

void WalkArchive(const uint8_t* data, size_t size) {
  char path[64];
  snprintf(path, sizeof path, "/tmp/fuzz_archive.%d.qvx", int(getpid()));
  FILE* f = fopen(path, "wb");
  if (!f) return;
  fwrite(data, 1, size, f);
  fclose(f);
  Failure why;
  if (Archive* a = OpenArchive(path, why)) {
    for (int k = 0; k < 64 && !a->end; k++) {
      if (a->unpackedSize >= 0 && a->unpackedSize <= (1 << 20)) {
        std::vector<uint8_t> out(static_cast<size_t>(a->unpackedSize));
        uint32_t sum = 0;
        Failure refused;
        UnpackEntry(a, out.data(), &sum, refused);
      }
      NextFile(a);
    }
    CloseArchive(a);
  }
  remove(path);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  DebugMode = 0;
  if (data[0] <= 2) DecodeOne(data, size);
  else WalkArchive(data + 1, size - 1);
  return 0;
}
