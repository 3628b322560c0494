// The light effect's routines, until the effect is written (delete this file with it).
#include "demo/tarvon3/placeholders.h"

TARVON_PLACEHOLDER(InitLight)
TARVON_PLACEHOLDER(DrawLight)
TARVON_PLACEHOLDER(BlurScreen)
TARVON_PLACEHOLDER(FreeLight)
