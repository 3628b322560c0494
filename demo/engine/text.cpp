// Bounded white-space skipping and number reading for the engine's text files.
#include "demo/engine/text.h"

#include <cstdlib>
#include <cstring>
#include <string>

namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

}  // namespace

const char* SkipSpace(const char* text, const char* end) {
  while (text < end && IsSpace(*text)) text++;
  return text;
}

const char* SkipSpace(const char* text) {
  while (*text && IsSpace(*text)) text++;
  return text;
}

int32_t ReadInt(const char** p, const char* end) {
  const char* q = *p;
  bool negative = false;
  if (q < end && (*q == '+' || *q == '-')) negative = *q++ == '-';
  if (q >= end || !IsDigit(*q)) return 0;
  int64_t value = 0;
  while (q < end && IsDigit(*q)) {
    if (value <= 2147483648LL) value = value * 10 + (*q - '0');
    q++;
  }
  if (negative) value = -value;
  if (value > 2147483647LL) value = 2147483647LL;
  if (value < -2147483648LL) value = -2147483648LL;
  *p = q;
  return int32_t(value);
}

double ReadReal(const char** p, const char* end) {
  const char* start = *p;
  const char* q = start;
  if (q < end && (*q == '+' || *q == '-')) q++;
  int digits = 0;
  while (q < end && IsDigit(*q)) { q++; digits++; }
  if (q < end && *q == '.') {
    q++;
    while (q < end && IsDigit(*q)) { q++; digits++; }
  }
  if (digits == 0) return 0.0;
  if (q < end && (*q == 'e' || *q == 'E')) {
    const char* e = q + 1;
    if (e < end && (*e == '+' || *e == '-')) e++;
    if (e < end && IsDigit(*e)) {
      while (e < end && IsDigit(*e)) e++;
      q = e;
    }
  }
  // The token is complete and well formed: convert a terminated copy of it.
  size_t length = size_t(q - start);
  double value;
  char small[128];
  if (length < sizeof small) {
    memcpy(small, start, length);
    small[length] = 0;
    value = strtod(small, nullptr);
  } else {
    std::string copy(start, length);
    value = strtod(copy.c_str(), nullptr);
  }
  *p = q;
  return value;
}
