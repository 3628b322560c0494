// The frame buffer as a drawing target.
#include "demo/engine/frame.h"

#include "runtime/video.h"

FrameTarget ScreenTarget() { return {ScreenBuffer, ScreenWidth, ScreenHeight, 0}; }
