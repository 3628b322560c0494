// The cheese effect: the meteor spinning in the middle of the screen with a texture full of holes
// and a shiny highlight. Each pixel is the texture texel plus an environment texel chosen by the
// vertex normals, added channel by channel with saturation; the texture's black texels are holes
// through which the inner faces show (drawn double-sided). D = 1024, ox = 40, oy = 20, S = 128,
// depth = mean camera z; the next call's angles are p x (12.566, 25.132, 31.415).
#pragma once
#include "demo/effects/spinner.h"

extern const SpinnerKind kCheeseKind;
extern SpinnerState CheeseEffect;
