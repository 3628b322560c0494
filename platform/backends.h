// The platform's backends, for the tables in core.cpp. Not for users of the platform.
#pragma once
#include "platform/platform.h"

extern const PlatPresenter PlatSdlPresenter;
extern const PlatPresenter PlatRenderPresenter;
extern const PlatPresenter PlatNullPresenter;
extern const PlatClock PlatSystemClock;
extern const PlatClock PlatVirtualClock;
// The browser build's (platform/web/): the page's canvas and performance.now().
extern const PlatPresenter PlatCanvasPresenter;
extern const PlatClock PlatBrowserClock;
// The Windows build's (platform/win/): DirectDraw; its "system" clock is timeGetTime.
extern const PlatPresenter PlatDdrawPresenter;

// What PlatSetWindowOptions set, for the desktop's presenters: a window instead of full screen, and
// its size as a multiple of the frame's 4:3 shape.
bool PlatWindowForced();
int32_t PlatWindowScale();
// Writes the 5-6-5 frame as tarvon3-shot-NNN.png in the current directory (NNN counting up from 001
// in each run) and says so, or that it could not, on standard error.
void PlatWriteScreenshot(const uint16_t* frame, int32_t width, int32_t height);

// The operating system's thread under PlatStartThread, which keeps the virtual clock's book-keeping
// (threads.cpp): runs body(arg) on a new thread, at the highest priority the system grants an
// unprivileged thread when timeCritical (silent when refused); null when no thread can be made. Join waits for the body to return and
// frees the record. std::thread on POSIX systems (system.cpp), CreateThread on Windows.
struct PlatSystemThread;
PlatSystemThread* PlatStartSystemThread(void (*body)(void* arg), void* arg, bool timeCritical);
void PlatJoinSystemThread(PlatSystemThread* thread);

// The virtual clock's time, set by the offline renderer once per presented frame; returns when the
// threads due by then have run (see threads.cpp).
void PlatAdvanceVirtualTime(uint32_t now);
void PlatResetVirtualTime();

// Whether the render sink's last file could not be written whole (none was left: see waveout_render.cpp).
bool PlatWaveFileFailed();
