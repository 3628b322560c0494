// What a decoder hands back when its input is refused: the message, in the system's own words, that
// the routine which ends the program (or a tool that reports it) puts in its fatal line.
//
// Decoders never end the program themselves. They return false (or a null record, or -1) and fill a
// Failure; the routine at the edge of the library decides: LoadFile and ExtractFile call
// Fatal("%s", why.text), qvxpack prints the text, a fuzz target goes on with its next input.
//
//   bool DecodeThing(BitReader& in, Failure& why) {
//     if (in.overrun) return why.Set("GetBits(): unexpected EOF in input stream");
//     ...
//   Failure why;
//   if (!DecodeThing(in, why)) Fatal("%s", why.text);
//
// Header only, no dependencies: the sound library may use it too.
#pragma once
#include <cstdarg>
#include <cstdio>

struct Failure {
  char text[1024] = {};   // the message (fits a log line's 1024-byte buffer); empty while nothing failed

  bool Failed() const { return text[0] != 0; }
  // Formats the message in the printf convention; returns false, so that `return why.Set(...)` ends a
  // decoder that answers with a bool.
  bool Set(const char* format, ...) __attribute__((format(printf, 2, 3))) {
    va_list args;
    va_start(args, format);
    vsnprintf(text, sizeof text, format, args);
    va_end(args);
    return false;
  }
};
