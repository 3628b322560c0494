// The system clock and the system thread of POSIX desktops (platform/win/ has Windows' own).
#include <chrono>
#include <thread>

#include <pthread.h>
#include <sched.h>

#include "platform/backends.h"

struct PlatSystemThread {
  std::thread thread;
};

namespace {

uint32_t SystemNow() {
  using namespace std::chrono;
  return uint32_t(duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}
void SystemSleep(uint32_t ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

void RaiseThreadPriority() {
  // Real-time scheduling needs privileges most desktops do not grant; then the best ordinary
  // priority is the one we get, and nothing is reported.
  sched_param param{};
  param.sched_priority = sched_get_priority_max(SCHED_FIFO);
  if (pthread_setschedparam(pthread_self(), SCHED_FIFO, &param) != 0) {
    param.sched_priority = 0;
    pthread_setschedparam(pthread_self(), SCHED_OTHER, &param);
  }
}

}  // namespace

const PlatClock PlatSystemClock = {"system", SystemNow, SystemSleep};

PlatSystemThread* PlatStartSystemThread(void (*body)(void*), void* arg, bool timeCritical) {
  auto* t = new PlatSystemThread;
  t->thread = std::thread([body, arg, timeCritical] {
    if (timeCritical) RaiseThreadPriority();
    body(arg);
  });
  return t;
}

void PlatJoinSystemThread(PlatSystemThread* thread) {
  if (!thread) return;
  if (thread->thread.joinable()) thread->thread.join();
  delete thread;
}
