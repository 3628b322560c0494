// The effect viewer: one effect of the catalogue played in a loop, with the show's pictures.
//
// For an effect of the timeline, the viewer loads what the show loads, then plays the effect's rows
// (and the rows that draw its background) over its window of the show's clock, again and again.
// An effect that no row calls brings its own sequence of rows. The music is not played.
//
//   tarvon3 --effect phong --window
#pragma once
#include <cstdint>
#include <vector>

#include "demo/tarvon3/effects.h"

// The rows the viewer plays for an effect. Exposed for tests.
std::vector<EffectEntry> ViewerRows(const CatalogueEffect& effect);

// The viewer's main routine, for TrelkEntry: plays ViewerChoice until a key ends it.
extern const CatalogueEffect* ViewerChoice;
void ViewEffect();
