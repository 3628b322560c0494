// LoadSpline: a data file through the spline parser, with the loader's fatal limits.
#include "demo/engine/spline.h"
#include "runtime/files.h"
#include "runtime/log.h"

void LoadSpline(SplineStore* store, int32_t slot, const char* name) {
  if (slot < 0 || slot >= kSplineSlots) Fatal("InitSpline(): too many splines");
  Info("Loading %s", name);
  int32_t size = 0;
  uint8_t* bytes = (uint8_t*)LoadFileSized(name, nullptr, &size);
  Failure why;
  const bool parsed = ParseSpline(store, slot, bytes, size > 0 ? size_t(size) : 0, why);
  UnloadFile(bytes);
  if (!parsed) Fatal("%s", why.text);
}
