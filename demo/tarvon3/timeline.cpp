// The timeline: the 102 rows of the show, the four small routines of the table, and the main loop.
#include "demo/tarvon3/tarvon3.h"

#include <cstdio>
#include <cstring>

#include "demo/tarvon3/options.h"
#include "demo/tarvon3/routines.h"
#include "runtime/clock.h"
#include "runtime/log.h"
#include "runtime/music.h"
#include "runtime/params.h"
#include "runtime/video.h"

ShowOptions ShowSettings = {0, -1, {}, 0};
void (*TimelineObserver)(int32_t row, float progress, int32_t argc, char** argv) = nullptr;

// Start, end (-1: once), routine, parameter text, done.
EffectEntry Timeline[kTimelineRows] = {
    {0, -1, LoadImage, "0 loading.tga 0 0", 0},  // 0
    {0, -1, ShowImage, "0", 0},  // 1
    {0, -1, ShowFrameNow, nullptr, 0},  // 2
    {0, -1, InitDeform, "fond.tga", 0},  // 3
    {0, -1, LoadImage, "6 fonctions.tga 2 0", 0},  // 4
    {0, -1, LoadImage, "7 noms.tga 2 0", 0},  // 5
    {0, -1, AddSprite, "0 6 0 132 276 66 music.spl 0", 0},  // 6
    {0, -1, AddSprite, "1 6 0 66 276 66 design.spl 0", 0},  // 7
    {0, -1, AddSprite, "2 6 0 0 276 66 coder.spl 0", 0},  // 8
    {0, -1, AddSprite, "11 7 0 0 200 48 nom.spl 0", 0},  // 9
    {0, -1, AddSprite, "10 7 0 48 200 48 nom.spl 0", 0},  // 10
    {0, -1, AddSprite, "9 7 0 96 200 48 nom.spl 0", 0},  // 11
    {0, -1, AddSprite, "8 7 0 144 200 48 nom.spl 0", 0},  // 12
    {0, -1, AddSprite, "7 7 0 192 200 48 nom.spl 0", 0},  // 13
    {0, -1, AddSprite, "6 7 0 240 200 48 nom.spl 0", 0},  // 14
    {0, -1, AddSprite, "5 7 0 288 200 48 nom.spl 0", 0},  // 15
    {0, -1, AddSprite, "4 7 0 336 200 48 nom.spl 0", 0},  // 16
    {0, -1, AddSprite, "3 7 0 384 200 48 nom.spl 0", 0},  // 17
    {0, -1, LoadImage, "8 cheesefond.tga 0 0", 0},  // 18
    {0, -1, Cheese, "meteor4.3dm phong3.tga phong_w.tga", 0},  // 19
    {0, -1, LoadImage, "9 logoqvx.tga 0 0", 0},  // 20
    {0, -1, AddSprite, "12 9 0 0 256 256 logoqvx.spl 0", 0},  // 21
    {0, -1, InitChecker, "meteor4.3dm checkfun.tga zelt2.tga checker.spl", 0},  // 22
    {0, -1, Phong, "obj4.3dm texphong2.tga specu.tga", 0},  // 23
    {0, -1, InitSable, nullptr, 0},  // 24
    {0, -1, multi, "meteor4.3dm texture2.tga zelt2.tga", 0},  // 25
    {0, -1, InitLight, "lefond.tga speculaire.tga", 0},  // 26
    {0, -1, InitMeta, "metatex.tga metafond.tga", 0},  // 27
    {0, -1, InitTransPic, "foreground3.tga 0", 0},  // 28
    {0, -1, LoadImage, "1 logotarvon.tga 0 0", 0},  // 29
    {0, -1, LoadImage, "2 phongfond.tga 0 0", 0},  // 30
    {0, -1, LoadImage, "3 multifond.tga 0 0", 0},  // 31
    {0, -1, LoadImage, "4 quenpic.tga 0 0", 0},  // 32
    {0, -1, LoadImage, "5 metafond.tga 0 0", 0},  // 33
    {0, -1, LoadImage, "16 cheesefond.tga 0 0", 0},  // 34
    {0, -1, StartMusic, nullptr, 0},  // 35
    {0, -1, RestartClock, nullptr, 0},  // 36
    {1, 10000, ShowImage, "1", 0},  // 37
    {10000, 30000, ShowImage, "2", 0},  // 38
    {10000, 30000, DrawPhong, nullptr, 0},  // 39
    {2000, 11000, DrawChecker, nullptr, 0},  // 40
    {30000, -1, ClearScreen, nullptr, 0},  // 41
    {30000, 50000, DrawSable, nullptr, 0},  // 42
    {29000, 31000, Transition, nullptr, 0},  // 43
    {50000, 70000, ShowImage, "3", 0},  // 44
    {50000, 70000, DrawMulti, nullptr, 0},  // 45
    {49000, 51000, Transition, nullptr, 0},  // 46
    {70000, 85000, DrawLight, nullptr, 0},  // 47
    {70000, 85000, DrawTransPic, nullptr, 0},  // 48
    {69000, 71000, Transition, nullptr, 0},  // 49
    {85000, -1, ShowImage, "4", 0},  // 50
    {85000, -1, ShowFrameNow, nullptr, 0},  // 51
    {85000, -1, FreeChecker, nullptr, 0},  // 52
    {85000, -1, InitChecker, "credit.3dm credit.tga credit.tga credcheck.spl", 0},  // 53
    {97000, 117000, ShowImage, "5", 0},  // 54
    {101000, 103000, Transition, nullptr, 0},  // 55
    {107000, 108000, BlurScreen, nullptr, 0},  // 56
    {112000, 112500, BlurScreen, nullptr, 0},  // 57
    {97000, 117000, DrawMeta, nullptr, 0},  // 58
    {107500, 108000, BlurScreen, nullptr, 0},  // 59
    {96000, 98000, Transition, nullptr, 0},  // 60
    {96000, 98000, BlurScreen, nullptr, 0},  // 61
    {117000, 153000, DrawDeform, nullptr, 0},  // 62
    {117000, 153000, DrawCreditPlate, nullptr, 0},  // 63
    {117000, 125000, DrawSprite, "2", 0},  // 64
    {117000, 121000, DrawSprite, "11", 0},  // 65
    {121000, 125000, DrawSprite, "5", 0},  // 66
    {125000, 129000, DrawSprite, "1", 0},  // 67
    {125000, 129000, DrawSprite, "9", 0},  // 68
    {129000, 137000, DrawSprite, "2", 0},  // 69
    {129000, 133000, DrawSprite, "3", 0},  // 70
    {133000, 137000, DrawSprite, "4", 0},  // 71
    {137000, 141000, DrawSprite, "0", 0},  // 72
    {137000, 141000, DrawSprite, "2", 0},  // 73
    {137000, 141000, DrawSprite, "8", 0},  // 74
    {141000, 149000, DrawSprite, "2", 0},  // 75
    {141000, 145000, DrawSprite, "6", 0},  // 76
    {145000, 149000, DrawSprite, "7", 0},  // 77
    {149000, 153000, DrawSprite, "1", 0},  // 78
    {149000, 153000, DrawSprite, "10", 0},  // 79
    {116000, 118000, Transition, nullptr, 0},  // 80
    {153000, 181000, ShowImage, "8", 0},  // 81
    {162000, 171000, DrawSprite, "12", 0},  // 82
    {153000, 181000, DrawCheese, nullptr, 0},  // 83
    {171000, 181000, DrawSprite, "12", 0},  // 84
    {156000, 156500, BlurScreen, nullptr, 0},  // 85
    {160000, 161000, BlurScreen, nullptr, 0},  // 86
    {165000, 165500, BlurScreen, nullptr, 0},  // 87
    {152000, 154000, Transition, nullptr, 0},  // 88
    {181000, 182000, ShowImageCentered, "9", 0},  // 89
    {182000, 189000, ShowImageCentered, "9", 0},  // 90
    {180000, 182000, Transition, nullptr, 0},  // 91
    {189000, -1, FreeImages, nullptr, 0},  // 92
    {189000, -1, FreeChecker, nullptr, 0},  // 93
    {189000, -1, FreeDeform, nullptr, 0},  // 94
    {189000, -1, FreePhong, nullptr, 0},  // 95
    {189000, -1, FreeSable, nullptr, 0},  // 96
    {189000, -1, FreeMulti, nullptr, 0},  // 97
    {189000, -1, FreeTransPic, nullptr, 0},  // 98
    {189000, -1, FreeLight, nullptr, 0},  // 99
    {189000, -1, FreeMeta, nullptr, 0},  // 100
    {189000, -1, FreeCheese, nullptr, 0},  // 101
};

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

// Brings the clock back by one loop and makes the loop's windowed rows due again.
void Rewind(EffectEntry* rows, int32_t count, const TimelineLoop& loop) {
  ShiftClock(-(loop.end - loop.start));
  for (int32_t i = 0; i < count; i++)
    if (rows[i].end != -1 && rows[i].end > loop.start && rows[i].start < loop.end) rows[i].done = 0;
}

}  // namespace

void RunTimeline(EffectEntry* rows, int32_t count, const TimelineLoop* loop) {
  static char* argv[100];
  static int32_t argc = 0;

  for (int32_t i = 0; i < count; i++) rows[i].done = 0;
  StartClock();
  int32_t looped = 0;   // ms the loop has taken back so far: --to counts on across loops

  for (;;) {
    const int32_t now = GetClock();
    DeliverScheduledKeys(now);

    for (int32_t i = 0; i < count; i++) {
      EffectEntry& row = rows[i];
      if (row.done || now <= row.start) continue;
      if (row.end == -1) {
        if (row.parameter) SplitParameters(row.parameter, &argc, argv);
        if (TimelineObserver) TimelineObserver(i, 0.0f, argc, argv);
        row.routine(0.0f, argc, argv);
        row.done = 1;
      } else if (now >= row.end) {
        row.done = 1;
      } else {
        const float progress = float(int32_t(now - row.start)) / float(int32_t(row.end - row.start));
        if (row.parameter) SplitParameters(row.parameter, &argc, argv);
        if (TimelineObserver) TimelineObserver(i, progress, argc, argv);
        row.routine(progress, argc, argv);
      }
    }

    bool allDone = true;
    for (int32_t i = 0; i < count; i++) allDone = allDone && rows[i].done;

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
        Rewind(rows, count, *loop);
        looped += loop->end - loop->start;
      }
    } else if (allDone) {
      break;
    }
  }
}
