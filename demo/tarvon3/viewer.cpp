// The effect viewer: the rows it plays for an effect of the catalogue, and its loop over them.
#include "demo/tarvon3/viewer.h"

#include <vector>

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

std::vector<EffectEntry> ViewerRows(const CatalogueEffect& effect) {
  if (!effect.ownRows.empty()) return {effect.ownRows.begin(), effect.ownRows.end()};
  const TimelineLoop window = EffectWindow(effect);
  std::vector<EffectEntry> rows;
  for (const EffectEntry& row : Timeline) {
    const bool loading = row.end == -1 && row.start == 0 && row.routine != StartMusic;
    const bool mine = Lists(effect.rows, 6, row.routine);
    const bool background = Lists(kBackground, 3, row.routine);
    const bool inWindow = row.end == -1 ? row.start >= window.start && row.start < window.end
                                        : row.end > window.start && row.start < window.end;
    // Run-once rows of the effect before its window (a set-up the show does late) come along too.
    const bool earlySetUp = row.end == -1 && row.start > 0 && row.start < window.start && mine;
    if (loading || earlySetUp || (inWindow && (mine || background))) rows.push_back(row);
  }
  return rows;
}

void ViewEffect() {
  const CatalogueEffect& effect = *ViewerChoice;
  Info("Begin of the effect viewer: %s", effect.name);
  ChooseDataSource();
  OpenVideoMode();
  const std::vector<EffectEntry> rows = ViewerRows(effect);
  const TimelineLoop loop = EffectWindow(effect);
  ShowSettings.startMs = loop.start;
  RunTimeline(rows, &loop);
  Info("End of the effect viewer");
}
