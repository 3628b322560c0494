// The checker effect's timeline routines: its set-up reads the data files, its draws the frame buffer.
#include "demo/effects/checker.h"
#include "demo/tarvon3/routines.h"

TARVON_ROUTINE(InitChecker) { SetUpChecker(argc, argv, DataFiles()); }
TARVON_ROUTINE(DrawChecker) { DrawCheckerOn(ScreenTarget(), progress); }
TARVON_ROUTINE(DrawCreditPlate) { DrawCreditPlateOn(ScreenTarget(), progress); }
TARVON_ROUTINE(FreeChecker) { FreeCheckerEffect(); }
