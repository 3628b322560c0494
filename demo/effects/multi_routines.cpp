// The multi effect's timeline routines: its set-up reads the data files, its draw the frame buffer.
#include "demo/effects/multi.h"
#include "demo/tarvon3/routines.h"

TARVON_ROUTINE(multi) { SetUpMulti(argc, argv, DataFiles()); }
TARVON_ROUTINE(DrawMulti) { DrawMultiOn(ScreenTarget(), progress); }
TARVON_ROUTINE(FreeMulti) { FreeMultiEffect(); }
