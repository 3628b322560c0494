// The "ddraw" presenter: DirectDraw through its IDirectDraw4 interface.
//
// Ways of showing the frame, in the order they are tried (standard error says which one is taken):
//   exact     full screen in a 320 x 200 x 16 mode with one back buffer: the runtime writes the frame
//             straight into the back buffer (converting to 5-5-5 itself on a 15-bit mode); a flip shows it
//   scaled    no such mode: the smallest larger 16-bit mode, the frame at a whole multiple of its size
//   desktop   no 16-bit mode at all: full screen in the desktop's own mode, the frame scaled to the 4:3
//             shape of a monitor and letterboxed, as the SDL presenter does
//   windowed  --window, or when full screen fails: a window of scale x 320 x 240 through a clipper, the
//             frame drawn into an off-screen surface of the window's size and blitted to the primary
// Every way but exact keeps the frame in memory (5-6-5) and converts it into the surface's own pixel
// format at unlock (platform/win/frame.h), so any desktop depth shows the right colours.
// Lock, unlock and present report busy, still drawing and lost surfaces as DirectDraw does, and
// restore calls Restore, so the runtime's retry and restore rules run on the real surfaces.
#include <windows.h>
#include <ddraw.h>

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <string>
#include <vector>

#include "platform/backends.h"
#include "platform/win/ddraw.h"
#include "platform/win/frame.h"
#include "platform/win/win.h"

namespace {

enum class Way { kExact, kScaled, kDesktop, kWindowed };

struct DdrawState {
  bool open = false;
  int32_t width = 0, height = 0;
  std::string title;
  Way way = Way::kWindowed;
  HWND window = nullptr;
  IDirectDraw4* dd = nullptr;
  IDirectDrawSurface4* primary = nullptr;
  IDirectDrawSurface4* back = nullptr;   // full screen: the primary's back buffer; windowed: off-screen
  IDirectDrawClipper* clipper = nullptr;
  int32_t surfaceWidth = 0, surfaceHeight = 0;
  DDPIXELFORMAT pixelFormat{};
  FrameArea rect{};
  FrameLut lut;
  std::vector<uint16_t> frame;           // the last frame, 5-6-5
  uint8_t* locked = nullptr;             // exact: the back buffer while the runtime writes into it
  int32_t lockedPitch = 0;
  bool drawn = false;                    // the last unlock put a new frame on the back surface
  int32_t shownSinceOpen = 0;
  DWORD openedAt = 0;
  DWORD shownAt[1024] = {};              // GetTickCount of the last frames shown, a ring
  int64_t nextShow = 0;                  // performance-counter time before which no frame is shown
  int64_t period = 0;                    // performance-counter ticks of one refresh of the display
  int64_t ticksPerSecond = 1;            // the performance counter's
};

DdrawState dd;

struct Fault {
  HRESULT code = DD_OK;
  int32_t times = 0;
};
Fault faults[3];
PlatDdrawCounts counts;

PlatResult FromDirectDraw(HRESULT r) {
  switch (r) {
    case DD_OK: return PLAT_OK;
    case DDERR_SURFACEBUSY: return PLAT_BUSY;
    case DDERR_WASSTILLDRAWING: return PLAT_STILL_DRAWING;
    case DDERR_SURFACELOST: return PLAT_LOST;
    default: return PLAT_FAILED;
  }
}

// An injected fault for this call of the step, else DD_OK.
HRESULT TakeFault(PlatDdrawStep step) {
  Fault& f = faults[step];
  if (f.times <= 0) return DD_OK;
  f.times--;
  return f.code;
}

template <typename T>
void Release(T*& p) {
  if (p) p->Release();
  p = nullptr;
}

int32_t MaskBits(uint32_t m) {
  int32_t n = 0;
  for (; m; m &= m - 1) n++;
  return n;
}

BOOL WINAPI FirstDriver(GUID* guid, LPSTR, LPSTR, LPVOID context) {
  // The first driver offered is the primary display.
  IDirectDraw* first = nullptr;
  if (DirectDrawCreate(guid, &first, nullptr) == DD_OK) *static_cast<IDirectDraw**>(context) = first;
  return DDENUMRET_CANCEL;
}

bool CreateDirectDraw() {
  IDirectDraw* first = nullptr;
  if (DirectDrawEnumerateA(FirstDriver, &first) != DD_OK || !first) return false;
  const HRESULT r = first->QueryInterface(IID_IDirectDraw4, reinterpret_cast<void**>(&dd.dd));
  first->Release();
  return r == DD_OK && dd.dd;
}

void ReleaseSurfaces() {
  Release(dd.back);   // the off-screen surface, or our reference to the primary's back buffer
  Release(dd.clipper);
  Release(dd.primary);
  dd.drawn = false;
}

// Reads the primary's pixel format and the back surface's size.
bool ReadSurfaces() {
  dd.pixelFormat = DDPIXELFORMAT{};
  dd.pixelFormat.dwSize = sizeof dd.pixelFormat;
  DDSURFACEDESC2 desc{};
  desc.dwSize = sizeof desc;
  if (dd.primary->GetPixelFormat(&dd.pixelFormat) != DD_OK || dd.back->GetSurfaceDesc(&desc) != DD_OK) return false;
  dd.surfaceWidth = int32_t(desc.dwWidth);
  dd.surfaceHeight = int32_t(desc.dwHeight);
  const int32_t bits = int32_t(dd.pixelFormat.dwRGBBitCount);
  if (!(dd.pixelFormat.dwFlags & DDPF_RGB) || (bits != 16 && bits != 24 && bits != 32)) return false;
  dd.lut = MakeFrameLut({dd.pixelFormat.dwRBitMask, dd.pixelFormat.dwGBitMask, dd.pixelFormat.dwBBitMask, bits / 8});
  return true;
}

// A primary surface with one back buffer in the current mode.
bool CreateFlipChain() {
  for (const DWORD memory : {DWORD(DDSCAPS_VIDEOMEMORY), DWORD(0)}) {
    DDSURFACEDESC2 desc{};
    desc.dwSize = sizeof desc;
    desc.dwFlags = DDSD_CAPS | DDSD_BACKBUFFERCOUNT;
    desc.ddsCaps.dwCaps = DDSCAPS_PRIMARYSURFACE | DDSCAPS_FLIP | DDSCAPS_COMPLEX | memory;
    desc.dwBackBufferCount = 1;
    if (dd.dd->CreateSurface(&desc, &dd.primary, nullptr) == DD_OK) break;
    dd.primary = nullptr;
  }
  if (!dd.primary) return false;
  DDSCAPS2 caps{};
  caps.dwCaps = DDSCAPS_BACKBUFFER;
  if (dd.primary->GetAttachedSurface(&caps, &dd.back) != DD_OK) {
    dd.back = nullptr;
    Release(dd.primary);
    return false;
  }
  return ReadSurfaces();
}

bool TryMode(int32_t w, int32_t h) {
  if (dd.dd->SetDisplayMode(DWORD(w), DWORD(h), 16, 0, 0) != DD_OK) return false;
  if (CreateFlipChain()) return true;
  ReleaseSurfaces();
  return false;
}

HRESULT WINAPI CollectMode(LPDDSURFACEDESC2 desc, LPVOID context) {
  if (desc->ddpfPixelFormat.dwRGBBitCount == 16)
    static_cast<std::vector<std::pair<int32_t, int32_t>>*>(context)->push_back({int32_t(desc->dwWidth), int32_t(desc->dwHeight)});
  return DDENUMRET_OK;
}

const char* FormatName() {
  static char name[64];
  snprintf(name, sizeof name, "%d-bit, masks %06lX %06lX %06lX", int(dd.pixelFormat.dwRGBBitCount),
           static_cast<unsigned long>(dd.pixelFormat.dwRBitMask), static_cast<unsigned long>(dd.pixelFormat.dwGBitMask),
           static_cast<unsigned long>(dd.pixelFormat.dwBBitMask));
  return name;
}

// Says how the frames are shown: on standard error, and as the display note the log takes up.
void Say(const char* format, ...) {
  char text[240];
  va_list args;
  va_start(args, format);
  vsnprintf(text, sizeof text, format, args);
  va_end(args);
  fprintf(stderr, "tarvon3: %s\n", text);
  std::string note = PlatDisplayNote();
  PlatSetDisplayNote((note.empty() ? text : note + "; " + text).c_str());
}

bool OpenFullScreen() {
  PlatWinShapeWindow(true, dd.width, dd.height);
  if (dd.dd->SetCooperativeLevel(dd.window, DDSCL_EXCLUSIVE | DDSCL_FULLSCREEN) != DD_OK) return false;
  if (TryMode(dd.width, dd.height) && dd.surfaceWidth == dd.width && dd.surfaceHeight == dd.height &&
      dd.pixelFormat.dwRGBBitCount == 16 && MaskBits(dd.pixelFormat.dwGBitMask) >= 5) {
    dd.way = Way::kExact;
    Say("full screen %dx%d (%s)", dd.width, dd.height, FormatName());
    return true;
  }
  ReleaseSurfaces();
  // Larger 16-bit modes, smallest first.
  std::vector<std::pair<int32_t, int32_t>> modes;
  dd.dd->EnumDisplayModes(0, nullptr, &modes, CollectMode);
  std::sort(modes.begin(), modes.end(), [](auto a, auto b) { return int64_t(a.first) * a.second < int64_t(b.first) * b.second; });
  for (const auto& [w, h] : modes) {
    if (w < dd.width || h < dd.height || (w == dd.width && h == dd.height)) continue;
    if (TryMode(w, h)) {
      dd.way = Way::kScaled;
      dd.rect = WholeMultiple(dd.surfaceWidth, dd.surfaceHeight, dd.width, dd.height);
      Say("no %dx%dx16 mode; full screen %dx%d (%s), the frame at %dx its size", dd.width,
              dd.height, dd.surfaceWidth, dd.surfaceHeight, FormatName(), dd.rect.width / dd.width);
      return true;
    }
  }
  dd.dd->RestoreDisplayMode();
  if (CreateFlipChain()) {
    dd.way = Way::kDesktop;
    dd.rect = LetterBox(dd.surfaceWidth, dd.surfaceHeight, dd.width, dd.height);
    Say("no 16-bit mode; full screen on the desktop's %dx%d (%s), the frame scaled to 4:3",
            dd.surfaceWidth, dd.surfaceHeight, FormatName());
    return true;
  }
  ReleaseSurfaces();
  dd.dd->SetCooperativeLevel(dd.window, DDSCL_NORMAL);
  return false;
}

bool OpenWindowed() {
  dd.way = Way::kWindowed;
  const int32_t w = dd.width * PlatWindowScale(), h = dd.height * 6 / 5 * PlatWindowScale();
  if (dd.dd->SetCooperativeLevel(dd.window, DDSCL_NORMAL) != DD_OK) return false;
  PlatWinShapeWindow(false, w, h);
  DDSURFACEDESC2 desc{};
  desc.dwSize = sizeof desc;
  desc.dwFlags = DDSD_CAPS;
  desc.ddsCaps.dwCaps = DDSCAPS_PRIMARYSURFACE;
  if (dd.dd->CreateSurface(&desc, &dd.primary, nullptr) != DD_OK) return false;
  if (dd.dd->CreateClipper(0, &dd.clipper, nullptr) == DD_OK) {
    dd.clipper->SetHWnd(0, dd.window);
    dd.primary->SetClipper(dd.clipper);
  }
  desc = DDSURFACEDESC2{};
  desc.dwSize = sizeof desc;
  desc.dwFlags = DDSD_CAPS | DDSD_WIDTH | DDSD_HEIGHT;   // in the primary's (the desktop's) format
  desc.dwWidth = DWORD(w);
  desc.dwHeight = DWORD(h);
  desc.ddsCaps.dwCaps = DDSCAPS_OFFSCREENPLAIN;
  if (dd.dd->CreateSurface(&desc, &dd.back, nullptr) != DD_OK || !ReadSurfaces()) {
    ReleaseSurfaces();
    return false;
  }
  dd.rect = LetterBox(dd.surfaceWidth, dd.surfaceHeight, dd.width, dd.height);
  Say("in a window of %dx%d on the desktop (%s)", w, h, FormatName());
  return true;
}

// The display's refresh period in the mode just taken (60 Hz when the driver does not say).
void ReadRefresh() {
  LARGE_INTEGER frequency;
  QueryPerformanceFrequency(&frequency);
  DWORD hertz = 0;
  if (dd.dd->GetMonitorFrequency(&hertz) != DD_OK || hertz < 50 || hertz > 240) hertz = 60;
  dd.ticksPerSecond = frequency.QuadPart;
  dd.period = frequency.QuadPart / hertz;
}

// Full screen as asked, else a window.
bool CreateSurfaces(bool fullScreen) {
  bool shown = fullScreen && OpenFullScreen();
  if (!shown && fullScreen) Say("DirectDraw offers no full-screen mode; playing in a window");
  shown = shown || OpenWindowed();
  if (shown) ReadRefresh();
  return shown;
}

void DdrawClose();

bool DdrawOpen(int32_t width, int32_t height, bool fullScreen, const char* title) {
  DdrawClose();
  PlatSetDisplayNote("");
  dd.width = width;
  dd.height = height;
  dd.title = title ? title : "tarvon3";
  dd.frame.assign(size_t(width) * size_t(height), 0);
  dd.window = PlatWinOpenWindow(dd.title.c_str());
  if (!dd.window || !CreateDirectDraw() || !CreateSurfaces(fullScreen && !PlatWindowForced())) {
    fprintf(stderr, "tarvon3: DirectDraw could not show a %dx%d frame\n", width, height);
    DdrawClose();
    return false;
  }
  ShowCursor(FALSE);
  dd.open = true;
  dd.shownSinceOpen = 0;
  dd.openedAt = GetTickCount();
  PlatWinPumpMessages();
  return true;
}

PlatDisplayFormat DdrawFormat() {
  if (dd.way == Way::kExact)
    return {dd.pixelFormat.dwRBitMask, dd.pixelFormat.dwGBitMask, dd.pixelFormat.dwBBitMask};
  return {0xF800, 0x07E0, 0x001F};   // the presenter's own frame; it converts at unlock
}

// Locks the whole back surface, waiting while the hardware is busy with it.
HRESULT LockBack(DDSURFACEDESC2* desc) {
  *desc = DDSURFACEDESC2{};
  desc->dwSize = sizeof *desc;
  return dd.back->Lock(nullptr, desc, DDLOCK_WAIT | DDLOCK_WRITEONLY | DDLOCK_SURFACEMEMORYPTR, nullptr);
}

PlatResult DdrawLock(void** pixels, int32_t* pitch) {
  if (!dd.back) return PLAT_FAILED;
  if (const HRESULT fault = TakeFault(PLAT_DDRAW_LOCK)) return FromDirectDraw(fault);
  if (dd.way != Way::kExact) {
    *pixels = dd.frame.data();
    *pitch = dd.width * 2;
    return PLAT_OK;
  }
  DDSURFACEDESC2 desc;
  const HRESULT r = LockBack(&desc);
  if (r != DD_OK) return FromDirectDraw(r);
  dd.locked = static_cast<uint8_t*>(desc.lpSurface);
  dd.lockedPitch = int32_t(desc.lPitch);
  *pixels = dd.locked;
  *pitch = dd.lockedPitch;
  return PLAT_OK;
}

// Exact: keeps a 5-6-5 copy of what the runtime wrote, for screenshots.
void KeepFrame() {
  const bool is555 = MaskBits(dd.pixelFormat.dwGBitMask) == 5;
  for (int32_t y = 0; y < dd.height; y++) {
    const uint16_t* row = reinterpret_cast<const uint16_t*>(dd.locked + int64_t(y) * dd.lockedPitch);
    uint16_t* out = dd.frame.data() + size_t(y) * size_t(dd.width);
    for (int32_t x = 0; x < dd.width; x++) out[x] = is555 ? uint16_t(((row[x] & 0x7FE0) << 1) | (row[x] & 0x1F)) : row[x];
  }
}

PlatResult DdrawUnlock() {
  if (!dd.back) return PLAT_FAILED;
  if (const HRESULT fault = TakeFault(PLAT_DDRAW_UNLOCK)) return FromDirectDraw(fault);
  if (dd.way == Way::kExact) {
    if (dd.locked) KeepFrame();
    const HRESULT r = dd.back->Unlock(nullptr);
    if (r == DD_OK) {
      dd.locked = nullptr;
      dd.drawn = true;
    }
    return FromDirectDraw(r);
  }
  DDSURFACEDESC2 desc;
  const HRESULT r = LockBack(&desc);
  if (r != DD_OK) return FromDirectDraw(r);
  DrawFrame(dd.frame.data(), dd.width, dd.height, dd.lut,
            {static_cast<uint8_t*>(desc.lpSurface), int32_t(desc.lPitch), dd.surfaceWidth, dd.surfaceHeight}, dd.rect);
  const HRESULT u = dd.back->Unlock(nullptr);
  dd.drawn = u == DD_OK;
  return FromDirectDraw(u);
}

// At most one frame per refresh of the display. A flip waits for the vertical blank on most
// hardware, but a blit to a window does not, nor does a flip where the driver does not wait (Wine):
// there the show would run at hundreds of frames a second, each drawn and thrown away.
void PaceToRefresh() {
  LARGE_INTEGER now;
  QueryPerformanceCounter(&now);
  const int64_t period = dd.period;
  if (now.QuadPart < dd.nextShow) {
    const int64_t waitMs = (dd.nextShow - now.QuadPart) * 1000 / dd.ticksPerSecond;
    if (waitMs > 0) Sleep(DWORD(waitMs));
    do QueryPerformanceCounter(&now); while (now.QuadPart < dd.nextShow);
    dd.nextShow += period;
  } else {
    dd.nextShow = now.QuadPart + period;   // late or first: the pace starts again from now
  }
}

PlatResult DdrawPresent() {
  if (!dd.primary) return PLAT_FAILED;
  if (const HRESULT fault = TakeFault(PLAT_DDRAW_PRESENT)) return FromDirectDraw(fault);
  if (!dd.drawn) return PLAT_OK;   // the surface holds no new frame (its unlock failed): nothing to show
  PaceToRefresh();
  HRESULT r;
  if (dd.way == Way::kWindowed) {
    RECT client;
    GetClientRect(dd.window, &client);
    POINT topLeft = {client.left, client.top}, bottomRight = {client.right, client.bottom};
    ClientToScreen(dd.window, &topLeft);
    ClientToScreen(dd.window, &bottomRight);
    RECT target = {topLeft.x, topLeft.y, bottomRight.x, bottomRight.y};
    RECT source = {0, 0, std::min<LONG>(client.right, dd.surfaceWidth), std::min<LONG>(client.bottom, dd.surfaceHeight)};
    target.right = target.left + source.right;
    target.bottom = target.top + source.bottom;
    r = dd.primary->Blt(&target, dd.back, &source, DDBLT_WAIT, nullptr);
  } else {
    r = dd.primary->Flip(nullptr, DDFLIP_WAIT);
  }
  if (r == DD_OK) {
    dd.drawn = false;
    counts.shown++;
    dd.shownAt[dd.shownSinceOpen++ % 1024] = GetTickCount();
  }
  return FromDirectDraw(r);
}

void DdrawRestore() {
  counts.restores++;
  if (dd.primary) dd.primary->Restore();
  if (dd.back && dd.way == Way::kWindowed) dd.back->Restore();   // a back buffer comes back with its primary
  dd.locked = nullptr;
  dd.drawn = false;
}

void DdrawPump() {
  if (dd.open) PlatWinPumpMessages();
}

void DdrawClose() {
  if (dd.open) {
    // The whole run, loading included, and the last 5 s (or as much of them as the ring holds).
    const DWORD now = GetTickCount();
    int32_t recent = 0;
    DWORD since = now;
    for (; recent < std::min(dd.shownSinceOpen, 1024); recent++) {
      const DWORD at = dd.shownAt[(dd.shownSinceOpen - 1 - recent) % 1024];
      if (now - at > 5000) break;
      since = at;
    }
    fprintf(stderr, "tarvon3: %d frames shown in %.1f s; %.1f a second over the last %.1f s\n", dd.shownSinceOpen,
            double(now - dd.openedAt) / 1000, now > since ? recent * 1000.0 / double(now - since) : 0.0,
            double(now - since) / 1000);
  }
  if (dd.locked && dd.back) dd.back->Unlock(nullptr);
  dd.locked = nullptr;
  ReleaseSurfaces();
  if (dd.dd) {
    dd.dd->SetCooperativeLevel(dd.window, DDSCL_NORMAL);
    dd.dd->RestoreDisplayMode();
  }
  Release(dd.dd);
  if (dd.window) {
    ShowCursor(TRUE);
    PlatWinCloseWindow();
  }
  dd.window = nullptr;
  dd.open = false;
}

}  // namespace

const PlatPresenter PlatDdrawPresenter = {"ddraw", DdrawOpen, DdrawFormat, DdrawLock, DdrawUnlock, DdrawPresent, DdrawRestore,
                                          DdrawPump, DdrawClose};

void PlatDdrawToggleFullScreen() {
  if (!dd.open || dd.locked) return;
  const bool toFullScreen = dd.way == Way::kWindowed;
  ReleaseSurfaces();
  if (!toFullScreen) {
    dd.dd->SetCooperativeLevel(dd.window, DDSCL_NORMAL);
    dd.dd->RestoreDisplayMode();
  }
  if (!CreateSurfaces(toFullScreen)) fprintf(stderr, "tarvon3: DirectDraw lost the display; frames are not shown\n");
}

void PlatDdrawScreenshot() { PlatWriteScreenshot(dd.frame.data(), dd.width, dd.height); }

void PlatDdrawInjectFault(PlatDdrawStep step, PlatDdrawFault fault, int32_t times) {
  static constexpr HRESULT kCodes[] = {DDERR_SURFACEBUSY, DDERR_WASSTILLDRAWING, DDERR_SURFACELOST};
  faults[step] = {kCodes[fault], times};
}

PlatDdrawCounts PlatDdrawGetCounts() { return counts; }
