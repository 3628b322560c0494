// The phong effect's settings on the shared spinning object.
#include "demo/effects/phong.h"

const SpinnerKind kPhongKind = {"Phong", "DrawPhong", "FreePhong", false, "meteor4.3dm", kFillPhong, kVisibleCull, kDepthMean,
                                90.0, 2048, 0, 0, {6.283, 12.566, 18.849}, "Env Texture"};
SpinnerState PhongEffect;
