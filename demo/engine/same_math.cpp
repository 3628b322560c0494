// Double-double arithmetic (a value is hi + lo with |lo| <= half an ulp of hi) and the series of
// sin, cos and log over it. See same_math.h.
#include "demo/engine/same_math.h"

#include <cmath>
#include <limits>

// The error terms need every product rounded on its own: no fused multiply-adds. GCC contracts
// nothing in ISO mode (-std=c++20); clang needs telling.
#if defined(__clang__)
#pragma STDC FP_CONTRACT OFF
#endif

namespace {

struct DD {
  double hi, lo;
};

constexpr DD QuickTwoSum(double a, double b) {   // |a| >= |b|
  const double s = a + b;
  return {s, b - (s - a)};
}

constexpr DD TwoSum(double a, double b) {
  const double s = a + b;
  const double bb = s - a;
  return {s, (a - (s - bb)) + (b - bb)};
}

constexpr DD Split(double a) {   // Dekker's split into two halves of 26 bits
  const double t = 134217729.0 * a;
  const double hi = t - (t - a);
  return {hi, a - hi};
}

constexpr DD TwoProduct(double a, double b) {
  const double p = a * b;
  const DD x = Split(a), y = Split(b);
  return {p, ((x.hi * y.hi - p) + x.hi * y.lo + x.lo * y.hi) + x.lo * y.lo};
}

constexpr DD Add(DD a, DD b) {
  DD s = TwoSum(a.hi, b.hi);
  const DD t = TwoSum(a.lo, b.lo);
  s = QuickTwoSum(s.hi, s.lo + t.hi);
  return QuickTwoSum(s.hi, s.lo + t.lo);
}

constexpr DD Mul(DD a, DD b) {
  const DD p = TwoProduct(a.hi, b.hi);
  return QuickTwoSum(p.hi, p.lo + (a.hi * b.lo + a.lo * b.hi));
}

constexpr DD Neg(DD a) { return {-a.hi, -a.lo}; }

constexpr DD Div(DD a, DD b) {
  const double q1 = a.hi / b.hi;
  DD r = Add(a, Neg(Mul(b, {q1, 0.0})));
  const double q2 = r.hi / b.hi;
  r = Add(r, Neg(Mul(b, {q2, 0.0})));
  const double q3 = r.hi / b.hi;
  return Add(QuickTwoSum(q1, q2), {q3, 0.0});
}

// Series coefficients, made by the compiler with the same arithmetic.
constexpr int kSinTerms = 15;   // (pi/4)^31 / 31! < 2^-120
constexpr int kLogTerms = 24;   // 0.1716^48 / 49 < 2^-120

struct Series {
  DD sin[kSinTerms];   // (-1)^i / (2i + 1)!
  DD cos[kSinTerms];   // (-1)^i / (2i)!
  DD log[kLogTerms];   // 1 / (2i + 1)
};

constexpr Series MakeSeries() {
  Series s{};
  DD factorial = {1.0, 0.0};   // n!
  for (int n = 0; n < 2 * kSinTerms; n++) {
    if (n > 0) factorial = Mul(factorial, {double(n), 0.0});
    const DD term = Div({(n / 2) % 2 ? -1.0 : 1.0, 0.0}, factorial);
    if (n % 2) s.sin[n / 2] = term;
    else s.cos[n / 2] = term;
  }
  for (int i = 0; i < kLogTerms; i++) s.log[i] = Div({1.0, 0.0}, {double(2 * i + 1), 0.0});
  return s;
}

constexpr Series kSeries = MakeSeries();

DD Horner(const DD* c, int n, DD z) {
  DD p = c[n - 1];
  for (int i = n - 2; i >= 0; i--) p = Add(Mul(p, z), c[i]);
  return p;
}

// pi/2 in four parts; each of the first three has 33 bits, so k times it is exact for |k| < 2^20.
constexpr double kHalfPi1 = 0x1.921fb544p+0;
constexpr double kHalfPi2 = 0x1.0b4611a6p-34;
constexpr double kHalfPi3 = 0x1.3198a2ep-69;
constexpr double kHalfPi4 = 0x1.b839a252049c1p-104;
constexpr double kTwoOverPi = 0x1.45f306dc9c883p-1;
constexpr DD kLn2 = {0x1.62e42fefa39efp-1, 0x1.abc9e3b39803fp-56};

// x = k pi/2 + r with |r| <= about pi/4; returns r and the quadrant k mod 4.
DD Reduce(double x, int* quadrant) {
  const double k = std::floor(x * kTwoOverPi + 0.5);
  DD r = {x - k * kHalfPi1, 0.0};   // exact: x and k pi/2 lie within a factor 2 of each other
  r = Add(r, {-k * kHalfPi2, 0.0});
  r = Add(r, {-k * kHalfPi3, 0.0});
  r = Add(r, {-k * kHalfPi4, 0.0});
  *quadrant = int(std::fmod(k, 4.0) + 4.0) & 3;
  return r;
}

DD SinOf(DD r) { return Mul(r, Horner(kSeries.sin, kSinTerms, Mul(r, r))); }
DD CosOf(DD r) { return Horner(kSeries.cos, kSinTerms, Mul(r, r)); }

// Rounds once: hi is the nearest double to hi + lo.
double Round(DD a) { return a.hi + a.lo; }

}  // namespace

double SameSin(double x) {
  if (!std::isfinite(x)) return x - x;
  if (x == 0.0) return x;
  int q = 0;
  const DD r = Reduce(x, &q);
  const DD v = q & 1 ? CosOf(r) : SinOf(r);
  return Round(q & 2 ? Neg(v) : v);
}

double SameCos(double x) {
  if (!std::isfinite(x)) return x - x;
  int q = 0;
  const DD r = Reduce(x, &q);
  const DD v = q & 1 ? SinOf(r) : CosOf(r);
  return Round(q == 1 || q == 2 ? Neg(v) : v);
}

double SameLog(double x) {
  if (std::isnan(x) || x < 0.0) return std::numeric_limits<double>::quiet_NaN();
  if (x == 0.0) return -std::numeric_limits<double>::infinity();
  if (std::isinf(x)) return x;
  // x = m 2^e with m in [sqrt(1/2), sqrt(2)); log m = 2 atanh(s), s = (m - 1) / (m + 1).
  int e = 0;
  double m = std::frexp(x, &e);
  if (m < 0x1.6a09e667f3bcdp-1) {
    m *= 2.0;
    e--;
  }
  const DD s = Div({m - 1.0, 0.0}, TwoSum(m, 1.0));   // m - 1 is exact for m in [1/2, 2]
  const DD atanh = Mul(s, Horner(kSeries.log, kLogTerms, Mul(s, s)));
  return Round(Add(Mul({double(e), 0.0}, kLn2), Add(atanh, atanh)));
}

double SamePowInt(double x, int32_t n) {
  DD result = {1.0, 0.0}, power = {x, 0.0};
  for (uint32_t k = n < 0 ? 0u - uint32_t(n) : uint32_t(n); k; k >>= 1) {
    if (k & 1) result = Mul(result, power);
    power = Mul(power, power);
  }
  return Round(n < 0 ? Div({1.0, 0.0}, result) : result);
}
