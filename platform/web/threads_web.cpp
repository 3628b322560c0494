// The extra thread as a fiber, and the virtual clock that keeps it in step with rendered frames.
//
// Nothing runs at the same time as anything else: a thread's body runs on its own fiber (its own
// C stack and asyncify stack) until it sleeps, then hands control back to the main thread. That
// gives the same order of events as the desktop's threads under the virtual clock: a presented
// frame runs every thread whose sleep has ended by the new time until it has gone back to sleep,
// and a thread being joined finds its sleeps end at once.
#include <emscripten.h>
#include <emscripten/fiber.h>

#include <algorithm>
#include <cstdint>
#include <vector>

#include "platform/backends.h"
#include "platform/web/web.h"

struct PlatThread {
  emscripten_fiber_t fiber;
  void (*body)(void*) = nullptr;
  void* arg = nullptr;
  std::vector<uint8_t> cStack, asyncStack;
  bool started = false;
  bool joining = false;
  bool finished = false;
  uint32_t wakeAt = 0;
};

namespace {

constexpr size_t kThreadStack = size_t(1) << 20;     // the decoder's frames live here
constexpr size_t kAsyncStack = size_t(128) << 10;    // a fiber's saved call chain while it is swapped out

emscripten_fiber_t mainFiber;
std::vector<uint8_t> mainAsyncStack;
PlatThread* running = nullptr;   // the thread whose fiber runs now; null on the main thread
std::vector<PlatThread*> threads;
uint32_t virtualNow = 0;
double lastYield = 0;

bool Due(const PlatThread* t, uint32_t now) { return int32_t(now - t->wakeAt) >= 0; }

void FiberEntry(void* arg) {
  PlatThread* t = static_cast<PlatThread*>(arg);
  t->body(t->arg);
  t->finished = true;
  emscripten_fiber_swap(&t->fiber, &mainFiber);   // never resumed
}

void Resume(PlatThread* t) {
  if (mainAsyncStack.empty()) {
    mainAsyncStack.resize(kAsyncStack);
    emscripten_fiber_init_from_current_context(&mainFiber, mainAsyncStack.data(), mainAsyncStack.size());
  }
  running = t;
  emscripten_fiber_swap(&mainFiber, &t->fiber);
  running = nullptr;
}

uint32_t VirtualNowMs() { return virtualNow; }
void VirtualSleep(uint32_t ms) { PlatWebThreadSleep(ms); }

}  // namespace

const PlatClock PlatVirtualClock = {"virtual", VirtualNowMs, VirtualSleep};

bool PlatWebThreadSleep(uint32_t ms) {
  PlatThread* self = running;
  if (!self) return false;
  if (self->joining) return true;   // a thread being joined runs on to its end
  self->wakeAt = PlatMilliseconds() + ms;
  emscripten_fiber_swap(&self->fiber, &mainFiber);
  return true;
}

void PlatWebRunDueThreads(uint32_t now) {
  if (running) return;
  // A thread that sleeps 0 ms is due again at once; the bound keeps such a thread from holding the
  // main thread forever.
  for (int32_t round = 0; round < 1000; round++) {
    bool ran = false;
    for (size_t i = 0; i < threads.size(); i++) {
      PlatThread* t = threads[i];
      if (!t->finished && Due(t, now)) {
        Resume(t);
        ran = true;
      }
    }
    if (!ran) return;
  }
}

void PlatAdvanceVirtualTime(uint32_t now) {
  // The page may keep the wall time of every rendered frame with its show time (the benchmark).
  EM_ASM({ if (Module.tarvonFrameTimes) Module.tarvonFrameTimes.push(performance.now(), $0); }, PlatShowTime());
  virtualNow = now;
  PlatWebRunDueThreads(now);
  // The render runs as fast as it can, but the page must stay alive: hand the browser a turn about
  // every 50 ms, with the render's progress.
  const double wall = emscripten_get_now();
  if (wall - lastYield >= 50) {
    EM_ASM({ if (Module.tarvonProgress) Module.tarvonProgress($0, $1); }, int32_t(now), PlatShowTime());
    emscripten_sleep(0);
    lastYield = emscripten_get_now();
  }
}

void PlatResetVirtualTime() { virtualNow = 0; }

PlatThread* PlatStartThread(void (*body)(void*), void* arg, bool) {
  auto* t = new PlatThread;
  t->body = body;
  t->arg = arg;
  t->cStack.resize(kThreadStack);
  t->asyncStack.resize(kAsyncStack);
  emscripten_fiber_init(&t->fiber, FiberEntry, t, t->cStack.data(), t->cStack.size(), t->asyncStack.data(),
                        t->asyncStack.size());
  t->wakeAt = PlatMilliseconds();   // runs at the next frame (or the next sleep of the main thread)
  threads.push_back(t);
  return t;
}

void PlatJoinThread(PlatThread* thread) {
  if (!thread) return;
  thread->joining = true;
  while (!thread->finished) Resume(thread);
  std::erase(threads, thread);
  delete thread;
}
