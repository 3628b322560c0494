// The offline renderer: a presenter that writes every frame to files instead of a screen, in step
// with the virtual clock. See platform.h for the files it writes.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <mutex>
#include <string>
#include <system_error>
#include <vector>

#include "platform/backends.h"
#include "platform/contact.h"
#include "platform/png.h"
#include "platform/whole_file.h"

namespace {

struct RenderState {
  std::string folder;
  int32_t fps = 60;
  std::vector<int32_t> stills;
  std::vector<bool> stillDone;
  bool video = true;
  bool progress = false;

  bool open = false;
  int32_t width = 0, height = 0;
  std::vector<uint16_t> frame;
  uint64_t frames = 0;
  PlatWholeFile list;             // frames.txt, renamed into place when the render closes
  FILE* encoder = nullptr;        // ffmpeg, fed raw frames
  PlatWholeFile movie;            // the picture ffmpeg encodes, beside show.mp4 until it is whole
  ContactSheet contact;
  int32_t nextContact = 0;        // show ms of the next thumbnail
  bool unwritten = false;         // a file of the render could not be written whole
};

RenderState* state = nullptr;

// A fatal error on the music thread closes the render (the program's last word) while the main
// thread may be writing a frame: the two take turns at the files.
std::mutex filesLock;

RenderState& State() {
  if (!state) state = new RenderState;
  return *state;
}

std::string Path(const char* name) { return State().folder + "/" + name; }

// A file of the render that could not be written whole (and was not left behind): the render fails.
void Unwritten(const std::string& path) {
  fprintf(stderr, "tarvon3: cannot write %s\n", path.c_str());
  State().unwritten = true;
}

bool MakeFolders(const std::string& path) {
  std::error_code error;
  std::filesystem::create_directories(path, error);
  return std::filesystem::is_directory(path, error);
}

// ffmpeg on the PATH; the raw frames go to it through a pipe in binary mode.
#if defined(_WIN32)
bool HaveFfmpeg() { return system("where ffmpeg >nul 2>&1") == 0; }
FILE* OpenEncoder(const char* command) { return popen(command, "wb"); }
#else
bool HaveFfmpeg() { return system("command -v ffmpeg >/dev/null 2>&1") == 0; }
FILE* OpenEncoder(const char* command) { return popen(command, "w"); }
#endif

// FNV-1a over the pixels taken 64 bits at a time: quick, and any change of a pixel changes it.
uint64_t FrameHash(const uint16_t* p, size_t count) {
  uint64_t h = 0xcbf29ce484222325ull;
  size_t i = 0;
  for (; i + 4 <= count; i += 4) {
    uint64_t w;
    memcpy(&w, p + i, 8);
    h = (h ^ w) * 0x100000001b3ull;
  }
  for (; i < count; i++) h = (h ^ p[i]) * 0x100000001b3ull;
  return h;
}

uint32_t FrameTime(uint64_t n, int32_t fps) { return uint32_t(n * 1000 / uint64_t(fps)); }

bool RenderOpen(int32_t width, int32_t height, bool, const char*) {
  RenderState& s = State();
  if (s.folder.empty() || !MakeFolders(s.folder)) {
    fprintf(stderr, "tarvon3: cannot create the render folder \"%s\"\n", s.folder.c_str());
    return false;
  }
  if (!PlatBeginFile(s.list, Path("frames.txt").c_str())) {
    Unwritten(Path("frames.txt"));
    return false;
  }
  s.unwritten = false;
  s.width = width;
  s.height = height;
  s.frame.assign(size_t(width) * size_t(height), 0);
  s.frames = 0;
  s.nextContact = 1;   // the first thumbnail: the first frame after the clock moved (the loading picture)
  s.stillDone.assign(s.stills.size(), false);
  ContactBegin(s.contact, width, height);
  remove(Path("show.wav").c_str());   // the sound output writes a new one when there is music
  const bool encode = s.video && HaveFfmpeg();
  if (s.video && !encode) fprintf(stderr, "render: no ffmpeg on the PATH, the video is skipped\n");
  if (encode && PlatBeginFile(s.movie, Path("show.mp4").c_str())) {
    char command[1024];
    snprintf(command, sizeof command,
             "ffmpeg -loglevel error -y -f rawvideo -pixel_format rgb565le -video_size %dx%d -framerate %d -i - "
             "-vf scale=960:720:flags=neighbor -c:v libx264 -preset veryfast -crf 18 -pix_fmt yuv420p -f mp4 \"%s\"",
             width, height, s.fps, PlatHandOverFile(s.movie));
    s.encoder = OpenEncoder(command);
    if (!s.encoder) PlatDropFile(s.movie);
  }
  PlatResetVirtualTime();
  s.open = true;
  return true;
}

PlatDisplayFormat RenderFormat() { return {0xF800, 0x07E0, 0x001F}; }

PlatResult RenderLock(void** pixels, int32_t* pitch) {
  RenderState& s = State();
  if (!s.open) return PLAT_FAILED;
  *pixels = s.frame.data();
  *pitch = s.width * 2;
  return PLAT_OK;
}

PlatResult RenderOk() { return PLAT_OK; }

void WriteStill(RenderState& s, int32_t ms) {
  std::vector<uint8_t> rgb(s.frame.size() * 3);
  PlatRgbFrom565(s.frame.data(), int32_t(s.frame.size()), rgb.data());
  char name[64];
  snprintf(name, sizeof name, "still-%d.png", ms);
  if (!PlatWritePng(Path(name).c_str(), rgb.data(), s.width, s.height)) Unwritten(Path(name));
}

PlatResult RenderPresent() {
  RenderState& s = State();
  std::unique_lock<std::mutex> hold(filesLock);
  if (!s.open) return PLAT_FAILED;
  const uint32_t now = FrameTime(s.frames, s.fps);
  const int32_t show = PlatShowTime();
  fprintf(s.list.file, "%llu %u %d %016llx\n", (unsigned long long)s.frames, now, show,
          (unsigned long long)FrameHash(s.frame.data(), s.frame.size()));

  if (show >= s.nextContact) {
    ContactAdd(s.contact, s.frame.data(), show);
    s.nextContact = (show / 5000 + 1) * 5000;
  }
  for (size_t i = 0; i < s.stills.size(); i++)
    if (!s.stillDone[i] && show >= s.stills[i]) {
      WriteStill(s, s.stills[i]);
      s.stillDone[i] = true;
    }
  if (s.encoder) fwrite(s.frame.data(), 2, s.frame.size(), s.encoder);
  if (s.progress && s.frames % 30 == 0)
    fprintf(stderr, "\rrender: frame %llu, show %d.%d s   ", (unsigned long long)s.frames, show / 1000,
            (show >= 0 ? show : -show) / 100 % 10);

  s.frames++;
  hold.unlock();   // the music thread may run now, and may end the render
  PlatAdvanceVirtualTime(FrameTime(s.frames, s.fps));
  return PLAT_OK;
}

void RenderNothing() {}

void RenderClose() {
  RenderState& s = State();
  std::lock_guard<std::mutex> hold(filesLock);
  if (!s.open) return;
  s.open = false;
  if (PlatFinishFile(s.list, true) != PLAT_FILE_WRITTEN) Unwritten(Path("frames.txt"));
  if (s.encoder) {
    if (pclose(s.encoder) != 0) {
      fprintf(stderr, "tarvon3: ffmpeg failed to encode the render\n");
      PlatDropFile(s.movie);
      Unwritten(Path("show.mp4"));
    }
    s.encoder = nullptr;
  }
  if (!ContactWrite(s.contact, Path("contact.png").c_str())) Unwritten(Path("contact.png"));
  if (s.progress) fprintf(stderr, "\n");
}

bool Exists(const std::string& path) {
  std::error_code error;
  return std::filesystem::exists(path, error);
}

}  // namespace

const PlatPresenter PlatRenderPresenter = {"render", RenderOpen, RenderFormat, RenderLock, RenderOk, RenderPresent,
                                           RenderNothing, RenderNothing, RenderClose};

void PlatSetRenderSettings(const PlatRenderSettings& settings) {
  RenderState& s = State();
  s.folder = settings.folder ? settings.folder : "";
  while (s.folder.size() > 1 && s.folder.back() == '/') s.folder.pop_back();
  s.fps = settings.fps > 0 ? settings.fps : 60;
  s.stills.assign(settings.stills, settings.stills + settings.stillCount);
  s.video = settings.video;
  s.progress = settings.progress;
}

const char* PlatRenderFolder() {
  return state && state->open ? state->folder.c_str() : nullptr;
}

bool PlatFinishRender(bool showFailed) {
  RenderState& s = State();
  const std::string sound = Path("show.wav"), show = Path("show.mp4");
  if (showFailed) {
    PlatDropFile(s.movie);
    fprintf(stderr, "render: failed after %llu frames: the show ended on a fatal error (log.txt says why); "
            "no video kept\n", (unsigned long long)s.frames);
    return false;
  }
  bool made = false;
  if (!s.movie.temp.empty()) {
    if (Exists(sound)) {
      // The picture and the music into a second temporary beside show.mp4; the music's sample 0 is
      // show time 0, the timer reading at which the clock last restarted.
      PlatWholeFile joined;
      if (PlatBeginFile(joined, show.c_str())) {
        char command[2048];
        snprintf(command, sizeof command,
                 "ffmpeg -loglevel error -y -i \"%s\" -itsoffset %.3f -i \"%s\" -map 0:v -map 1:a -c:v copy "
                 "-c:a aac -b:a 192k -f mp4 \"%s\"",
                 s.movie.temp.c_str(), PlatClockStartTime() / 1000.0, sound.c_str(), PlatHandOverFile(joined));
        made = system(command) == 0 && PlatFinishFile(joined, true) == PLAT_FILE_WRITTEN;
        PlatDropFile(joined);
      }
      PlatDropFile(s.movie);
    } else {
      made = PlatFinishFile(s.movie, true) == PLAT_FILE_WRITTEN;
    }
    if (!made) Unwritten(show);
  }
  if (PlatWaveFileFailed()) Unwritten(sound);
  if (s.unwritten) {
    fprintf(stderr, "render: failed after %llu frames: a file of the render could not be written\n",
            (unsigned long long)s.frames);
    return false;
  }
  fprintf(stderr, "render: %llu frames written to %s/ (frames.txt, contact.png%s%s)\n",
          (unsigned long long)s.frames, s.folder.c_str(), s.stills.empty() ? "" : ", still-*.png",
          made ? ", show.mp4" : "");
  return true;
}
