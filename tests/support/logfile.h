// Test helpers: reading and searching the log, a fixture that starts with the log on, running a
// routine under the fatal-exit guard, and files of bytes or text.
#pragma once
#include <gtest/gtest.h>

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

// The first of `want` that is not found after the ones before it: "" when the lines hold them all,
// in this order, with any lines between.
inline std::string MissingInOrder(const std::vector<std::string>& lines, const std::vector<std::string>& want) {
  int at = -1;
  for (const std::string& w : want)
    if ((at = FindLine(lines, w, at + 1)) < 0) return w;
  return "";
}

// The number of lines of the log that hold `part`.
inline int LogCount(const std::string& part, const char* path = "log.txt") {
  int n = 0;
  for (const std::string& l : ReadLines(path)) n += l.find(part) != std::string::npos;
  return n;
}

inline bool LogHasPart(const std::string& part, const char* path = "log.txt") { return LogCount(part, path) > 0; }

// A test that starts with the log on and an empty log.txt.
struct LoggedTest : ::testing::Test {
  void SetUp() override {
    DebugMode = 1;
    InitLog();
  }
};

// Runs f with the fatal exit armed; true when it left through Fatal / Exit.
template <typename F>
bool DiesFatally(F f) {
  ResetExitOnce();
  return RunGuarded(f);
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

inline void WriteText(const std::string& path, const std::string& text) {
  WriteBytes(path, std::vector<uint8_t>(text.begin(), text.end()));
}

inline std::vector<uint8_t> ReadBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<uint8_t>((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

// A text file (the log is written in text mode): lines end in "\n" on every system.
inline std::string Slurp(const std::string& path) {
  std::ifstream in(path);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}
