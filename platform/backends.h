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

// Asks the system for the highest priority an unprivileged thread may have; silent when refused.
void PlatRaiseThreadPriority();

// The virtual clock's time, set by the offline renderer once per presented frame; returns when the
// threads due by then have run (see threads.cpp).
void PlatAdvanceVirtualTime(uint32_t now);
void PlatResetVirtualTime();

// Whether the render sink's last file could not be written whole (none was left: see waveout_render.cpp).
bool PlatWaveFileFailed();
