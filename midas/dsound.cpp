// The DirectSound device: present when the system has DirectSound (on Windows, "dsound.dll" with its
// "DirectSoundCreate"), but only looked for when option 5 asks for it, which the MIDAS driver never
// does, so it is never selected; it has no output path of its own. With DirectSound asked for and no
// window handle (option 6) detection fails with its own error, as a device that needs a window must.
#include "midas/midas.h"
#include "midas/sdevice.h"
#include "platform/platform.h"

namespace {

int32_t DsDetect(bool* present) {
  *present = false;
  if (MidasConfig[MIDAS_OPTION_DSOUND_MODE] == 0) return MIDAS_OK;
  if (MidasConfig[MIDAS_OPTION_DSOUND_HWND] == 0) return MIDAS_ERR_DSOUND_NO_WINDOW;
  *present = PlatDirectSoundPresent();
  return MIDAS_OK;
}
int32_t DsInit(int32_t, int32_t) { return MIDAS_ERR_DEVICE_NOT_AVAILABLE; }
int32_t DsClose() { return MIDAS_OK; }
int32_t DsStartPlay() { return MIDAS_OK; }
int32_t DsPlay(bool* tickDue) { *tickDue = false; return MIDAS_OK; }
int32_t DsRate() { return 0; }
int32_t DsMode() { return 0; }

}  // namespace

const MidasSoundDevice MidasDirectSoundDevice = {"DirectSound Sound Device 1.10", DsDetect, DsInit, DsClose,
                                                 DsStartPlay, DsPlay, DsRate, DsMode};
