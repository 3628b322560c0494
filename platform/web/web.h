// The browser build's backends (platform/web/): what they share. Not for users of the platform.
//
// There is one real thread in a page. The extra thread of PlatStartThread is a fiber (emscripten's
// asyncify fibers): its sleeps swap back to the main thread, and the main thread runs every thread
// whose sleep has ended at each presented frame (PlatWebRunDueThreads), at its own sleeps, and when
// the virtual clock moves.
#pragma once
#include <cstdint>

// Runs every thread whose wake-up time is due at `now` of the current clock, each until it sleeps
// again or ends. Called on the main thread only.
void PlatWebRunDueThreads(uint32_t now);
// The sleep of a clock: on a thread's fiber it swaps back to the main thread until the current
// clock reaches now + ms; on the main thread it returns false and does nothing.
bool PlatWebThreadSleep(uint32_t ms);
