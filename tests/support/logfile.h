// Test helpers: reading the log back, running a routine under the fatal-exit guard, and files of
// bytes.
#pragma once
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "runtime/log.h"
#include "runtime/memory.h"

inline std::vector<std::string> ReadLines(const char* path = "log.txt") {
  std::ifstream in(path);
  std::vector<std::string> lines;
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

inline bool LogHas(const std::string& line, const char* path = "log.txt") {
  for (const std::string& l : ReadLines(path))
    if (l == line) return true;
  return false;
}

// Index of the first line equal to `line` at or after `from`, or -1.
inline int FindLine(const std::vector<std::string>& lines, const std::string& line, int from = 0) {
  for (int i = from; i < int(lines.size()); i++)
    if (lines[size_t(i)] == line) return i;
  return -1;
}

// Runs f with the fatal exit armed; true when it left through Fatal / Exit.
template <typename F>
bool DiesFatally(F f) {
  static F* routine;
  routine = &f;
  ResetExitOnce();
  return RunGuarded(+[] { (*routine)(); });
}

// The last fatal line of the log, or "".
inline std::string LastFatalLine(const char* path = "log.txt") {
  std::string last;
  for (const std::string& l : ReadLines(path))
    if (l.rfind("FATAL ERROR: ", 0) == 0) last = l;
  return last;
}

// Runs f under the guard with the log on and a fresh log.txt: the fatal line it ended with, or ""
// when it returned. The blocks a fatal end left behind are freed.
template <typename F>
std::string FatalOf(F f) {
  std::remove("log.txt");
  DebugMode = 1;
  const bool died = DiesFatally(f);
  if (died) FreeAll();
  return died ? LastFatalLine() : "";
}

// Replaces the file (never writes through a link to it).
inline void WriteBytes(const std::string& path, const std::vector<uint8_t>& b) {
  std::remove(path.c_str());
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(b.data()), std::streamsize(b.size()));
}

inline std::vector<uint8_t> ReadBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<uint8_t>((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

inline std::string Slurp(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}
