// Fatal ends caught in a private directory.
#include "tools/qvxpack/quiet.h"

#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <system_error>

#include "runtime/log.h"

namespace fs = std::filesystem;

namespace {

// A new directory of our own under the system's temporary folder; empty when none can be made.
fs::path MakePrivateDirectory() {
  std::error_code error;
  const fs::path base = fs::temp_directory_path(error);
  if (error) return {};
  const auto seed = uint64_t(std::chrono::steady_clock::now().time_since_epoch().count());
  for (uint64_t i = 0; i < 100; i++) {
    const fs::path dir = base / ("qvxpack." + std::to_string((seed + i * 7919) % 1000000007));
    if (fs::create_directory(dir, error)) return dir;
  }
  return {};
}

}  // namespace

bool RunQuietly(void (*routine)(), std::string* message) {
  std::error_code error;
  const fs::path home = fs::current_path(error);
  const fs::path dir = error ? fs::path() : MakePrivateDirectory();
  bool moved = false;
  if (!dir.empty()) {
    fs::current_path(dir, error);
    moved = !error;
  }
  bool died = RunGuarded(routine);
  if (died) ResetExitOnce();
  if (message) message->clear();
  if (moved) {
    if (FILE* f = fopen("log.txt", "r")) {
      char line[1200];
      while (fgets(line, sizeof line, f)) {
        const char* start = strstr(line, "FATAL ERROR: ");
        if (!start || !message) continue;
        std::string text = start + strlen("FATAL ERROR: ");
        size_t end = text.rfind(" !!!");
        *message = end == std::string::npos ? text : text.substr(0, end);
      }
      fclose(f);
    }
    fs::current_path(home, error);
    if (error) fprintf(stderr, "qvxpack: cannot return to the starting directory: %s\n", error.message().c_str());
  }
  if (!dir.empty()) fs::remove_all(dir, error);
  return died;
}
