// The demo clock over the platform's millisecond timer.
#include "runtime/clock.h"

#include "platform/platform.h"

namespace {
uint32_t clockBase = 0;
}

uint32_t StartClock() {
  clockBase = PlatMilliseconds();
  PlatNoteClockStart(clockBase);
  return clockBase;
}

void ShiftClock(int32_t ms) { clockBase -= uint32_t(ms); }

// The unsigned difference survives the timer's wrap; the cast gives negative readings after a
// backward shift.
int32_t GetClock() { return int32_t(PlatMilliseconds() - clockBase); }
