// The demo tarvon3: Main and its timeline.
#pragma once
#include <cstdint>

using EffectRoutine = void (*)(float progress, int32_t argc, char** argv);

struct EffectEntry {
  int32_t start;          // ms of the demo clock; a row starts strictly after it
  int32_t end;            // -1: the row runs once
  EffectRoutine routine;
  const char* parameter;  // split into words before each call; null: argc/argv as last split
  int32_t done;
};

void Main();
