// The demo window: its class, its messages and the keys.
//
// Typed characters (WM_CHAR, after keyboard translation, so the keypad's operators arrive as "*",
// "+", "-", "/") go to the event sink; Escape and closing the window ask the show to end; Alt+Enter
// toggles full screen and F12 writes a screenshot, as with the SDL presenter on other systems.
#include "platform/win/win.h"

#include "platform/platform.h"

namespace {

HWND window = nullptr;
bool classRegistered = false;
char className[64] = "";

LRESULT CALLBACK WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_CHAR:
      if (wParam >= 32 && wParam < 127) PlatGetEventSink().typed(uint8_t(wParam));   // plain ASCII keys
      return 0;
    case WM_KEYDOWN:
      if (wParam == VK_ESCAPE) PlatGetEventSink().closeRequested();
      if (wParam == VK_F12 && !(lParam & (1 << 30))) PlatDdrawScreenshot();
      return 0;
    case WM_SYSKEYDOWN:
      // Alt+Enter, once per press (bit 30: the key was already down).
      if (wParam == VK_RETURN && (lParam & (1 << 29)) && !(lParam & (1 << 30))) {
        PlatDdrawToggleFullScreen();
        return 0;
      }
      break;
    case WM_SYSCHAR:
      if (wParam == VK_RETURN) return 0;   // no beep for Alt+Enter
      break;
    case WM_CLOSE:
      PlatGetEventSink().closeRequested();   // the show ends as with space; the window goes with it
      return 0;
    case WM_SETCURSOR:
      if (LOWORD(lParam) == HTCLIENT) {
        SetCursor(nullptr);   // no mouse pointer over the show
        return TRUE;
      }
      break;
    case WM_ERASEBKGND:
      return 1;   // DirectDraw paints the whole client area
    default:
      break;
  }
  return DefWindowProcA(hwnd, message, wParam, lParam);
}

}  // namespace

HWND PlatWinOpenWindow(const char* title) {
  if (window) return window;
  HINSTANCE instance = GetModuleHandleA(nullptr);
  if (!classRegistered) {
    lstrcpynA(className, title && *title ? title : "tarvon3", sizeof className);
    WNDCLASSA wc{};
    wc.style = CS_HREDRAW | CS_VREDRAW;
    wc.lpfnWndProc = WindowProc;
    wc.hInstance = instance;
    wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
    wc.lpszClassName = className;
    if (!RegisterClassA(&wc)) return nullptr;
    classRegistered = true;
  }
  window = CreateWindowExA(0, className, title, WS_POPUP, 0, 0, 320, 200, nullptr, nullptr, instance, nullptr);
  if (!window) return nullptr;
  ShowWindow(window, SW_SHOWNORMAL);
  UpdateWindow(window);
  SetFocus(window);
  return window;
}

void PlatWinShapeWindow(bool fullScreen, int32_t width, int32_t height) {
  if (!window) return;
  const DWORD style = fullScreen ? WS_POPUP : WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
  SetWindowLongA(window, GWL_STYLE, LONG(style | WS_VISIBLE));
  RECT r = {0, 0, width, height};
  int32_t x = 0, y = 0;
  if (fullScreen) {
    r.right = GetSystemMetrics(SM_CXSCREEN);
    r.bottom = GetSystemMetrics(SM_CYSCREEN);
  } else {
    AdjustWindowRectEx(&r, style, GetMenu(window) != nullptr, DWORD(GetWindowLongA(window, GWL_EXSTYLE)));
    x = (GetSystemMetrics(SM_CXSCREEN) - (r.right - r.left)) / 2;
    y = (GetSystemMetrics(SM_CYSCREEN) - (r.bottom - r.top)) / 2;
    if (x < 0) x = 0;
    if (y < 0) y = 0;
  }
  SetWindowPos(window, fullScreen ? HWND_TOPMOST : HWND_NOTOPMOST, x, y, r.right - r.left, r.bottom - r.top,
               SWP_FRAMECHANGED | SWP_SHOWWINDOW);
  SetForegroundWindow(window);
  SetFocus(window);
}

void PlatWinPumpMessages() {
  MSG msg;
  while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
    if (msg.message == WM_QUIT) continue;   // the show runs on to its end or its key
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
}

void PlatWinCloseWindow() {
  if (window) DestroyWindow(window);
  window = nullptr;
  PlatWinPumpMessages();
}
