// The transition: the sideways glitch that covers each change of effect. For the two seconds of
// its window every row of the frame (but the last) is pushed right by a random 0-99 pixels scaled
// by amp = 1 - |2p - 1|, nothing at both ends and the most in the middle. A row is written back as
// one run of pixels: its first `shift` pixels keep their old values and its last `shift` pixels
// spill into the start of the next row, which then moves again. One number of the shared
// generator is drawn per row per call.
#pragma once
#include <cstdint>

#include "demo/engine/frame.h"

void TransitionOn(const FrameTarget& target, float progress);
