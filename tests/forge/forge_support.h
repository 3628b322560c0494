// Runs the asset forge into forged_a and forged_b (with their PCM) and gives the tests the files'
// bytes. CTest runs every test in a process and a folder of its own, several at once: the first one
// forges into the build's forge-output/ under a lock and leaves a stamp of the forge program it ran;
// the others reuse its output through links in their own folders.
#pragma once
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "support/logfile.h"
#include "support/programs.h"

inline std::string ForgeStamp() {
  struct stat st = {};
  if (stat(ProgramPath("forge").c_str(), &st) != 0) return "missing";
  return std::to_string(st.st_size) + ":" + std::to_string(st.st_mtim.tv_sec) + "." + std::to_string(st.st_mtim.tv_nsec);
}

// Forges into one folder of the build for all tests, BUILD/forge-output/NAME (with NAME.pcm), unless
// it already holds the output of this same forge program, and links NAME and NAME.pcm into the
// test's own folder; returns true when the forge reported success.
inline bool Forged(const std::string& name) {
  static std::vector<std::pair<std::string, bool>> done;
  for (const auto& d : done)
    if (d.first == name) return d.second;
  const std::string shared = std::string(TARVON_BINARY_DIR) + "/forge-output";
  const std::string dir = shared + "/" + name;
  mkdir(shared.c_str(), 0755);
  const int lock = open((dir + ".lock").c_str(), O_CREAT | O_RDWR, 0644);
  if (lock >= 0) flock(lock, LOCK_EX);
  const std::string stamp = ForgeStamp();
  std::vector<uint8_t> previous = ReadBytes(dir + ".stamp");
  bool ok = std::string(previous.begin(), previous.end()) == stamp;
  if (!ok) {
    std::remove((dir + ".stamp").c_str());
    std::string command = "rm -rf " + dir + " && " + ProgramPath("forge") + " --out " + dir + " --pcm " + dir +
                          ".pcm > " + dir + ".out 2>&1";
    ok = std::system(command.c_str()) == 0;
    if (ok) std::ofstream(dir + ".stamp") << stamp;
  }
  if (lock >= 0) {
    flock(lock, LOCK_UN);
    close(lock);
  }
  for (const std::string& end : {std::string(), std::string(".pcm"), std::string(".out")}) {
    std::error_code error;
    std::filesystem::remove_all(name + end, error);   // a link, or what an older run left here
    ok = symlink((dir + end).c_str(), (name + end).c_str()) == 0 && ok;
  }
  done.push_back({name, ok});
  return ok;
}

inline std::vector<uint8_t> DataFile(const std::string& name) {
  Forged("forged_a");
  return ReadBytes("forged_a/" + name);
}
