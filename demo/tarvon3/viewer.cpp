// The effect viewer's table and its loop over the timeline's rows.
#include "demo/tarvon3/viewer.h"

#include <cstdio>
#include <cstring>

#include "demo/effects/wave.h"
#include "demo/tarvon3/options.h"
#include "demo/tarvon3/routines.h"
#include "runtime/log.h"

const ViewerEffect* ViewerChoice = nullptr;

namespace {

// Rows that draw what lies under an effect; they come with every effect whose window they share.
constexpr EffectRoutine kBackground[] = {ShowImage, ClearScreen, ShowImageCentered};

constexpr ViewerEffect kEffects[] = {
    {"checker", "the lattice meteor over the title picture", 1, 11000, {DrawChecker}, nullptr, 0},
    {"phong", "the Phong-shaded object", 10000, 30000, {DrawPhong}, nullptr, 0},
    {"sable", "the sand landscape flight", 30000, 50000, {DrawSable}, nullptr, 0},
    {"multi", "the multi-textured meteor", 50000, 70000, {DrawMulti}, nullptr, 0},
    {"light", "the light over the height map, under the foreground frame", 70000, 85000, {DrawLight, DrawTransPic}, nullptr, 0},
    {"transpic", "the foreground overlay alone", 70000, 85000, {DrawTransPic}, nullptr, 0},
    {"meta", "the metaballs with their smears", 97000, 117000, {DrawMeta, BlurScreen}, nullptr, 0},
    {"deform", "the lens deform with the credits", 117000, 153000,
     {DrawDeform, DrawCreditPlate, DrawSprite, FreeChecker, InitChecker}, nullptr, 0},
    {"cheese", "the cheese meteor with the logo flying in", 153000, 181000, {DrawCheese, DrawSprite, BlurScreen}, nullptr, 0},
    {"logo", "the closing logo", 181000, 189000, {ShowImageCentered}, nullptr, 0},
    {"transition", "the change from Phong to the sand landscape", 28000, 32000, {DrawPhong, DrawSable, Transition},
     nullptr, 0},
    {"wave", "the wave module: a picture wiped to black in the shape of its mask", 3000, 20000, {}, kWaveSequence,
     kWaveSequenceRows},
    {"checkenv", "the environment-mapped meteor (needs conf.rc: MAP MASK)", 1, 10000, {}, kCheckenvSequence,
     kCheckenvSequenceRows},
};

bool Lists(const EffectRoutine* list, int32_t n, EffectRoutine r) {
  for (int32_t i = 0; i < n && list[i]; i++)
    if (list[i] == r) return true;
  return false;
}

}  // namespace

const ViewerEffect* FindViewerEffect(const char* name) {
  for (const ViewerEffect& e : kEffects)
    if (name && strcmp(e.name, name) == 0) return &e;
  return nullptr;
}

void ListViewerEffects() {
  for (const ViewerEffect& e : kEffects) printf("  %-11s %s\n", e.name, e.about);
}

int32_t ViewerRows(const ViewerEffect& effect, EffectEntry* rows) {
  if (effect.ownRows) {
    memcpy(rows, effect.ownRows, sizeof(EffectEntry) * size_t(effect.ownCount));
    return effect.ownCount;
  }
  int32_t n = 0;
  for (int32_t i = 0; i < kTimelineRows; i++) {
    const EffectEntry& row = Timeline[i];
    const bool loading = row.end == -1 && row.start == 0 && row.routine != StartMusic;
    const bool mine = Lists(effect.routines, 6, row.routine);
    const bool background = Lists(kBackground, 3, row.routine);
    const bool inWindow = row.end == -1 ? row.start >= effect.start && row.start < effect.end
                                        : row.end > effect.start && row.start < effect.end;
    // Run-once rows of the effect before its window (a set-up the show does late) come along too.
    const bool earlySetUp = row.end == -1 && row.start > 0 && row.start < effect.start && mine;
    if (loading || earlySetUp || (inWindow && (mine || background))) rows[n++] = row;
  }
  return n;
}

void ViewEffect() {
  static EffectEntry rows[kTimelineRows + 16];
  const ViewerEffect& effect = *ViewerChoice;
  Info("Begin of the effect viewer: %s", effect.name);
  ChooseDataSource();
  OpenVideoMode();
  const int32_t n = ViewerRows(effect, rows);
  ShowSettings.startMs = effect.start;
  const TimelineLoop loop = {effect.start, effect.end};
  RunTimeline(rows, n, &loop);
  Info("End of the effect viewer");
}
