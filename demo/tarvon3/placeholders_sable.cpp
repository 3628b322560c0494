// The sable effect's routines, until the effect is written (delete this file with it).
#include "demo/tarvon3/placeholders.h"

TARVON_PLACEHOLDER(InitSable)
TARVON_PLACEHOLDER(DrawSable)
TARVON_PLACEHOLDER(FreeSable)
