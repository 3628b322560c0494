// The checker effect's routines, until the effect is written (delete this file with it).
#include "demo/tarvon3/placeholders.h"

TARVON_PLACEHOLDER(InitChecker)
TARVON_PLACEHOLDER(DrawChecker)
TARVON_PLACEHOLDER(DrawCreditPlate)
TARVON_PLACEHOLDER(FreeChecker)
