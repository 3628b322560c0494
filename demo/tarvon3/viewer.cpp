// The effect viewer: the rows it plays for an effect of the catalogue, and its loop over them.
#include "demo/tarvon3/viewer.h"

#include <cstring>

#include "demo/tarvon3/options.h"
#include "demo/tarvon3/routines.h"
#include "runtime/log.h"

const CatalogueEffect* ViewerChoice = nullptr;

namespace {

// Rows that draw what lies under an effect; they come with every effect whose window they share.
constexpr EffectRoutine kBackground[] = {ShowImage, ClearScreen, ShowImageCentered};

bool Lists(const EffectRoutine* list, int32_t n, EffectRoutine r) {
  for (int32_t i = 0; i < n && list[i]; i++)
    if (list[i] == r) return true;
  return false;
}

}  // namespace

int32_t ViewerRows(const CatalogueEffect& effect, EffectEntry* rows) {
  if (effect.ownRows) {
    memcpy(rows, effect.ownRows, sizeof(EffectEntry) * size_t(effect.ownCount));
    return effect.ownCount;
  }
  int32_t n = 0;
  for (int32_t i = 0; i < kTimelineRows; i++) {
    const EffectEntry& row = Timeline[i];
    const bool loading = row.end == -1 && row.start == 0 && row.routine != StartMusic;
    const bool mine = Lists(effect.rows, 6, row.routine);
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
  const CatalogueEffect& effect = *ViewerChoice;
  Info("Begin of the effect viewer: %s", effect.name);
  ChooseDataSource();
  OpenVideoMode();
  const int32_t n = ViewerRows(effect, rows);
  ShowSettings.startMs = effect.start;
  const TimelineLoop loop = {effect.start, effect.end};
  RunTimeline(rows, n, &loop);
  Info("End of the effect viewer");
}
