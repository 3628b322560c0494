// The meta effect's timeline routines: its set-up reads the data files, its draw the frame buffer.
#include "demo/effects/meta.h"
#include "demo/tarvon3/routines.h"

TARVON_ROUTINE(InitMeta) { SetUpMeta(argc, argv, DataFiles()); }
TARVON_ROUTINE(DrawMeta) { DrawMetaOn(ScreenTarget(), progress); }
TARVON_ROUTINE(FreeMeta) { FreeMetaEffect(); }
