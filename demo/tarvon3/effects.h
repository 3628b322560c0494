// The catalogue of effects: every effect of the show and the two that no row calls, with the
// routines that set it up, draw it and free it, and where on the show's clock it plays. The effect
// viewer (--effect NAME) plays what this table lists; --effect list prints it.
//
// An effect of the timeline is played from the timeline's own rows: those of `rows` whose window
// meets [start, end), with the rows that draw what lies under it. An effect outside the timeline
// brings its own sequence (`ownRows`), which the catalogue holds too.
//
//   const CatalogueEffect* e = FindEffect("phong");   // null for an unknown name
#pragma once
#include <cstdint>

#include "demo/tarvon3/tarvon3.h"

struct CatalogueEffect {
  const char* name;
  const char* about;
  EffectRoutine setUp, release;   // its set-up and free routines; null for a section of pictures only
  int32_t start, end;             // the stretch of the show's clock where it plays
  EffectRoutine rows[6];          // the routines of its rows in the timeline (null-terminated)
  const EffectEntry* ownRows;     // an effect outside the timeline: its own sequence, else null
  int32_t ownCount;
};

constexpr int32_t kCatalogueSize = 13;
extern const CatalogueEffect kCatalogue[kCatalogueSize];

const CatalogueEffect* FindEffect(const char* name);   // null for an unknown name
void ListEffects();                                    // names and what they show, on stdout
