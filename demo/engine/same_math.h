// Sine, cosine, logarithm and integer powers that give the same bits on every system.
//
// The C libraries differ in the last bits of sin, cos, log and pow (mingw-w64's sin and cos by up
// to 67 units in the last place against glibc's), and a frame that rotates an object or builds a
// shading table from them would differ with them. These routines use only +, -, *, / and frexp on
// doubles, in a fixed order, so IEEE doubles give the same result everywhere (the 32-bit x86
// build computes on SSE2, and nothing here may be contracted into fused multiply-adds). Each works
// in double-double arithmetic (about 104 bits) and rounds once at the end, so its result is the
// correctly rounded one: glibc's result too wherever glibc rounds correctly (it misses by one unit
// in about 0.1 % of arguments; the show's frames are the same with either).
//
//   SameSin(x), SameCos(x)   x in radians; correctly rounded for |x| < 1.6e6 (beyond, the
//                            argument reduction loses bits; still the same bits everywhere)
//   SameLog(x)               natural logarithm, x > 0 (0 gives -inf, below 0 NaN)
//   SamePowInt(x, n)         x to the integer power n
//
//   double s = SameSin(angle);
#pragma once
#include <cstdint>

double SameSin(double x);
double SameCos(double x);
double SameLog(double x);
double SamePowInt(double x, int32_t n);
