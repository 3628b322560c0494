// SplitParameters and the reading of numbers from words.
#include "runtime/params.h"

#include <cstdlib>
#include <cstring>

#include "runtime/log.h"

void SplitParameters(const char* text, int32_t* count, char** vector) {
  static char buffer[1024];
  // The assertion names the line, the source and the condition of the demo's main module, as its
  // log has always read.
  if (!text) Fatal("Assert failed line %d of \"%s\": \"%s\"", 505, "tarvon3.cpp", "String!=NULL");
  strncpy(buffer, text, sizeof buffer - 1);
  buffer[sizeof buffer - 1] = 0;
  int32_t n = 0;
  char* save = nullptr;
  vector[n] = strtok_r(buffer, " ", &save);
  // The callers' vectors hold 100 entries: words past the 99th are left out rather than written
  // past the vector.
  while (vector[n]) {
    n++;
    vector[n] = n < 99 ? strtok_r(nullptr, " ", &save) : nullptr;
  }
  *count = n;
}

int32_t WordToInt(const char* word) { return word ? int32_t(strtol(word, nullptr, 10)) : 0; }
