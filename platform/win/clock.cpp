// The "system" clock of Windows: timeGetTime, and Sleep. The timer period is set to 1 ms while the
// process runs, so that sleeps (the music thread's 100 ms ticks, a waiting frame) end within about a
// millisecond of their time instead of the system's default 15.6 ms steps.
#include <windows.h>
#include <mmsystem.h>

#include "platform/backends.h"

namespace {

void FinePeriod() {
  static const bool set = timeBeginPeriod(1) == TIMERR_NOERROR;   // once; the system ends it with the process
  (void)set;
}

uint32_t SystemNow() {
  FinePeriod();
  return uint32_t(timeGetTime());
}

void SystemSleep(uint32_t ms) {
  FinePeriod();
  Sleep(DWORD(ms));
}

}  // namespace

const PlatClock PlatSystemClock = {"system", SystemNow, SystemSleep};
