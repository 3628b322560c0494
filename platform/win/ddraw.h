// The DirectDraw presenter's hooks for tests: a fault put in place of the next DirectDraw calls of a
// step (the presenter maps its error code as it maps DirectDraw's own), and counts of what it did.
#pragma once
#include <cstdint>

enum PlatDdrawStep : int32_t { PLAT_DDRAW_LOCK, PLAT_DDRAW_UNLOCK, PLAT_DDRAW_PRESENT };
enum PlatDdrawFault : int32_t {
  PLAT_DDRAW_SURFACE_BUSY,    // DDERR_SURFACEBUSY
  PLAT_DDRAW_STILL_DRAWING,   // DDERR_WASSTILLDRAWING
  PLAT_DDRAW_SURFACE_LOST,    // DDERR_SURFACELOST
};

// The next `times` calls of `step` fail with `fault` instead of reaching DirectDraw.
void PlatDdrawInjectFault(PlatDdrawStep step, PlatDdrawFault fault, int32_t times);

struct PlatDdrawCounts {
  int32_t shown;      // frames flipped or blitted to the screen
  int32_t restores;   // surfaces brought back
};
PlatDdrawCounts PlatDdrawGetCounts();
