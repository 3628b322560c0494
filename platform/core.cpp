// The platform's tables, the current presenter and clock, the show clock notes and the signals.
#include <atomic>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "platform/platform.h"
#include "platform/backends.h"

namespace {

#if defined(__EMSCRIPTEN__)
// In a browser the page is the display: "canvas" and "browser" take the places of the desktop's
// "sdl" and "system", and those names find them.
const PlatPresenter* const kPresenters[] = {&PlatCanvasPresenter, &PlatRenderPresenter, &PlatNullPresenter};
const PlatClock* const kClocks[] = {&PlatBrowserClock, &PlatVirtualClock};
const char* Alias(const char* name) {
  if (name && strcmp(name, "sdl") == 0) return "canvas";
  if (name && strcmp(name, "system") == 0) return "browser";
  return name;
}
#elif defined(_WIN32)
// On Windows the display is DirectDraw's ("sdl" finds it, as the program asks for the desktop's).
const PlatPresenter* const kPresenters[] = {&PlatDdrawPresenter, &PlatRenderPresenter, &PlatNullPresenter};
const PlatClock* const kClocks[] = {&PlatSystemClock, &PlatVirtualClock};
const char* Alias(const char* name) { return name && strcmp(name, "sdl") == 0 ? "ddraw" : name; }
#else
const PlatPresenter* const kPresenters[] = {&PlatSdlPresenter, &PlatRenderPresenter, &PlatNullPresenter};
const PlatClock* const kClocks[] = {&PlatSystemClock, &PlatVirtualClock};
const char* Alias(const char* name) { return name; }
#endif

const PlatPresenter* currentPresenter = &PlatNullPresenter;
const PlatClock* currentClock = kClocks[0];

void IgnoreChar(uint8_t) {}
void IgnoreClose() {}
PlatEventSink eventSink = {IgnoreChar, IgnoreClose};

volatile std::sig_atomic_t signalled = 0;

bool forceWindow = false;
int32_t windowScale = 3;

uint32_t clockStart = 0;
int32_t (*showClock)() = nullptr;

void OnSignal(int) { signalled = 1; }

std::atomic<void (*)()> lastWord{nullptr};

}  // namespace

const PlatPresenter* PlatFindPresenter(const char* name) {
  name = Alias(name);
  for (const PlatPresenter* p : kPresenters)
    if (name && strcmp(p->name, name) == 0) return p;
  return nullptr;
}

const PlatClock* PlatFindClock(const char* name) {
  name = Alias(name);
  for (const PlatClock* c : kClocks)
    if (name && strcmp(c->name, name) == 0) return c;
  return nullptr;
}

void PlatUsePresenter(const PlatPresenter* presenter) { currentPresenter = presenter; }
void PlatUseClock(const PlatClock* clock) { currentClock = clock; }
const PlatPresenter* PlatCurrentPresenter() { return currentPresenter; }
const PlatClock* PlatCurrentClock() { return currentClock; }
void PlatSetEventSink(PlatEventSink sink) { eventSink = sink; }

const PlatEventSink& PlatGetEventSink() {
  // A signal only sets a flag; it is delivered here, on the main thread, like a window event.
  if (signalled) {
    signalled = 0;
    eventSink.closeRequested();
  }
  return eventSink;
}

uint32_t PlatMilliseconds() { return currentClock->now(); }
void PlatSleep(uint32_t ms) { currentClock->sleep(ms); }

void PlatSetWindowOptions(bool windowed, int32_t scale) {
  forceWindow = windowed;
  windowScale = scale > 0 ? scale : 3;
}
bool PlatWindowForced() { return forceWindow; }
int32_t PlatWindowScale() { return windowScale; }

void PlatNoteClockStart(uint32_t timerBase) { clockStart = timerBase; }
void PlatSetShowClock(int32_t (*reading)()) { showClock = reading; }
uint32_t PlatClockStartTime() { return clockStart; }
int32_t PlatShowTime() { return showClock ? showClock() : 0; }

void PlatCatchSignals() {
  std::signal(SIGINT, OnSignal);
  std::signal(SIGTERM, OnSignal);
}

void PlatAtEnd(void (*last)()) { lastWord.store(last); }

void PlatEndProcess(int status) {
  // Taken once: a second end on another thread meanwhile does not say the last word again.
  if (void (*last)() = lastWord.exchange(nullptr)) last();
  fflush(stdout);
  fflush(stderr);
  _Exit(status);
}

#if !defined(_WIN32)
bool PlatDirectSoundPresent() { return false; }
#endif

namespace {
char displayNote[256];
}

void PlatSetDisplayNote(const char* note) { snprintf(displayNote, sizeof displayNote, "%s", note ? note : ""); }
const char* PlatDisplayNote() { return displayNote; }

bool PlatHasDisplay() {
#if defined(__EMSCRIPTEN__) || defined(_WIN32)
  return true;   // the page; the Windows desktop
#endif
  const char* x = getenv("DISPLAY");
  const char* w = getenv("WAYLAND_DISPLAY");
  return (x && *x) || (w && *w);
}
