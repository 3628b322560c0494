// Test helpers for the programs of the build: where they are (TARVON_BIN, as CTest sets it) and
// running a command line with its exit status and its console output.
#pragma once
#if !defined(_WIN32)
#include <sys/wait.h>
#endif

#include <cstdio>
#include <cstdlib>
#include <string>

// build/bin/<name>, or the folder TARVON_BIN names.
inline std::string ProgramPath(const std::string& name) {
  const char* bin = getenv("TARVON_BIN");
  return std::string(bin ? bin : TARVON_BINARY_DIR "/bin") + "/" + name;
}

struct RunResult {
  int status;         // the exit status, 128 + the signal's number after a signal, -1 when not run
  std::string out;    // standard output and error together
};

// Runs a shell command line, standard error joined to standard output.
inline RunResult RunCommand(const std::string& command) {
  RunResult r{-1, ""};
  FILE* p = popen((command + " 2>&1").c_str(), "r");
  if (!p) return r;
  char buf[4096];
  for (size_t n; (n = fread(buf, 1, sizeof buf, p)) > 0;) r.out.append(buf, n);
  const int s = pclose(p);
#if defined(_WIN32)
  r.status = s;   // the exit code itself
#else
  r.status = WIFEXITED(s) ? WEXITSTATUS(s) : WIFSIGNALED(s) ? 128 + WTERMSIG(s) : -1;
#endif
  return r;
}
