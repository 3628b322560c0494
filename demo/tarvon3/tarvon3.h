// The demo tarvon3: Main and its timeline.
//
// Main chooses the data source, opens the 320 x 200 16-bit mode, loads the music and runs the
// Timeline: a constant table of rows, each a routine, a window of the demo clock and a parameter
// text. Every pass reads the clock once, calls each due row with the fraction of its window that has
// passed, shows the frame and takes one key (space ends the show; "*", "+", "-", "/" seek by +5, +1,
// -1, -5 s). What changes while the show runs (which rows are done, and each row's words, split once
// from its text) belongs to the loop, RunTimeline, not to the table.
//
//   RunTimeline(Timeline);   // Main's loop; Timeline.size() is the number of rows
#pragma once
#include <cstdint>
#include <span>

using EffectRoutine = void (*)(float progress, int32_t argc, char** argv);

struct EffectEntry {
  int32_t start;          // ms of the demo clock; a row starts strictly after it
  int32_t end;            // -1: the row runs once
  EffectRoutine routine;
  const char* parameter;  // its words are split once; null: argc/argv as the last row with text had them
};

extern const std::span<const EffectEntry> Timeline;

void Main();

// Main's first steps, shared with the effect viewer: "data.qvx" when it exists in the current
// directory, else "data/"; then the 320 x 200 16-bit mode into ScreenBuffer.
void ChooseDataSource();
void OpenVideoMode();

// A stretch of the clock played over and over (the effect viewer): once a pass reads `end` or
// more, the clock goes back by end - start and the windowed rows inside the stretch are due again.
struct TimelineLoop {
  int32_t start, end;
};

// The main loop over rows (Main's steps from clearing the done flags to leaving the loop). With a
// loop it ends only by a key, a close request or the --to limit.
void RunTimeline(std::span<const EffectEntry> rows, const TimelineLoop* loop = nullptr);

// Called before each routine call with the row's index, for tests and tracing; null by default.
extern void (*TimelineObserver)(int32_t row, float progress, int32_t argc, char** argv);
