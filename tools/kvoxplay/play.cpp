// kvoxplay's playback through KVOX_PrepareMPG / KVOX_PlayMPG / KVOX_Poll.
#include "tools/kvoxplay/play.h"

#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstring>

#include "midas/midas.h"
#include "platform/platform.h"
#include "sound/kvox.h"
#include "sound/kvox_wave.h"
#include "sound/mpeg.h"

namespace {

// The stream's length in seconds, from its frame headers.
double StreamSeconds(const uint8_t* p, int32_t left) {
  KvoxMpegHeader h;
  double seconds = 0;
  while (left > 4) {
    const int32_t length = KvoxParseHeader(p, left < 10000 ? left : 10000, &h);
    if (length <= 0) break;
    const int32_t rate = KvoxStreamRate(h);
    if (rate == 0) break;
    const int32_t samples = h.option == 3 ? 384 : (h.option == 1 && !h.id ? 576 : 1152);
    seconds += double(samples) / rate;
    const int32_t step = length + h.pad * (h.option == 3 ? 4 : 1);
    p += step;
    left -= step;
  }
  return seconds;
}

}  // namespace

int PlayThroughLibrary(const std::vector<uint8_t>& data, const char* driver, const char* wavOut) {
  // Errors come back as codes (flags 0), so that the tool can say what failed and exit with 1.
  KvoxSoundDriver* chosen = !strcmp(driver, "disk") ? &KVOX_Disk : !strcmp(driver, "nosound") ? &KVOX_NoSound : &KVOX_MIDAS;
  if (wavOut) KvoxSetDiskFile(wavOut);
  if (KVOX_Init(0) != 0 || KVOX_SetDriver(chosen) != 0) {
    fprintf(stderr, "kvoxplay: the %s driver cannot start here\n", driver);
    return 1;
  }
  if (chosen == &KVOX_MIDAS && MIDASfellBackToNoSound())
    fprintf(stderr, "kvoxplay: no sound device found, playing silent\n");
  if (KVOX_PrepareMPG(data.data(), int32_t(data.size()), 0, 100000, KVOX_INPUT_MEMORY) != 0) {
    fprintf(stderr, "kvoxplay: the sound library cannot play this stream\n");
    KVOX_Uninit();
    return 1;
  }
  const double total = StreamSeconds(data.data(), int32_t(data.size()));
  // Silent output (the no-sound driver, or MIDAS without a device) never runs dry, so the player never
  // reports the end: the stream plays silent in real time and ends once its length has passed. The disk
  // driver writes as fast as it can.
  const bool silent = chosen == &KVOX_NoSound || (chosen == &KVOX_MIDAS && MIDASfellBackToNoSound());
  const bool realTime = chosen != &KVOX_Disk;
  const bool terminal = isatty(2);
  const auto start = std::chrono::steady_clock::now();
  KVOX_PlayMPG();
  int64_t polls = 0;
  while (KVOX_Poll() == 0) {
    const KvoxForm& f = KVOX_Player.form;
    const double elapsed = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    if (silent && elapsed >= total) break;
    double done = f.memLength > 0 ? double(f.memCursor - f.memBase) / f.memLength * total : 0;
    if (silent && elapsed < done) done = elapsed;
    if (terminal && polls++ % (realTime ? 5 : 200) == 0) fprintf(stderr, "\rkvoxplay: %6.1f / %.1f s", done, total);
    if (realTime) PlatSleep(100);
  }
  if (terminal) fprintf(stderr, "\rkvoxplay: %6.1f / %.1f s\n", total, total);
  KVOX_FreeMPG();
  KVOX_Uninit();
  if (chosen == &KVOX_Disk && !KvoxDiskFileWritten()) {
    fprintf(stderr, "kvoxplay: cannot write %s\n", wavOut ? wavOut : "output.wav");
    return 1;
  }
  return 0;
}
