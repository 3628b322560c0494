// The meta effect's routines, until the effect is written (delete this file with it).
#include "demo/tarvon3/placeholders.h"

TARVON_PLACEHOLDER(InitMeta)
TARVON_PLACEHOLDER(DrawMeta)
TARVON_PLACEHOLDER(FreeMeta)
