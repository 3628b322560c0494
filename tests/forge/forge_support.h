// Runs the asset forge once per test program into ./forged_a and ./forged_b (with their PCM) and
// gives the tests the files' bytes.
#pragma once
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

inline std::string ForgeProgram() {
  const char* bin = std::getenv("TARVON_BIN");
  return std::string(bin ? bin : TARVON_BINARY_DIR "/bin") + "/forge";
}

inline std::vector<uint8_t> ReadBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Forges into dir once per process; returns true when the forge reported success.
inline bool Forged(const std::string& dir) {
  static std::vector<std::pair<std::string, bool>> done;
  for (const auto& d : done)
    if (d.first == dir) return d.second;
  std::string command = "rm -rf " + dir + " && " + ForgeProgram() + " --out " + dir + " --pcm " + dir + ".pcm > " +
                        dir + ".out 2>&1";
  bool ok = std::system(command.c_str()) == 0;
  done.push_back({dir, ok});
  return ok;
}

inline std::vector<uint8_t> DataFile(const std::string& name) {
  Forged("forged_a");
  return ReadBytes("forged_a/" + name);
}
