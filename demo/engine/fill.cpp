// The filler table: each filler is the shared scan converter with its parameters and pixel.
#include "demo/engine/fill.h"

#include "demo/engine/fill_pixels.h"
#include "demo/engine/fill_scan.h"

namespace {

template <bool Plane, int Coords, bool EnvPair, bool CheckerClip, class Pixel>
void Run(const Pixel& pixel, const PolyVertex* polygon, int32_t n, const FrameTarget& target) {
  fillscan::Scan<Plane, Coords, EnvPair, CheckerClip, Pixel> scan(pixel, target);
  scan.Fill(polygon, n);
}

}  // namespace

int32_t FillPolygon(Filler filler, const PolyVertex* polygon, int32_t n, const FillMaps& maps,
                    const FrameTarget& target) {
  using namespace fillpixel;
  const bool single = maps.map16 != nullptr;
  const bool pair = maps.texture != nullptr && maps.env != nullptr;
  switch (filler) {
    case kFillChecker:
      if (single) Run<true, 2, false, true>(KeyedCopy{maps.map16}, polygon, n, target);
      break;
    case kFillCheckenv:
      if (single) Run<true, 2, true, false>(KeyedCopy{maps.map16}, polygon, n, target);
      break;
    case kFillMeta:
      if (single) Run<true, 2, true, false>(PlainCopy{maps.map16}, polygon, n, target);
      break;
    case kFillCheese:
      if (pair) Run<false, 4, false, false>(KeyedSaturatingSum{maps.texture, maps.env}, polygon, n, target);
      break;
    case kFillPhong:
      if (pair) Run<false, 4, false, false>(Saturating{maps.texture, maps.env}, polygon, n, target);
      break;
    case kFillMulti:
      if (pair) Run<false, 4, false, false>(Mean{maps.texture, maps.env}, polygon, n, target);
      break;
  }
  return 1;
}

const char* FillerName(Filler filler) {
  static constexpr const char* kNames[kFillerCount] = {"checker", "checkenv", "meta", "cheese", "phong", "multi"};
  return uint32_t(filler) < uint32_t(kFillerCount) ? kNames[filler] : "unknown";
}
