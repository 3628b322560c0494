// The cheese effect's settings and its timeline routines.
#include "demo/effects/cheese.h"

#include "demo/tarvon3/routines.h"

const SpinnerKind kCheeseKind = {"Cheese", "DrawCheese", "FreeCheese", true, "meteor4.3dm", kFillCheese, kVisibleBothSides, kDepthMean, 128.0,
                                 1024, 40, 20, {12.566, 25.132, 31.415000000000003}, "Mapping Texture"};
SpinnerState CheeseEffect;

TARVON_ROUTINE(Cheese) { SetUpSpinner(CheeseEffect, kCheeseKind, argc, argv, DataFiles()); }
TARVON_ROUTINE(DrawCheese) { DrawSpinnerOn(CheeseEffect, kCheeseKind, ScreenTarget(), progress); }
TARVON_ROUTINE(FreeCheese) { FreeSpinner(CheeseEffect, kCheeseKind); }
