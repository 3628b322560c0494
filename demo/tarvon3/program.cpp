// The program tarvon3: the command line, the choice of display and clock, then the entry routine.
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "demo/tarvon3/options.h"
#include "demo/tarvon3/tarvon3.h"
#include "demo/tarvon3/viewer.h"
#include "platform/platform.h"
#include "runtime/entry.h"

namespace {

const char kUsage[] =
    "Usage: tarvon3 [OPTION]...\n"
    "Plays the demo tarvon3: 189 seconds of software-rendered effects and music. With no option it runs\n"
    "full screen on the desktop; the data comes from data.qvx, or from data/ when there is no archive.\n"
    "\n"
    "  --window           play in a window instead of full screen\n"
    "  --scale N          window size as a multiple of 320 x 240 (default 3)\n"
    "  --start MS         the show starts at MS milliseconds once loading is done\n"
    "  --to MS            end the show after the first frame past MS milliseconds\n"
    "  --keys MS:KEY,...  type KEY at MS milliseconds; KEY is space, *, +, - or /\n"
    "  --effect NAME      play one effect in a loop (--effect list: the names)\n"
    "  --render DIR       render offline into DIR (no display, no sound device needed): frames.txt,\n"
    "                     contact.png, show.wav and show.mp4 (with ffmpeg)\n"
    "  --fps N            frames per second of the render (default 60)\n"
    "  --stills MS,...    with --render: also write DIR/still-MS.png for each time\n"
    "  --no-video         with --render: do not encode show.mp4\n"
    "  --help             show this help and exit\n"
    "  --version          show the version and exit\n"
    "\n"
    "Keys: space ends the show; * and / seek 5 s forward and back, + and - 1 s; Alt+Enter toggles full\n"
    "screen; F12 saves a screenshot; Escape or closing the window ends the show.\n"
    "The log of the run is written to log.txt in the current directory.\n";

[[noreturn]] void Bad(const char* format, const char* what) {
  fprintf(stderr, "tarvon3: ");
  fprintf(stderr, format, what);
  fprintf(stderr, "\nTry 'tarvon3 --help' for more information.\n");
  exit(2);
}

int32_t Number(const char* text, const char* option, int64_t low, int64_t high) {
  if (!text) Bad("option %s needs a value", option);
  errno = 0;
  char* end = nullptr;
  const long long v = strtoll(text, &end, 10);
  if (errno || end == text || *end || v < low || v > high) Bad("bad value for %s", option);
  return int32_t(v);
}

std::vector<std::string> SplitCommas(const char* text, const char* option) {
  if (!text) Bad("option %s needs a value", option);
  std::vector<std::string> out;
  const std::string all = text;
  for (size_t at = 0;;) {
    const size_t comma = all.find(',', at);
    out.push_back(all.substr(at, comma == std::string::npos ? std::string::npos : comma - at));
    if (comma == std::string::npos) return out;
    at = comma + 1;
  }
}

std::vector<int32_t> NumberList(const char* text, const char* option) {
  std::vector<int32_t> out;
  for (const std::string& item : SplitCommas(text, option)) out.push_back(Number(item.c_str(), option, 0, 10000000));
  return out;
}

void ParseKeys(const char* text) {
  for (const std::string& item : SplitCommas(text, "--keys")) {
    const size_t colon = item.find(':');
    if (colon == std::string::npos) Bad("bad key \"%s\" for --keys (use MS:KEY)", item.c_str());
    const std::string name = item.substr(colon + 1);
    uint8_t key = 0;
    if (name == "space" || name == " ")
      key = ' ';
    else if (name == "*" || name == "+" || name == "-" || name == "/")
      key = uint8_t(name[0]);
    else
      Bad("unknown key \"%s\" for --keys (space, *, +, - or /)", name.c_str());
    if (ShowSettings.keyCount == 64) Bad("%s: at most 64 keys", "--keys");
    ShowKey& k = ShowSettings.keys[ShowSettings.keyCount++];
    k.ms = Number(item.substr(0, colon).c_str(), "--keys", -10000000, 10000000);
    k.key = key;
    k.sent = false;
  }
}

// The last word of a render that ends at once (a fatal error outside the show, in the sound library
// or in MIDAS's poll): the frames so far are closed and the render says it failed and keeps no video,
// as after a panic exit.
void EndFailedRender() {
  PlatCurrentPresenter()->close();
  PlatFinishRender(true);
}

}  // namespace

int main(int argc, char** argv) {
  bool windowed = false, video = true;
  int32_t scale = 3, fps = 60;
  const char* renderFolder = nullptr;
  std::vector<int32_t> stills;

  for (int i = 1; i < argc; i++) {
    const char* a = argv[i];
    const char* value = i + 1 < argc ? argv[i + 1] : nullptr;
    if (!strcmp(a, "--help") || !strcmp(a, "-h")) {
      fputs(kUsage, stdout);
      return 0;
    } else if (!strcmp(a, "--version")) {
      printf("tarvon3 %s\n", TARVON_VERSION);
      return 0;
    } else if (!strcmp(a, "--window")) {
      windowed = true;
    } else if (!strcmp(a, "--no-video")) {
      video = false;
    } else if (!strcmp(a, "--scale")) {
      scale = Number(value, a, 1, 16), i++;
    } else if (!strcmp(a, "--start")) {
      ShowSettings.startMs = Number(value, a, 0, 10000000), i++;
    } else if (!strcmp(a, "--to")) {
      ShowSettings.toMs = Number(value, a, 0, 10000000), i++;
    } else if (!strcmp(a, "--keys")) {
      ParseKeys(value), i++;
    } else if (!strcmp(a, "--effect")) {
      if (!value) Bad("option %s needs a name", a);
      if (!strcmp(value, "list")) {
        printf("Effects for --effect:\n");
        ListEffects();
        return 0;
      }
      ViewerChoice = FindEffect(value);
      if (!ViewerChoice) Bad("unknown effect \"%s\" (--effect list shows the names)", value);
      i++;
    } else if (!strcmp(a, "--render")) {
      if (!value || !*value) Bad("option %s needs a folder", a);
      renderFolder = value, i++;
    } else if (!strcmp(a, "--fps")) {
      fps = Number(value, a, 1, 1000), i++;
    } else if (!strcmp(a, "--stills")) {
      stills = NumberList(value, a), i++;
    } else {
      Bad("unknown option \"%s\"", a);
    }
  }
  if (!renderFolder && (!stills.empty() || !video)) Bad("%s needs --render", !stills.empty() ? "--stills" : "--no-video");

  PlatCatchSignals();
  if (renderFolder) {
    PlatSetRenderSettings({renderFolder, fps, stills.data(), int32_t(stills.size()), video, isatty(2) != 0});
    PlatUsePresenter(PlatFindPresenter("render"));
    PlatUseClock(PlatFindClock("virtual"));
    PlatAtEnd(EndFailedRender);
  } else {
    if (!PlatHasDisplay()) {
      fprintf(stderr, "tarvon3: no display found (DISPLAY is not set); render the show offline with --render DIR\n");
      return 1;
    }
    PlatSetWindowOptions(windowed, scale);
    PlatUsePresenter(PlatFindPresenter("sdl"));
    PlatUseClock(PlatFindClock("system"));
  }

  const int status = TrelkEntry(nullptr, ViewerChoice ? ViewEffect : Main);
  PlatAtEnd(nullptr);
  if (renderFolder && !PlatFinishRender(status != 0)) return 1;
  return status;
}
