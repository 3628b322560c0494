// The extra thread, and the virtual clock that keeps threads in step with rendered frames.
//
// Under the virtual clock, time moves only when the offline renderer presents a frame
// (PlatAdvanceVirtualTime). A thread's sleep ends when virtual time reaches its wake-up time; the
// advance then waits until every such thread has run and gone back to sleep (or ended), so what a
// thread does between two frames never depends on the speed of the machine.
#include <atomic>
#include <condition_variable>
#include <cstdio>
#include <mutex>
#include <vector>

#include "platform/backends.h"

struct PlatThread {
  PlatSystemThread* system = nullptr;
  void (*body)(void*) = nullptr;
  void* arg = nullptr;
  bool sleeping = false;
  bool joining = false;
  bool finished = false;
  uint32_t wakeAt = 0;
};

namespace {

std::mutex threadLock;
std::condition_variable threadSignal;
std::vector<PlatThread*> threads;
std::atomic<uint32_t> virtualNow{0};
thread_local PlatThread* self = nullptr;

void RunThread(void* arg) {
  PlatThread* t = static_cast<PlatThread*>(arg);
  self = t;
  t->body(t->arg);
  std::lock_guard<std::mutex> hold(threadLock);
  t->finished = true;
  threadSignal.notify_all();
}

bool Due(const PlatThread* t, uint32_t now) { return int32_t(now - t->wakeAt) >= 0; }

uint32_t VirtualNowMs() { return virtualNow.load(); }

void VirtualSleep(uint32_t ms) {
  if (!self) return;   // the main thread drives virtual time; it never waits for it
  std::unique_lock<std::mutex> hold(threadLock);
  self->wakeAt = virtualNow.load() + ms;
  self->sleeping = true;
  threadSignal.notify_all();
  threadSignal.wait(hold, [] { return self->joining || Due(self, virtualNow.load()); });
  self->sleeping = false;
}

// Every thread has ended, is being joined, or sleeps until after `now`.
bool Settled(uint32_t now) {
  for (const PlatThread* t : threads)
    if (!t->finished && !t->joining && !(t->sleeping && !Due(t, now))) return false;
  return true;
}

}  // namespace

const PlatClock PlatVirtualClock = {"virtual", VirtualNowMs, VirtualSleep};

void PlatAdvanceVirtualTime(uint32_t now) {
  std::unique_lock<std::mutex> hold(threadLock);
  // A thread started since the last frame runs its first pass at that frame's time: its first sleep
  // is counted from there, however late the system got it going.
  const uint32_t before = virtualNow.load();
  threadSignal.wait(hold, [before] { return Settled(before); });
  virtualNow.store(now);
  // Most frames wake no one (the music thread sleeps 100 ms at a time), and then there is nothing
  // to signal or wait for: a needless signal costs system calls on every frame, and far more where
  // the system's wait objects are slow (under Wine).
  if (Settled(now)) return;
  threadSignal.notify_all();
  threadSignal.wait(hold, [now] { return Settled(now); });
}

void PlatResetVirtualTime() { virtualNow.store(0); }

PlatThread* PlatStartThread(void (*body)(void*), void* arg, bool timeCritical) {
  auto* t = new PlatThread;
  t->body = body;
  t->arg = arg;
  {
    std::lock_guard<std::mutex> hold(threadLock);
    threads.push_back(t);
  }
  t->system = PlatStartSystemThread(RunThread, t, timeCritical);
  if (!t->system) {
    // The body never runs: the thread counts as ended, so neither the virtual clock nor a join waits.
    fprintf(stderr, "tarvon3: the system could not start a thread\n");
    std::lock_guard<std::mutex> hold(threadLock);
    t->finished = true;
  }
  return t;
}

void PlatJoinThread(PlatThread* thread) {
  if (!thread) return;
  {
    std::lock_guard<std::mutex> hold(threadLock);
    thread->joining = true;
    threadSignal.notify_all();
  }
  PlatJoinSystemThread(thread->system);
  {
    std::lock_guard<std::mutex> hold(threadLock);
    std::erase(threads, thread);
  }
  delete thread;
}
