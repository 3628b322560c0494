// Reading numbers from the engine's text files (.3dm objects, .spl paths) within a bounded buffer.
//
// The files hold numbers separated by white space (blank, tab, line feed, vertical tab, form feed,
// carriage return) and carry no terminating zero: every reader takes the buffer's end and never
// looks at or past it.
//
// A number that cannot be read yields 0 and leaves the position where it was, so every later read
// of a damaged file yields 0 as well (the files' long-standing rule).
//   Integers: optional sign, decimal digits; values beyond 32 bits are held at INT32_MIN / INT32_MAX.
//   Reals: optional sign, digits with an optional fraction (at least one digit in all), optional
//   exponent (e or E, optional sign, digits; an "e" without digits is not part of the number).
//   Decimal only: no "inf", "nan" or hexadecimal forms.
//
//   const char* p = SkipSpace(text, end);
//   int32_t n = ReadInt(&p, end);
//   p = SkipSpace(p, end);
//   double x = ReadReal(&p, end);
#pragma once
#include <cstdint>

constexpr bool IsSpace(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

// First position at or after text (and before end) whose character is not white space; end if none.
const char* SkipSpace(const char* text, const char* end);
// The same over a zero-terminated text.
const char* SkipSpace(const char* text);

// Read one number at *p; on success *p moves behind it, otherwise it stays and the result is 0.
int32_t ReadInt(const char** p, const char* end);
double ReadReal(const char** p, const char* end);
