// Test helpers for files written whole or not at all: a shell prefix under which no file a program
// writes can grow past 32 KiB (a full disk, without root), and the temporaries a writer left.
#pragma once
#include <filesystem>
#include <string>

// Prepended to a command line: files stop at 64 blocks of 512 bytes, and a write past that fails
// (EFBIG) instead of ending the program by SIGXFSZ.
inline const char* const kSmallDisk = "ulimit -f 64; trap '' XFSZ; ";

// The names of the files in `dir` that hold ".part-" (a writer's temporaries), one per line.
inline std::string Temporaries(const std::string& dir = ".") {
  std::string out;
  for (const auto& e : std::filesystem::directory_iterator(dir))
    if (e.path().filename().string().find(".part-") != std::string::npos) out += e.path().string() + "\n";
  return out;
}
