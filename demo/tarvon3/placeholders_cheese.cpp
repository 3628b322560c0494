// The cheese effect's routines, until the effect is written (delete this file with it).
#include "demo/tarvon3/placeholders.h"

TARVON_PLACEHOLDER(Cheese)
TARVON_PLACEHOLDER(DrawCheese)
TARVON_PLACEHOLDER(FreeCheese)
