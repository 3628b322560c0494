// Screen-sized pictures in 5-6-5 for the effects that lay a whole picture on the frame (deform,
// the foreground overlay, the wave module's background).
#pragma once
#include <cstdint>

#include "runtime/picture.h"

// The picture converted to 5-6-5 at its own pixel stride (24- and 32-bit alike) into a named block
// of width x height pixels. Fatal, naming the routine and the file, unless the picture is exactly
// (exact) or at least 320 x 200 pixels and 24 or 32-bit.
uint16_t* ScreenPicture565(const Picture* p, const char* routine, const char* name, const char* label, bool exact);
