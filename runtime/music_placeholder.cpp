// Music playback control until the sound library is in place: each call logs one warning the first
// time and does nothing, so the show runs silent.
#include "runtime/music.h"

#include "runtime/log.h"

namespace {
void Missing(bool& warned, const char* name) {
  if (!warned) Warning("%s() not built yet", name);
  warned = true;
}
}  // namespace

void InitMp3() { static bool w; Missing(w, "InitMp3"); }
void LoadMp3(const char*) { static bool w; Missing(w, "LoadMp3"); }
void PlayMp3() { static bool w; Missing(w, "PlayMp3"); }
void StopMp3() { static bool w; Missing(w, "StopMp3"); }
void UnloadMp3() { static bool w; Missing(w, "UnloadMp3"); }
void FreeMp3() { static bool w; Missing(w, "FreeMp3"); }
