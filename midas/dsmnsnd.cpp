// The no-sound device: always present; runs the mixer's bookkeeping but plays and mixes nothing.
#include "midas/midas.h"
#include "midas/sdevice.h"

namespace {

int32_t nsRate = 44100;
int32_t nsMode = MIDAS_MODE_16BIT | MIDAS_MODE_STEREO;

int32_t NsDetect(bool* present) {
  *present = true;
  return MIDAS_OK;
}
int32_t NsInit(int32_t mixRate, int32_t outputMode) {
  nsRate = mixRate > 0 ? mixRate : 44100;
  nsMode = ((outputMode & MIDAS_MODE_8BIT) ? MIDAS_MODE_8BIT : MIDAS_MODE_16BIT) |
           ((outputMode & MIDAS_MODE_MONO) ? MIDAS_MODE_MONO : MIDAS_MODE_STEREO);
  return DsmInit(nsRate, nsMode);
}
int32_t NsClose() { return MIDAS_OK; }
int32_t NsStartPlay() { return MIDAS_OK; }
int32_t NsPlay(bool* tickDue) { *tickDue = false; return MIDAS_OK; }
int32_t NsRate() { return nsRate; }
int32_t NsMode() { return nsMode; }

}  // namespace

const MidasSoundDevice MidasNoSoundDevice = {"Mixing No Sound Sound Device", NsDetect, NsInit, NsClose, NsStartPlay,
                                             NsPlay, NsRate, NsMode};
