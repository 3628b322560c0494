// The system thread of Windows under PlatStartThread: CreateThread, at THREAD_PRIORITY_TIME_CRITICAL
// when asked (the music thread must keep ahead of the wave-out device while the main thread draws).
#include <windows.h>

#include "platform/backends.h"

struct PlatSystemThread {
  HANDLE handle = nullptr;
  void (*body)(void*) = nullptr;
  void* arg = nullptr;
};

namespace {

DWORD WINAPI ThreadProc(LPVOID param) {
  auto* t = static_cast<PlatSystemThread*>(param);
  t->body(t->arg);
  return 0;
}

}  // namespace

PlatSystemThread* PlatStartSystemThread(void (*body)(void*), void* arg, bool timeCritical) {
  auto* t = new PlatSystemThread;
  t->body = body;
  t->arg = arg;
  // Made suspended so that the priority holds from the body's first instruction.
  t->handle = CreateThread(nullptr, 0, ThreadProc, t, CREATE_SUSPENDED, nullptr);
  if (!t->handle) {
    delete t;
    return nullptr;
  }
  if (timeCritical) SetThreadPriority(t->handle, THREAD_PRIORITY_TIME_CRITICAL);
  ResumeThread(t->handle);
  return t;
}

void PlatJoinSystemThread(PlatSystemThread* thread) {
  if (!thread) return;
  WaitForSingleObject(thread->handle, INFINITE);
  CloseHandle(thread->handle);
  delete thread;
}
