// The "browser" clock: performance.now() in whole milliseconds. Its sleep on the extra thread's
// fiber waits for the clock (the main thread runs it again when it is due); on the main thread it
// gives the browser its turn for that long, running the threads that fall due meanwhile.
#include <emscripten.h>

#include "platform/backends.h"
#include "platform/web/web.h"

namespace {

uint32_t BrowserNow() { return uint32_t(uint64_t(emscripten_get_now())); }

void BrowserSleep(uint32_t ms) {
  if (PlatWebThreadSleep(ms)) return;
  const uint32_t until = BrowserNow() + ms;
  do {
    PlatWebRunDueThreads(BrowserNow());
    const int32_t left = int32_t(until - BrowserNow());
    emscripten_sleep(left > 0 ? uint32_t(left < 10 ? left : 10) : 0);
  } while (int32_t(until - BrowserNow()) > 0);
}

}  // namespace

const PlatClock PlatBrowserClock = {"browser", BrowserNow, BrowserSleep};
