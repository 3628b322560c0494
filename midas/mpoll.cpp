// The poll: all mixing and device output happens here, on the caller's thread.
#include <cstdio>
#include <cstdlib>

#include "midas/midas.h"
#include "midas/sdevice.h"
#include "platform/platform.h"

int32_t MIDASpoll() {
  int32_t error = MIDAS_OK;
  {
    std::lock_guard<std::mutex> hold(MidasLock);
    const MidasSoundDevice* device = MidasCurrentDevice();
    if (!device) {
      MidasSetLastError(MIDAS_ERR_INVALID_DEVICE);
      return 0;
    }
    if (MidasIsPlaying()) {
      error = device->startPlay();
      bool tickDue = true;
      // A due tick would run the module player; none plays here, so the loop only keeps mixing.
      while (error == MIDAS_OK && tickDue) error = device->play(&tickDue);
    }
  }
  if (error == MIDAS_OK) return 1;
  MIDASclose();
  fprintf(stderr, "MIDAS Error: %s\n", MIDASgetErrorMessage(error));
  PlatEndProcess(1);   // at once, from whichever thread polls
}
