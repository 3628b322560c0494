// The null presenter (frames are accepted and dropped) and the system clock.
#include <chrono>
#include <cstdio>
#include <thread>
#include <vector>

#include <pthread.h>
#include <sched.h>

#include "platform/backends.h"

namespace {

std::vector<uint16_t> nullSurface;
int32_t nullPitch = 0;

bool NullOpen(int32_t width, int32_t height, bool, const char*) {
  nullSurface.assign(size_t(width) * size_t(height), 0);
  nullPitch = width * 2;
  return true;
}
PlatDisplayFormat NullFormat() { return {0xF800, 0x07E0, 0x001F}; }
PlatResult NullLock(void** pixels, int32_t* pitch) {
  *pixels = nullSurface.data();
  *pitch = nullPitch;
  return PLAT_OK;
}
PlatResult NullOk() { return PLAT_OK; }
void NullNothing() {}
void NullClose() { nullSurface.clear(); }

uint32_t SystemNow() {
  using namespace std::chrono;
  return uint32_t(duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}
void SystemSleep(uint32_t ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

}  // namespace

const PlatPresenter PlatNullPresenter = {"null", NullOpen, NullFormat, NullLock, NullOk, NullOk, NullNothing, NullNothing, NullClose};
const PlatClock PlatSystemClock = {"system", SystemNow, SystemSleep};

void PlatRaiseThreadPriority() {
  // Real-time scheduling needs privileges most desktops do not grant; then the best ordinary
  // priority is the one we get, and nothing is reported.
  sched_param param{};
  param.sched_priority = sched_get_priority_max(SCHED_FIFO);
  if (pthread_setschedparam(pthread_self(), SCHED_FIFO, &param) != 0) {
    param.sched_priority = 0;
    pthread_setschedparam(pthread_self(), SCHED_OTHER, &param);
  }
}
