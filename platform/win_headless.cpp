// The Windows build's display calls while platform/win/ holds no backends: the offline renderer
// and the null presenter are all there is, so the window options have nothing to set and a message
// goes to standard error only. Built only when platform/win/ is empty (see CMakeLists.txt).
#include <cstdio>

#include "platform/platform.h"

void PlatSetWindowOptions(bool, int32_t) {}

void PlatMessageBox(const char* title, const char* text) { fprintf(stderr, "%s: %s\n", title, text); }
