// The effect viewer: one effect of the show played in a loop, with the show's pictures.
//
// For an effect of the timeline, the viewer loads what the show loads, then plays the effect's rows
// (and the rows that draw its background) over its window of the show's clock, again and again.
// An effect that no row calls brings its own sequence of rows. The music is not played.
//
//   tarvon3 --effect phong --window
#pragma once
#include <cstdint>

#include "demo/tarvon3/tarvon3.h"

struct ViewerEffect {
  const char* name;
  const char* about;
  int32_t start, end;               // the stretch of the show's clock that loops
  EffectRoutine routines[6];        // the effect's rows in the timeline (null-terminated)
  const EffectEntry* ownRows;       // an effect outside the timeline: its own rows, else null
  int32_t ownCount;
};

const ViewerEffect* FindViewerEffect(const char* name);   // null for an unknown name
void ListViewerEffects();                                // names and what they show, on stdout

// Builds the rows the viewer plays for an effect into rows (room for kTimelineRows + 16); returns
// their number. Exposed for tests.
int32_t ViewerRows(const ViewerEffect& effect, EffectEntry* rows);

// The viewer's main routine, for TrelkEntry: plays ViewerChoice until a key ends it.
extern const ViewerEffect* ViewerChoice;
void ViewEffect();
