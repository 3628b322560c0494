// Natural cubic splines: parsing, the tridiagonal solve and evaluation.
#include "demo/engine/spline.h"

#include <cmath>

#include "demo/engine/text.h"
#include "runtime/log.h"

namespace {

constexpr const char* kTooManySplines = "InitSpline(): too many splines";

void CheckSlot(int32_t slot) {
  if (slot < 0 || slot >= kSplineSlots) Fatal("%s", kTooManySplines);
}

// Quotient that a zero-length segment (h = 0) turns into 0 instead of an infinity.
double Over(double a, double h) { return h != 0.0 ? a / h : 0.0; }

}  // namespace

bool ParseSpline(SplineStore* store, int32_t slot, const uint8_t* data, size_t size, Failure& why) {
  if (slot < 0 || slot >= kSplineSlots) return why.Set(kTooManySplines);
  const char* p = reinterpret_cast<const char*>(data);
  const char* end = p + (data ? size : 0);
  p = SkipSpace(p, end);
  int32_t n = ReadInt(&p, end);
  if (n >= kSplineKeys) {
    store->keyCount[slot] = 0;
    return why.Set("LoadSpline(): too many keys");
  }
  p = SkipSpace(p, end);
  int32_t d = ReadInt(&p, end);
  if (d >= kSplineValues) {
    store->keyCount[slot] = 0;
    return why.Set("LoadSpline(): too many data");
  }
  if (n < 0) n = 0;
  if (d < 0) d = 0;
  store->keyCount[slot] = n;
  store->valueCount[slot] = d;
  SplineKey* keys = store->keys[slot];
  for (int32_t k = 0; k < n; k++) {
    p = SkipSpace(p, end);
    keys[k].t = ReadReal(&p, end);
    for (int32_t j = 0; j < d; j++) {
      p = SkipSpace(p, end);
      keys[k].y[j] = ReadReal(&p, end);
    }
  }
  InitSpline(store, slot);
  return true;
}

void InitSpline(SplineStore* store, int32_t slot) {
  CheckSlot(slot);
  const int32_t n = store->keyCount[slot];
  const int32_t d = store->valueCount[slot];
  SplineKey* k = store->keys[slot];
  if (n <= 0) return;
  for (int32_t i = 1; i <= n - 2; i++) k[i].diag = 2.0 * (k[i + 1].t - k[i - 1].t);
  for (int32_t i = 0; i <= n - 2; i++) k[i].h = k[i + 1].t - k[i].t;
  for (int32_t j = 0; j < d; j++)
    for (int32_t i = 1; i <= n - 2; i++)
      k[i].rhs[j] = (Over(k[i + 1].y[j] - k[i].y[j], k[i].h) - Over(k[i].y[j] - k[i - 1].y[j], k[i - 1].h)) * 6.0;
  for (int32_t j = 0; j < d; j++) {
    k[0].y2[j] = 0.0;
    k[n - 1].y2[j] = 0.0;
  }
  for (int32_t i = 1; i <= n - 3; i++) {
    for (int32_t j = 0; j < d; j++) k[i + 1].rhs[j] = k[i + 1].rhs[j] - Over(k[i].rhs[j] * k[i].h, k[i].diag);
    k[i + 1].diag = k[i + 1].diag - Over(k[i].h * k[i].h, k[i].diag);
  }
  for (int32_t j = 0; j < d; j++)
    for (int32_t i = n - 2; i >= 1; i--) k[i].y2[j] = Over(k[i].rhs[j] - k[i].h * k[i + 1].y2[j], k[i].diag);
}

void EvalSpline(const SplineStore* store, int32_t slot, double t, double* out, int32_t loopStart) {
  CheckSlot(slot);
  const int32_t n = store->keyCount[slot];
  const int32_t d = store->valueCount[slot];
  const SplineKey* k = store->keys[slot];
  if (n <= 0) {
    for (int32_t j = 0; j < d; j++) out[j] = 0.0;
    return;
  }
  const double last = k[n - 1].t;
  if (t > last) {
    const double start = double(loopStart);
    const double period = last - start;
    if (loopStart >= 0 && period > 0.0) {
      const double q = (t - start) / period;
      t = (q * period + start) - std::trunc(q) * period;
    } else {
      t = last;
    }
  }
  if (n == 1) {
    for (int32_t j = 0; j < d; j++) out[j] = k[0].y[j];
    return;
  }
  int32_t i = 0;
  while (t > k[i + 1].t && i < n - 2) i++;
  const double h = k[i].h;
  const double b = Over(t - k[i].t, h);
  const double a = 1.0 - b;
  const double A = a * a * a - a;
  const double B = b * b * b - b;
  for (int32_t j = 0; j < d; j++)
    out[j] = (A * k[i].y2[j] + B * k[i + 1].y2[j]) * h * h * 0.16666666666666666 + b * k[i + 1].y[j] + a * k[i].y[j];
}
