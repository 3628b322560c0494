// Spline paths: natural cubic splines through the keys of a .spl file, up to six values per key.
//
// A .spl file is plain text: the key count N (1-49), the value count D (0-6), then N records of a
// parameter t followed by D values, keys in increasing t. Text after the last record is ignored.
//
// A SplineStore holds 50 slots in static storage (no allocation). The sprites have one store
// (SpriteSplines, images.h); the checker effect keeps one of its own. LoadSpline reads a data file
// into a slot and solves the slot's second derivatives (InitSpline); EvalSpline gives the D values
// at any parameter:
//   - t past the last key holds there (loopStart < 0) or repeats the stretch from loopStart to the
//     last key (loopStart >= 0); t before the first key extends the first segment's cubic.
//
// Limits: slot 50 or more (or negative) is refused with "InitSpline(): too many splines"; 50 keys or
// more with "LoadSpline(): too many keys"; 7 values or more with "LoadSpline(): too many data".
// ParseSpline returns the refusal to its caller; LoadSpline ends the program with it.
// Damaged paths never give NaN from a division by zero: a file with no keys loads as an empty slot
// (EvalSpline writes zeros), keys of equal t give a zero-length segment that contributes nothing,
// and a loopStart at or past the last key holds at the end.
//
//   static SplineStore path;
//   LoadSpline(&path, 0, "checker.spl");
//   double v[6];
//   EvalSpline(&path, 0, progress * 300.0, v, -1);
#pragma once
#include <cstddef>
#include <cstdint>

#include "reader/failure.h"

constexpr int32_t kSplineSlots = 50;
constexpr int32_t kSplineKeys = 50;     // room per slot; a file may give 49
constexpr int32_t kSplineValues = 7;    // room per key; a file may give 6

struct SplineKey {                       // 24 doubles
  double t;
  double y[kSplineValues];
  double diag;                           // solver work
  double h;                              // t of the next key minus this t
  double y2[kSplineValues];              // second derivatives, 0 at both ends
  double rhs[kSplineValues];             // solver work
};
static_assert(sizeof(SplineKey) == 24 * sizeof(double));

struct SplineStore {
  int32_t keyCount[kSplineSlots];
  int32_t valueCount[kSplineSlots];
  SplineKey keys[kSplineSlots][kSplineKeys];
};

// Reads .spl text into a slot (0-49) and runs InitSpline. On a refused slot or count it returns false
// with the message in why; a refused count leaves the slot empty (no keys).
bool ParseSpline(SplineStore* store, int32_t slot, const uint8_t* data, size_t size, Failure& why);

// Loads a data file into the slot: logs "Loading %s"; refusals are fatal with the messages above.
void LoadSpline(SplineStore* store, int32_t slot, const char* name);

void InitSpline(SplineStore* store, int32_t slot);
void EvalSpline(const SplineStore* store, int32_t slot, double t, double* out, int32_t loopStart);
