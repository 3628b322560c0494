// The catalogue of effects against the timeline: every routine a row calls belongs to an effect of
// the catalogue or to the timeline's own and the image slots' routines; every effect of the show is
// set up and freed by rows of the show; the effects with sequences of their own have no row in it.
#include <gtest/gtest.h>

#include <set>

#include "demo/tarvon3/effects.h"
#include "demo/tarvon3/routines.h"

namespace {

std::set<EffectRoutine> TimelineRoutines() {
  std::set<EffectRoutine> out;
  for (const EffectEntry& row : Timeline) out.insert(row.routine);
  return out;
}

}  // namespace

TEST(Catalogue, CoversEveryRoutineOfTheTimeline) {
  std::set<EffectRoutine> known = {ClearScreen, ShowFrameNow, RestartClock, StartMusic, LoadImage,
                                   ShowImage,   AddSprite,    DrawSprite,   ShowImageCentered, FreeImages};
  for (const CatalogueEffect& e : kCatalogue) {
    known.insert(e.setUp);
    known.insert(e.release);
    for (EffectRoutine r : e.rows) known.insert(r);
  }
  for (size_t row = 0; row < Timeline.size(); row++) EXPECT_TRUE(known.count(Timeline[row].routine)) << "row " << row;
}

TEST(Catalogue, ShowEffectsAreSetUpAndFreedByTheShowAndTheOthersAreNot) {
  const std::set<EffectRoutine> used = TimelineRoutines();
  for (const CatalogueEffect& e : kCatalogue) {
    SCOPED_TRACE(e.name);
    EXPECT_EQ(FindEffect(e.name), &e);
    // The window comes from the effect's rows; the viewer loops over it, so no run-once row of the
    // loading is due again.
    const TimelineLoop window = EffectWindow(e);
    EXPECT_LE(0, window.start);
    EXPECT_LT(window.start, window.end);
    if (!e.ownRows.empty()) {
      EXPECT_FALSE(used.count(e.setUp) || used.count(e.release));
      EXPECT_EQ(e.ownRows[0].routine == e.setUp || e.ownRows[1].routine == e.setUp, true);
      continue;
    }
    ASSERT_NE(e.rows[0], nullptr);
    for (EffectRoutine r : e.rows) EXPECT_TRUE(!r || used.count(r));
    EXPECT_TRUE(!e.setUp || (used.count(e.setUp) && used.count(e.release)));
  }
  EXPECT_EQ(FindEffect("nothing"), nullptr);
  EXPECT_EQ(FindEffect(nullptr), nullptr);
}
