// The timeline: the rows of the show, the four small routines of the table, and the main loop.
#include "demo/tarvon3/tarvon3.h"

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "demo/tarvon3/options.h"
#include "demo/tarvon3/routines.h"
#include "runtime/clock.h"
#include "runtime/log.h"
#include "runtime/music.h"
#include "runtime/params.h"
#include "runtime/video.h"

ShowOptions ShowSettings = {0, -1, {}, 0};
void (*TimelineObserver)(int32_t row, float progress, int32_t argc, char** argv) = nullptr;

namespace {

// Start, end (-1: once), routine, parameter text. Within a pass the rows run in this order, each over
// what the rows before it left in the frame.
constexpr EffectEntry kShow[] = {
    {0, -1, LoadImage, "0 loading.tga 0 0"},
    {0, -1, ShowImage, "0"},
    {0, -1, ShowFrameNow, nullptr},
    {0, -1, InitDeform, "fond.tga"},
    {0, -1, LoadImage, "6 fonctions.tga 2 0"},
    {0, -1, LoadImage, "7 noms.tga 2 0"},
    {0, -1, AddSprite, "0 6 0 132 276 66 music.spl 0"},
    {0, -1, AddSprite, "1 6 0 66 276 66 design.spl 0"},
    {0, -1, AddSprite, "2 6 0 0 276 66 coder.spl 0"},
    {0, -1, AddSprite, "11 7 0 0 200 48 nom.spl 0"},
    {0, -1, AddSprite, "10 7 0 48 200 48 nom.spl 0"},
    {0, -1, AddSprite, "9 7 0 96 200 48 nom.spl 0"},
    {0, -1, AddSprite, "8 7 0 144 200 48 nom.spl 0"},
    {0, -1, AddSprite, "7 7 0 192 200 48 nom.spl 0"},
    {0, -1, AddSprite, "6 7 0 240 200 48 nom.spl 0"},
    {0, -1, AddSprite, "5 7 0 288 200 48 nom.spl 0"},
    {0, -1, AddSprite, "4 7 0 336 200 48 nom.spl 0"},
    {0, -1, AddSprite, "3 7 0 384 200 48 nom.spl 0"},
    {0, -1, LoadImage, "8 cheesefond.tga 0 0"},
    {0, -1, Cheese, "meteor4.3dm phong3.tga phong_w.tga"},
    {0, -1, LoadImage, "9 logoqvx.tga 0 0"},
    {0, -1, AddSprite, "12 9 0 0 256 256 logoqvx.spl 0"},
    {0, -1, InitChecker, "meteor4.3dm checkfun.tga zelt2.tga checker.spl"},
    {0, -1, Phong, "obj4.3dm texphong2.tga specu.tga"},
    {0, -1, InitSable, nullptr},
    {0, -1, multi, "meteor4.3dm texture2.tga zelt2.tga"},
    {0, -1, InitLight, "lefond.tga speculaire.tga"},
    {0, -1, InitMeta, "metatex.tga metafond.tga"},
    {0, -1, InitTransPic, "foreground3.tga 0"},
    {0, -1, LoadImage, "1 logotarvon.tga 0 0"},
    {0, -1, LoadImage, "2 phongfond.tga 0 0"},
    {0, -1, LoadImage, "3 multifond.tga 0 0"},
    {0, -1, LoadImage, "4 quenpic.tga 0 0"},
    {0, -1, LoadImage, "5 metafond.tga 0 0"},
    {0, -1, LoadImage, "16 cheesefond.tga 0 0"},
    {0, -1, StartMusic, nullptr},
    {0, -1, RestartClock, nullptr},
    {1, 10000, ShowImage, "1"},
    {10000, 30000, ShowImage, "2"},
    {10000, 30000, DrawPhong, nullptr},
    {2000, 11000, DrawChecker, nullptr},
    {30000, -1, ClearScreen, nullptr},
    {30000, 50000, DrawSable, nullptr},
    {29000, 31000, Transition, nullptr},
    {50000, 70000, ShowImage, "3"},
    {50000, 70000, DrawMulti, nullptr},
    {49000, 51000, Transition, nullptr},
    {70000, 85000, DrawLight, nullptr},
    {70000, 85000, DrawTransPic, nullptr},
    {69000, 71000, Transition, nullptr},
    {85000, -1, ShowImage, "4"},
    {85000, -1, ShowFrameNow, nullptr},
    {85000, -1, FreeChecker, nullptr},
    {85000, -1, InitChecker, "credit.3dm credit.tga credit.tga credcheck.spl"},
    {97000, 117000, ShowImage, "5"},
    {101000, 103000, Transition, nullptr},
    {107000, 108000, BlurScreen, nullptr},
    {112000, 112500, BlurScreen, nullptr},
    {97000, 117000, DrawMeta, nullptr},
    {107500, 108000, BlurScreen, nullptr},
    {96000, 98000, Transition, nullptr},
    {96000, 98000, BlurScreen, nullptr},
    {117000, 153000, DrawDeform, nullptr},
    {117000, 153000, DrawCreditPlate, nullptr},
    {117000, 125000, DrawSprite, "2"},
    {117000, 121000, DrawSprite, "11"},
    {121000, 125000, DrawSprite, "5"},
    {125000, 129000, DrawSprite, "1"},
    {125000, 129000, DrawSprite, "9"},
    {129000, 137000, DrawSprite, "2"},
    {129000, 133000, DrawSprite, "3"},
    {133000, 137000, DrawSprite, "4"},
    {137000, 141000, DrawSprite, "0"},
    {137000, 141000, DrawSprite, "2"},
    {137000, 141000, DrawSprite, "8"},
    {141000, 149000, DrawSprite, "2"},
    {141000, 145000, DrawSprite, "6"},
    {145000, 149000, DrawSprite, "7"},
    {149000, 153000, DrawSprite, "1"},
    {149000, 153000, DrawSprite, "10"},
    {116000, 118000, Transition, nullptr},
    {153000, 181000, ShowImage, "8"},
    {162000, 171000, DrawSprite, "12"},
    {153000, 181000, DrawCheese, nullptr},
    {171000, 181000, DrawSprite, "12"},
    {156000, 156500, BlurScreen, nullptr},
    {160000, 161000, BlurScreen, nullptr},
    {165000, 165500, BlurScreen, nullptr},
    {152000, 154000, Transition, nullptr},
    {181000, 182000, ShowImageCentered, "9"},
    {182000, 189000, ShowImageCentered, "9"},
    {180000, 182000, Transition, nullptr},
    {189000, -1, FreeImages, nullptr},
    {189000, -1, FreeChecker, nullptr},
    {189000, -1, FreeDeform, nullptr},
    {189000, -1, FreePhong, nullptr},
    {189000, -1, FreeSable, nullptr},
    {189000, -1, FreeMulti, nullptr},
    {189000, -1, FreeTransPic, nullptr},
    {189000, -1, FreeLight, nullptr},
    {189000, -1, FreeMeta, nullptr},
    {189000, -1, FreeCheese, nullptr},
};

}  // namespace

const std::span<const EffectEntry> Timeline = kShow;

TARVON_ROUTINE(ClearScreen) {
  memset(ScreenBuffer, 0, size_t(ScreenWidth) * size_t(ScreenHeight) * sizeof(uint16_t));
}

TARVON_ROUTINE(ShowFrameNow) { ScreenBuffer = Flip(); }

TARVON_ROUTINE(RestartClock) {
  StartClock();
  if (ShowSettings.startMs != 0) ShiftClock(ShowSettings.startMs);
}

TARVON_ROUTINE(StartMusic) { PlayMp3(); }

namespace {

// Keys of the command line whose time has come go into the queue as if typed.
void DeliverScheduledKeys(int32_t now) {
  for (int32_t i = 0; i < ShowSettings.keyCount; i++) {
    ShowKey& k = ShowSettings.keys[i];
    if (!k.sent && now >= k.ms) {
      QueueKey(k.key);
      k.sent = true;
    }
  }
}

// What a run keeps of a row: whether it is done, and its words, split once from its text by
// SplitParameters and copied out of that routine's one buffer.
struct RowState {
  bool done = false;
  std::vector<std::string> words;
  std::vector<char*> argv;   // into words, then a null
};

std::vector<RowState> PrepareRows(std::span<const EffectEntry> rows) {
  std::vector<RowState> state(rows.size());
  for (size_t i = 0; i < rows.size(); i++) {
    if (!rows[i].parameter) continue;
    char* split[100];
    int32_t count = 0;
    SplitParameters(rows[i].parameter, &count, split);
    state[i].words.assign(split, split + count);
    for (std::string& word : state[i].words) state[i].argv.push_back(word.data());
    state[i].argv.push_back(nullptr);
  }
  return state;
}

// Brings the clock back by one loop and makes the loop's windowed rows due again.
void Rewind(std::span<const EffectEntry> rows, std::vector<RowState>& state, const TimelineLoop& loop) {
  ShiftClock(-(loop.end - loop.start));
  for (size_t i = 0; i < rows.size(); i++)
    if (rows[i].end != -1 && rows[i].end > loop.start && rows[i].start < loop.end) state[i].done = false;
}

}  // namespace

void RunTimeline(std::span<const EffectEntry> rows, const TimelineLoop* loop) {
  // A row without text gets the words of the last row with text that was called (none at first).
  static char* none[1] = {nullptr};
  int32_t argc = 0;
  char** argv = none;

  std::vector<RowState> state = PrepareRows(rows);
  StartClock();
  int32_t looped = 0;   // ms the loop has taken back so far: --to counts on across loops

  for (;;) {
    const int32_t now = GetClock();
    DeliverScheduledKeys(now);

    for (size_t i = 0; i < rows.size(); i++) {
      const EffectEntry& row = rows[i];
      RowState& run = state[i];
      if (run.done || now <= row.start) continue;
      const bool once = row.end == -1;
      if (!once && now >= row.end) {
        run.done = true;
        continue;
      }
      const float progress = once ? 0.0f : float(int32_t(now - row.start)) / float(int32_t(row.end - row.start));
      if (row.parameter) {
        argc = int32_t(run.words.size());
        argv = run.argv.data();
      }
      if (TimelineObserver) TimelineObserver(int32_t(i), progress, argc, argv);
      row.routine(progress, argc, argv);
      run.done = once;
    }

    bool allDone = true;
    for (const RowState& run : state) allDone = allDone && run.done;

    ScreenBuffer = Flip();

    const int32_t key = GetKey();
    if (key == ' ' || QuitRequested()) break;
    if (key == '*') ShiftClock(5000);
    if (key == '+') ShiftClock(1000);
    if (key == '-') ShiftClock(-1000);
    if (key == '/') ShiftClock(-5000);

    if (ShowSettings.toMs >= 0 && now + looped > ShowSettings.toMs) break;
    if (loop) {
      if (now >= loop->end) {
        Rewind(rows, state, *loop);
        looped += loop->end - loop->start;
      }
    } else if (allDone) {
      break;
    }
  }
}
