// Polygon fillers: affine texture-mapped scan conversion into a 16-bit 5-6-5 target.
//
// Every filler walks two edge chains down from the top vertex in 16.16 fixed point and fills each
// row's span from maps addressed 256 texels wide: texel (iu, iv) is at (iv & 255) * 256 + (iu & 255),
// so every map must hold 256 x 256 texels. The six fillers of the demo differ only in parameters:
//
//   filler          scheme  coordinates      maps                       pixel
//   kFillChecker    A       u, v             map16 (0 = transparent)    keyed copy
//   kFillCheckenv   A       eu, ev           map16 (0 = transparent)    keyed copy
//   kFillMeta       A       eu, ev           map16                      plain copy
//   kFillCheese     B       u, v, eu, ev     texture + env, packed      keyed saturating sum
//   kFillPhong      B       u, v, eu, ev     texture + env, packed      saturating sum
//   kFillMulti      B       u, v, eu, ev     texture + env, packed      mean
//
// Scheme A (plane gradients): the span coordinates at each row's left end follow the polygon's
// plane; the checker filler also rejects polygons wholly off one side, moves its top to row 0 and
// clips spans with its own long-standing formulas, and breaks top-vertex ties by the smaller x.
// Scheme B (edge interpolation): every coordinate is interpolated along the left edge.
// Span coordinates: u and eu in 16.16, v and ev in 24.8; both wrap to 0-255 (fixed.h, MapIndex).
//
// What every filler guarantees, whatever the polygon:
//   - it writes only inside target (rows 0..height-1, columns 0..width-1) and reads only texels
//     0-65535 of its maps; pixels on the target are those the unclipped scan would give there;
//   - a polygon with a non-finite coordinate, fewer than 3 or more than kMaxPolygonVertices
//     vertices, or a missing map draws nothing; gradients and edge values outside 32 bits are 0;
//   - a polygon whose top edge is horizontal is filled (each chain starts at its own top vertex).
// Polygons arrive clockwise on the screen (y down); counter-clockwise ones fill nothing.
//
//   PolyVertex polygon[3];                      // filled by DrawFaces (pipeline.h)
//   FillMaps maps = {texture16, nullptr, nullptr};
//   FillPolygon(kFillChecker, polygon, 3, maps, ScreenTarget());
#pragma once
#include <cstdint>

#include "demo/engine/frame.h"

struct PolyVertex {
  double x, y;      // screen position in pixels
  double u, v;      // texture coordinates in texels
  double eu, ev;    // environment coordinates in texels
};

enum Filler : int32_t {
  kFillChecker = 0,
  kFillCheckenv = 1,
  kFillMeta = 2,
  kFillCheese = 3,
  kFillPhong = 4,
  kFillMulti = 5,
};
constexpr int32_t kFillerCount = 6;
constexpr int32_t kMaxPolygonVertices = 16;

struct FillMaps {
  const uint16_t* map16;      // scheme A: 65536 texels of 5-6-5
  const uint32_t* texture;    // scheme B: 65536 packed texels
  const uint32_t* env;        // scheme B: 65536 packed texels
};

// Fills the polygon of n vertices with the given filler. Returns 1.
int32_t FillPolygon(Filler filler, const PolyVertex* polygon, int32_t n, const FillMaps& maps,
                    const FrameTarget& target);

// "checker", "checkenv", "meta", "cheese", "phong", "multi".
const char* FillerName(Filler filler);
