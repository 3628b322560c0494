// The catalogue of effects: every effect of the show and the two that no row calls, with the
// routines that set it up, draw it and free it. The effect viewer (--effect NAME) plays what this
// table lists; --effect list prints it.
//
// An effect of the timeline is played from the timeline's own rows: those of `rows` whose window
// meets the effect's, with the rows that draw what lies under it. An effect outside the timeline
// brings its own sequence (`ownRows`), which the catalogue holds too. Where an effect plays is read
// from those rows, not written here: the window of the first row that calls rows[0], run on through
// the rows of that routine that start where the last one ended.
//
//   const CatalogueEffect* e = FindEffect("phong");   // null for an unknown name
//   TimelineLoop w = EffectWindow(*e);                 // {10000, 30000}
#pragma once
#include <cstdint>
#include <span>

#include "demo/tarvon3/tarvon3.h"

struct CatalogueEffect {
  const char* name;
  const char* about;
  EffectRoutine setUp, release;        // its set-up and free routines; null for a section of pictures only
  EffectRoutine rows[6];               // the routines of its rows (null-terminated); rows[0] draws it
  std::span<const EffectEntry> ownRows;   // an effect outside the timeline: its own sequence, else empty
};

extern const std::span<const CatalogueEffect> kCatalogue;

const CatalogueEffect* FindEffect(const char* name);   // null for an unknown name
void ListEffects();                                    // names and what they show, on stdout
// The stretch of the clock where the effect plays, from its rows (see above); {0, 0} when none.
TimelineLoop EffectWindow(const CatalogueEffect& effect);
