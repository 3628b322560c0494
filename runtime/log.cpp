// The log, Fatal and Exit.
#include "runtime/log.h"

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "platform/platform.h"

int32_t DebugMode = 1;

namespace {

constexpr const char* kLogName = "log.txt";
char appName[64] = "trelk powered by Ombrevia";
void* instanceHandle = nullptr;
int32_t armed = 0;
int32_t exitOnce = 1;

// Thrown by Exit while the guard is armed and caught only by RunGuarded: the one non-local exit.
struct ExitUnwind {};

void WriteLine(const char* pattern, const char* format, va_list args) {
  char message[1024];
  vsnprintf(message, sizeof message, format, args);
  FILE* f = fopen(kLogName, "a");
  if (!f) return;
  fprintf(f, pattern, message);
  fclose(f);
}

}  // namespace

void SetInstance(void* instance) { instanceHandle = instance; }

void SetAppName(const char* name) {
  snprintf(appName, sizeof appName, "%s", name ? name : "");
}

const char* GetAppName() { return appName; }

void InitLog() {
  FILE* f = fopen(kLogName, "w");
  if (f) {
    fclose(f);
    return;
  }
  fputs("InitLog(): Couldn't create the log file !!!\n", stderr);
  fputs("InitLog(): Press <ENTER> to continue...\n", stderr);
  getchar();
}

#define TRELK_LOG_BODY(pattern)          \
  if (!DebugMode) return;                \
  va_list args;                          \
  va_start(args, format);                \
  WriteLine(pattern, format, args);      \
  va_end(args)

void Info(const char* format, ...) { TRELK_LOG_BODY("Info: %s\n"); }
void Warning(const char* format, ...) { TRELK_LOG_BODY("WARNING: %s !\n"); }
void Error(const char* format, ...) { TRELK_LOG_BODY("ERROR: %s !\n"); }

void Fatal(const char* format, ...) {
  va_list args;
  va_start(args, format);
  WriteLine("FATAL ERROR: %s !!!\n", format, args);
  va_end(args);
  Exit();
}

void Exit() {
  if (!exitOnce) {
    fputs("*** TRELK CORRUPTED !!! ***\n", stderr);
    PlatEndProcess(1);
  }
  Info("Exit() called");
  exitOnce = 0;
  if (armed) {
    armed = 0;
    throw ExitUnwind{};
  }
  PlatEndProcess(1);
}

bool RunGuardedCall(void (*call)(void*), void* context) {
  armed = 1;
  try {
    call(context);
  } catch (const ExitUnwind&) {
    return true;
  }
  armed = 0;
  return false;
}

void ResetExitOnce() {
  exitOnce = 1;
  armed = 0;
}

void DisplayLog() {
  if (!DebugMode) return;
  FILE* f = fopen(kLogName, "r");
  if (!f) {
    fputs("DisplayLog(): Couldn't display the log file !!!\n", stderr);
    return;
  }
  printf("Contents of \"%s\":\n", kLogName);
  char line[256];
  while (fgets(line, sizeof line, f)) printf(" %s", line);
  fclose(f);
  fflush(stdout);
}
