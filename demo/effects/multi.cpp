// The multi effect's settings on the shared spinning object.
#include "demo/effects/multi.h"

const SpinnerKind kMultiKind = {"multi", "DrawMulti", "FreeMulti", true, "meteor4.asc", kFillMulti, kVisibleCull, kDepthMean,
                                128.0, 1100, 70, -20, {6.283, 12.566, 18.849}, "Mapping Texture"};
SpinnerState MultiEffect;
