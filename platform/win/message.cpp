// The message box of Windows, and what the platform offers of DirectSound.
//
// PlatMessageBox writes to standard error always, and shows MessageBoxA only when standard error
// reaches no one (the program was started from the desktop: no console, no file, no pipe) and the
// environment does not set TARVON_NO_MESSAGE_BOX. A box waits for a viewer to press OK, and there is
// none in a test or a script, which always have standard error somewhere.
#include <windows.h>

#include <cstdio>
#include <cstdlib>

#include "platform/platform.h"

namespace {

bool ErrorsReachSomeone() {
  HANDLE h = GetStdHandle(STD_ERROR_HANDLE);
  return h && h != INVALID_HANDLE_VALUE && GetFileType(h) != FILE_TYPE_UNKNOWN;
}

}  // namespace

void PlatMessageBox(const char* title, const char* text) {
  fprintf(stderr, "%s: %s\n", title, text);
  fflush(stderr);
  const char* off = getenv("TARVON_NO_MESSAGE_BOX");
  if (ErrorsReachSomeone() || (off && *off)) return;
  MessageBoxA(nullptr, text, title, MB_OK | MB_ICONERROR | MB_SETFOREGROUND);
}

bool PlatDirectSoundPresent() {
  HMODULE dll = LoadLibraryA("dsound.dll");
  if (!dll) return false;
  const bool found = GetProcAddress(dll, "DirectSoundCreate") != nullptr;
  FreeLibrary(dll);
  return found;
}
