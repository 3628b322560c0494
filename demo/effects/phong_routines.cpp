// The Phong effect's timeline routines: its set-up reads the data files, its draw the frame buffer.
#include "demo/effects/phong.h"
#include "demo/tarvon3/routines.h"

TARVON_ROUTINE(Phong) { SetUpPhong(argc, argv, DataFiles()); }
TARVON_ROUTINE(DrawPhong) { DrawPhongOn(ScreenTarget(), progress); }
TARVON_ROUTINE(FreePhong) { FreePhongEffect(); }
