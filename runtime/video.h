// trelk: the display and the keyboard.
//
// Offers: a 320 x 200 frame buffer of 16-bit 5-6-5 pixels (red bits 15-11, green 10-5, blue 4-0),
// rows top to bottom with no gap, which every effect draws into; Flip copies it to the display once
// per pass (converting to 5-5-5 when the display is 15-bit) and returns the same pointer; GetKey takes
// the oldest typed character (signed 8-bit widened, 0 when none) from a queue of 64.
//
// The display itself is a platform presenter (platform/platform.h): SDL2 on a desktop (DirectDraw on
// Windows), the offline renderer, or the null presenter of tests.
#pragma once
#include <cstdint>

extern int32_t ScreenWidth;      // 320
extern int32_t ScreenHeight;     // 200
extern uint16_t* ScreenBuffer;

void InitVideo();
uint16_t* SetVideoMode(int32_t width, int32_t height, int32_t depth, int32_t fourth, int32_t fullScreen);
uint16_t* Flip();
int32_t GetKey();
void CloseVideo();

// The conversion Flip applies on a 15-bit display: red and green move down one bit, blue stays.
constexpr uint16_t To555(uint16_t p) { return uint16_t(((p >> 1) & 0x7FE0) | (p & 0x1F)); }
static_assert(To555(0xFFFF) == 0x7FFF && To555(0x07E0) == 0x03E0);

// The display's colour depth from its masks: the bit counts of red, green and blue added up.
int32_t DepthFromMasks(uint32_t red, uint32_t green, uint32_t blue);

// Appends a character to the key queue as the window procedure does; a full queue drops it.
void QueueKey(uint8_t c);

// True once the viewer closed the window (or the process got SIGINT / SIGTERM): the timeline ends
// the show as with space, so the music stops and the log is completed.
bool QuitRequested();
