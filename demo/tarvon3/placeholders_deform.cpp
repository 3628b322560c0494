// The deform effect's routines, until the effect is written (delete this file with it).
#include "demo/tarvon3/placeholders.h"

TARVON_PLACEHOLDER(InitDeform)
TARVON_PLACEHOLDER(DrawDeform)
TARVON_PLACEHOLDER(FreeDeform)
