// platform: the small layer that stands in for the operating system's window, display, timer,
// thread and message box. It is the only code that includes SDL or windows.h.
//
// Three records of routines, each picked from a table by name (PlatFindPresenter, PlatFindClock):
//   presenter  "sdl" (a window or the desktop full screen), "render" (the offline renderer, see
//              PlatSetRenderSettings below), "null" (tests: accepts frames and shows nothing)
//   clock      "system" (real milliseconds and real sleeps), "virtual" (time moves only when the
//              offline renderer presents a frame; sleeps wait for virtual time), tests set their own
// In the browser build (emscripten, platform/web/) the tables hold presenter "canvas" (the page's
// canvas) and clock "browser" (performance.now()) in place of "sdl" and "system", and those two
// names find them; the extra thread is a fiber run by the main thread (platform/web/web.h).
// In the Windows build (platform/win/, the only code that includes windows.h) presenter "ddraw"
// (DirectDraw) takes the place of "sdl", which finds it; clock "system" is timeGetTime and the extra
// thread is CreateThread's. The program is a console program: its output (the log printed at exit)
// reaches the console it was started from, and a shell waits for its exit code; started from the
// desktop it has a console of its own.
// Typed characters and the close request reach the runtime through PlatEventSink.
//
//   PlatUsePresenter(PlatFindPresenter("null"));
//   PlatUseClock(PlatFindClock("system"));
#pragma once
#include <cstdint>

// Result of a surface operation, as the display reports it.
enum PlatResult : int32_t {
  PLAT_OK = 0,
  PLAT_BUSY = 1,            // try again at once
  PLAT_STILL_DRAWING = 2,   // unlock only: try again at once
  PLAT_LOST = 3,            // the surface must be restored; this frame is not shown
  PLAT_FAILED = 4,          // anything else; this frame is not shown
};

struct PlatDisplayFormat {
  uint32_t redMask, greenMask, blueMask;   // 0xF800, 0x07E0, 0x001F on a 5-6-5 display
};

// A presenter shows 16-bit frames of a fixed size. Called on the main thread only.
struct PlatPresenter {
  const char* name;
  // Opens the window (or the offline target) for frames of width x height; false on failure.
  bool (*open)(int32_t width, int32_t height, bool fullScreen, const char* title);
  // The pixel format of the surface the frames are copied into.
  PlatDisplayFormat (*format)();
  // Gives the surface's memory and its pitch in bytes; the caller writes one frame and unlocks.
  PlatResult (*lock)(void** pixels, int32_t* pitch);
  PlatResult (*unlock)();
  // Shows the last unlocked surface.
  PlatResult (*present)();
  // Brings a lost surface back.
  void (*restore)();
  // Delivers pending window events to the event sink without blocking.
  void (*pump)();
  // Closes what open made; safe when nothing is open.
  void (*close)();
};

// Where pump delivers what the viewer does.
struct PlatEventSink {
  void (*typed)(uint8_t character);   // a typed character, after keyboard translation
  void (*closeRequested)();           // window closed (or SIGINT / SIGTERM)
};

// A millisecond clock with its sleep. now() wraps after 2^32 ms.
struct PlatClock {
  const char* name;
  uint32_t (*now)();
  void (*sleep)(uint32_t ms);         // may be called from the extra thread
};

const PlatPresenter* PlatFindPresenter(const char* name);   // null for an unknown name
const PlatClock* PlatFindClock(const char* name);
void PlatUsePresenter(const PlatPresenter* presenter);
void PlatUseClock(const PlatClock* clock);
const PlatPresenter* PlatCurrentPresenter();
const PlatClock* PlatCurrentClock();
void PlatSetEventSink(PlatEventSink sink);
const PlatEventSink& PlatGetEventSink();

uint32_t PlatMilliseconds();          // the current clock's now()
void PlatSleep(uint32_t ms);          // the current clock's sleep()

// One extra thread. The body runs until it returns; PlatJoinThread waits for that. Under the virtual
// clock the thread runs in step with the frames: a presented frame waits until every thread whose
// sleep has ended by the new time has run and gone back to sleep, and a thread being joined finds
// its sleeps end at once.
struct PlatThread;
PlatThread* PlatStartThread(void (*body)(void* arg), void* arg, bool timeCritical);
void PlatJoinThread(PlatThread* thread);

// Shows a message: always on standard error, and in a box when a display is there. On Windows the box
// (MessageBoxA) appears only when standard error reaches no one (started from the desktop, with no
// console, file or pipe) and TARVON_NO_MESSAGE_BOX is unset: a box waits for a viewer to press OK.
void PlatMessageBox(const char* title, const char* text);

// Whether DirectSound is there: on Windows "dsound.dll" loads and offers "DirectSoundCreate"; false
// on other systems.
bool PlatDirectSoundPresent();

// The desktop's presenter (SDL, or DirectDraw on Windows): a window instead of the desktop full screen the program asks for, and the
// window's size as a multiple of the 4:3-shaped frame (3: 960 x 720 for 320 x 200).
void PlatSetWindowOptions(bool windowed, int32_t scale);

// What the presenter's open says about how the frames are shown (the mode it took, or the fallback
// it chose), for the log: empty when it has nothing to add. Copied; open clears it first.
void PlatSetDisplayNote(const char* note);
const char* PlatDisplayNote();

// Whether a display can be opened (an X11 or Wayland display is named in the environment; always on
// Windows and in a browser).
bool PlatHasDisplay();

// The offline renderer (presenter "render" with clock "virtual"): every presented frame is frame n of
// the render, at floor(n * 1000 / fps) ms of the virtual timer. It writes into `folder`:
//   frames.txt      one line per frame: frame number, timer ms, show ms, 64-bit hash of the pixels
//   contact.png     a thumbnail every 5 s of show time, with the time under it
//   still-MS.png    320 x 200, for the first frame whose show reading is at least MS (each of stills)
//   show.mp4        when ffmpeg is installed and video is on: 960 x 720 nearest-neighbour, with
//                   show.wav (if the sound output wrote one) starting at show time 0
// Each file is written whole or not at all (platform/whole_file.h): one that cannot be is not left
// behind, an earlier file of its name stays as it was, and the render fails.
struct PlatRenderSettings {
  const char* folder;
  int32_t fps;
  const int32_t* stills;
  int32_t stillCount;
  bool video;
  bool progress;       // a progress line on standard error
};
void PlatSetRenderSettings(const PlatRenderSettings& settings);
const char* PlatRenderFolder();   // the render's folder while rendering, else null
// Called once everything has shut down (the sound output has closed show.wav): joins picture and
// sound into show.mp4 and prints where the files are. After a show that failed (showFailed) it keeps
// no video, says the render failed and where the log is. Returns false when anything failed (a file
// that could not be written included).
bool PlatFinishRender(bool showFailed);

// What the runtime tells the platform about its clock: the timer reading at which the demo clock
// was last started (show time 0 of the audio), and a routine that reads the demo clock (frames
// are labelled with it).
void PlatNoteClockStart(uint32_t timerBase);
void PlatSetShowClock(int32_t (*reading)());
uint32_t PlatClockStartTime();
int32_t PlatShowTime();           // the demo clock's reading, 0 before one is set

// Routes SIGINT and SIGTERM to the event sink's closeRequested, so the show ends as with space.
void PlatCatchSignals();

// Ends the process at once with status, from any thread: the routine given to PlatAtEnd runs first
// (once), then standard output and error are flushed. Every end that does not return from main
// comes here: a fatal error outside the guarded main routine, a fatal sound-library error, an
// error in MIDAS's poll. `last` is the program's last word, such as the offline renderer's note
// that the render failed; null for none.
[[noreturn]] void PlatEndProcess(int status);
void PlatAtEnd(void (*last)());
