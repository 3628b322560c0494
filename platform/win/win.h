// The Windows build's backends (platform/win/): what the window and the DirectDraw presenter share.
// Not for users of the platform. Only platform/win/ includes windows.h.
#pragma once
#include <windows.h>

#include <cstdint>

// The demo window (window.cpp). Made once and kept while the display is open; its class is
// registered once per process. Full screen: a pop-up covering the screen; windowed: a captioned
// window whose client area is width x height, centred.
HWND PlatWinOpenWindow(const char* title);
void PlatWinShapeWindow(bool fullScreen, int32_t width, int32_t height);
void PlatWinPumpMessages();   // delivers typed keys and the close request to the event sink
void PlatWinCloseWindow();

// What the window's keys ask of the presenter (ddraw.cpp).
void PlatDdrawToggleFullScreen();   // Alt+Enter
void PlatDdrawScreenshot();         // F12
