// The sand landscape's timeline routines: its set-up reads the data files, its draw the frame buffer.
#include "demo/effects/sable.h"
#include "demo/tarvon3/routines.h"

TARVON_ROUTINE(InitSable) { SetUpSable(DataFiles()); }
TARVON_ROUTINE(DrawSable) { DrawSableOn(ScreenTarget(), progress); }
TARVON_ROUTINE(FreeSable) { FreeSableEffect(); }
