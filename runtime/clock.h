// trelk: the demo clock, milliseconds since a base that the program sets.
//
// The reading is the platform timer minus the base as an unsigned 32-bit difference, handed out as a
// signed 32-bit number: the timer's wrap-around after 2^32 ms does not disturb it, and after a
// backward shift the reading can be negative.
#pragma once
#include <cstdint>

uint32_t StartClock();             // base = timer; the clock reads 0 from now on
void ShiftClock(int32_t ms);       // positive moves forwards, negative backwards
int32_t GetClock();
