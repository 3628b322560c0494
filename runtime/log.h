// trelk: the log, the fatal exit and the entry routine's guard.
//
// Offers: Info / Warning / Error append one line each to "log.txt" in the current directory, opened,
// written and closed per line, so the file is complete on disk whatever happens next. Fatal appends
// "FATAL ERROR: ... !!!" and leaves through Exit, which is the one non-local exit of the library.
//
// Line forms (nothing else is ever written to the log):
//   "Info: %s\n"   "WARNING: %s !\n"   "ERROR: %s !\n"   "FATAL ERROR: %s !!!\n"
//
// Exit: while RunGuarded() is running its routine (the demo's Main), Exit unwinds back to it;
// outside, it ends the process with status 1. A second Exit in one process writes
// "*** TRELK CORRUPTED !!! ***" to standard error and ends the process with status 1.
//
// The routines that end the program this way are those whose failure the program cannot go on
// from (LoadFile, ExtractFile, LoadPicture, the object and spline loaders, ...). Decoders never call
// Fatal: they hand their message back (reader/failure.h) and the routine at the edge calls Fatal
// with it. Outside the guard every end goes through PlatEndProcess (platform/platform.h).
//
//   Info("LoadMp3(%s)", name);          // -> "Info: LoadMp3(meeting.mp3)"
//   if (RunGuarded(Main)) Info("Panic exit");
//   RunGuarded([&] { picture = LoadPicture(name); });   // any callable
#pragma once
#include <cstdint>

#define TRELK_PRINTF(a, b) __attribute__((format(printf, a, b)))

extern int32_t DebugMode;    // non-zero: Info/Warning/Error/DisplayLog write, blocks get guards

void SetInstance(void* instance);
void SetAppName(const char* name);   // at most 63 characters
const char* GetAppName();
void InitLog();
void Info(const char* format, ...) TRELK_PRINTF(1, 2);
void Warning(const char* format, ...) TRELK_PRINTF(1, 2);
void Error(const char* format, ...) TRELK_PRINTF(1, 2);
[[noreturn]] void Fatal(const char* format, ...) TRELK_PRINTF(1, 2);
[[noreturn]] void Exit();
void DisplayLog();

// Runs call(context) with the guard armed. Returns false when it returned normally, true when a
// fatal error left it through Exit (the armed flag is then already clear).
bool RunGuardedCall(void (*call)(void* context), void* context);

// RunGuardedCall for any callable (a routine, a lambda with captures), without an allocation.
template <typename F>
bool RunGuarded(F routine) {
  return RunGuardedCall([](void* c) { (*static_cast<F*>(c))(); }, &routine);
}

// For tests only: forget that Exit has run, so one process can exercise several fatal paths.
void ResetExitOnce();
