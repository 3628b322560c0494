// The entry routine: start-up, the guarded main routine, shut-down.
#include "runtime/entry.h"

#include "runtime/clock.h"
#include "runtime/log.h"
#include "runtime/memory.h"
#include "runtime/music.h"
#include "runtime/video.h"

int TrelkEntry(void* instance, void (*main)()) {
  SetInstance(instance);
  SetAppName("trelk powered by Ombrevia");
  InitLog();
  InitMemory();
  InitVideo();
  InitMp3();
  Info("trelk (Compiled on Jun 25 1999 at 13:12:40)");
  StartClock();

  const bool panic = RunGuarded(main);
  if (panic) {
    Info("Panic exit");
    // A fatal error left Main with the music thread still running; it must stop before FreeAll
    // releases the music it reads.
    StopMp3();
  } else {
    Info("Main() left");
  }

  CloseVideo();
  FreeAll();
  DisplayLog();
  FreeMp3();
  // A show that ended on a fatal error has failed, even though it shut down in order.
  return panic ? 1 : 0;
}
