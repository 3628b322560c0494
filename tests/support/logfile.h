// Test helpers: reading the log back, and running a routine under the fatal-exit guard.
#pragma once
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "runtime/log.h"

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

inline std::string Slurp(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}
