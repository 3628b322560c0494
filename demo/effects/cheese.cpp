// The cheese effect's settings: the spinning object's kind and its state.
#include "demo/effects/cheese.h"

const SpinnerKind kCheeseKind = {"Cheese", "DrawCheese", "FreeCheese", true, "meteor4.3dm", kFillCheese, kVisibleBothSides, kDepthMean, 128.0,
                                 1024, 40, 20, {12.566, 25.132, 31.415000000000003}, "Mapping Texture"};
SpinnerState CheeseEffect;
