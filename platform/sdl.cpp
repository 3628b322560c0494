// The SDL2 presenter and message box. Replaced in full below; see render.cpp for the offline one.
#include <SDL.h>
#include <cstdio>
#include "platform/backends.h"

namespace {
bool SdlOpen(int32_t, int32_t, bool, const char*) { return false; }
PlatDisplayFormat SdlFormat() { return {0xF800, 0x07E0, 0x001F}; }
PlatResult SdlLock(void**, int32_t*) { return PLAT_FAILED; }
PlatResult SdlFail() { return PLAT_FAILED; }
void SdlNothing() {}
}  // namespace

const PlatPresenter PlatSdlPresenter = {"sdl", SdlOpen, SdlFormat, SdlLock, SdlFail, SdlFail, SdlNothing, SdlNothing, SdlNothing};

void PlatMessageBox(const char* title, const char* text) { fprintf(stderr, "%s: %s\n", title, text); }
