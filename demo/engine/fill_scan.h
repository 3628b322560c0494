// The one scan converter behind every filler (fill.h), parameterised at compile time:
//   Plane      true: scheme A (left-edge coordinates from the plane gradients);
//              false: scheme B (every coordinate interpolated along the left edge)
//   Coords     2 (one map pair) or 4 (u, v, eu, ev)
//   EnvPair    scheme A only: take eu, ev from the records instead of u, v
//   CheckerClip  the checker's own clipping: trivial rejection, top moved to row 0, left clip by
//              its formula, top-vertex ties broken by the smaller x
//   Pixel      a pixel combination of fill_pixels.h
// Without CheckerClip, rows above the target are stepped over in one jump and spans are cut at
// both sides with the coordinates advanced exactly as the per-pixel steps would have: the pixels
// on the target are the ones the unclipped scan writes there.
//
// Sections: vertex intake and gradients; top vertex and chains; edges; rows and spans.
#pragma once
#include <cmath>
#include <cstdint>

#include "demo/engine/fill.h"
#include "demo/engine/fixed.h"

namespace fillscan {

struct Vert {
  double x, y;
  double c[4];
};

template <int Coords>
struct LeftEdge {
  int32_t x, xstep;
  int32_t c[Coords], cstep[Coords];
};
struct RightEdge {
  int32_t x, xstep;
};

// The span loops: small functions of their own, so that every coordinate, step and map pointer
// stays in a register for the whole span.
template <class Pixel>
[[gnu::noinline]] void SpanLoop2(const Pixel pixel, uint16_t* d, int32_t count, uint32_t u, uint32_t v, uint32_t du,
                                 uint32_t dv) {
  for (int32_t x = 0; x < count; x++) {
    d[x] = pixel(d[x], u, v, 0, 0);
    u += du;
    v += dv;
  }
}

template <class Pixel>
[[gnu::noinline]] void SpanLoop4(const Pixel pixel, uint16_t* d, int32_t count, const uint32_t* start,
                                 const int32_t* step) {
  uint32_t u = start[0], v = start[1], eu = start[2], ev = start[3];
  const uint32_t du = uint32_t(step[0]), dv = uint32_t(step[1]), deu = uint32_t(step[2]), dev = uint32_t(step[3]);
  for (int32_t x = 0; x < count; x++) {
    d[x] = pixel(d[x], u, v, eu, ev);
    u += du;
    v += dv;
    eu += deu;
    ev += dev;
  }
}

template <bool Plane, int Coords, bool EnvPair, bool CheckerClip, class Pixel>
class Scan {
 public:
  Scan(const Pixel& pixel, const FrameTarget& target) : pixel_(pixel), t_(target) {}

  void Fill(const PolyVertex* in, int32_t n) {
    if (n < 3 || n > kMaxPolygonVertices || !t_.pixels || t_.width <= 0 || t_.height <= 0) return;
    n_ = n;
    if (!Intake(in)) return;
    if constexpr (CheckerClip) {
      if (Rejected()) return;
    }
    Gradients();
    const int32_t top = TopVertex();
    BuildChains(top);
    int32_t firstRow = ToRow(v_[top].y);
    if constexpr (CheckerClip) {
      if (v_[top].y < 0.0) {
        ClipTop(left_, leftLength_);
        ClipTop(right_, rightLength_);
        firstRow = 0;
      }
    }
    for (int32_t i = 0; i < leftLength_; i++) leftRow_[i] = ToRow(left_[i].y);
    for (int32_t i = 0; i < rightLength_; i++) rightRow_[i] = ToRow(right_[i].y);
    Rows(firstRow);
  }

 private:
  // ---- vertex intake and gradients ----

  bool Intake(const PolyVertex* in) {
    for (int32_t i = 0; i < n_; i++) {
      Vert& v = v_[i];
      v.x = in[i].x;
      v.y = in[i].y;
      if constexpr (Coords == 2) {
        v.c[0] = EnvPair ? in[i].eu : in[i].u;
        v.c[1] = EnvPair ? in[i].ev : in[i].v;
      } else {
        v.c[0] = in[i].u;
        v.c[1] = in[i].v;
        v.c[2] = in[i].eu;
        v.c[3] = in[i].ev;
      }
      if (!std::isfinite(v.x) || !std::isfinite(v.y)) return false;
      for (int k = 0; k < Coords; k++)
        if (!std::isfinite(v.c[k])) return false;
    }
    return true;
  }

  bool Rejected() const {
    const double w = t_.width, h = t_.height;
    bool left = true, above = true, right = true, below = true;
    for (int32_t i = 0; i < n_; i++) {
      left = left && v_[i].x < 0.0;
      above = above && v_[i].y < 0.0;
      right = right && v_[i].x > w;
      below = below && v_[i].y > h;
    }
    return left || above || right || below;
  }

  void Gradients() {
    const Vert& p0 = v_[0];
    const Vert& p1 = v_[1];
    const Vert& p2 = v_[2];
    const double dx1 = p1.x - p0.x, dy1 = p1.y - p0.y;
    const double dx2 = p2.x - p0.x, dy2 = p2.y - p0.y;
    const double det = dx1 * dy2 - dy1 * dx2;
    for (int k = 0; k < Coords; k++) {
      const double d1 = p1.c[k] - p0.c[k], d2 = p2.c[k] - p0.c[k];
      gx_[k] = det != 0.0 ? (d1 * dy2 - d2 * dy1) / det : 0.0;
      gy_[k] = det != 0.0 ? (d2 * dx1 - d1 * dx2) / det : 0.0;
      gx16_[k] = ToFixed(gx_[k] * 65536.0);
      gy16_[k] = ToFixed(gy_[k] * 65536.0);
      // u and eu step in 16.16 along a span, v and ev in 24.8.
      spanStep_[k] = (k & 1) ? ToFixed(gx_[k] * 256.0) : gx16_[k];
    }
  }

  // ---- top vertex and chains ----

  int32_t TopVertex() const {
    int32_t top = 0;
    double minY = 32000.0;
    bool found = false;
    for (int32_t i = 0; i < n_; i++) {
      const double y = v_[i].y;
      if (y < minY || (CheckerClip && found && y == minY && v_[i].x < v_[top].x)) {
        minY = y;
        top = i;
        found = true;
      }
    }
    return top;
  }

  // Walks from start in direction step (-1 left, +1 right) while y strictly grows. A neighbour of
  // the top at the same height starts that side's chain instead, so flat-topped polygons fill.
  int32_t Chain(int32_t top, int32_t step, Vert* chain) const {
    int32_t i = top;
    const int32_t side = (top + step + n_) % n_;
    if (v_[side].y == v_[top].y) i = side;
    int32_t length = 0;
    chain[length++] = v_[i];
    while (length < n_) {
      const int32_t j = (i + step + n_) % n_;
      if (!(v_[j].y > v_[i].y)) break;
      chain[length++] = v_[j];
      i = j;
    }
    return length;
  }

  void BuildChains(int32_t top) {
    leftLength_ = Chain(top, -1, left_);
    rightLength_ = Chain(top, +1, right_);
  }

  // Moves a chain's first vertex along its first edge to y = 0 (checker filler). Vertices that lie
  // above the window together with the next one are left out first, so that the edge moved along
  // is the one crossing row 0: otherwise a later edge, entered at row 0, would carry the values of
  // a row above the window and draw that side shifted up.
  void ClipTop(Vert* chain, int32_t& length) const {
    int32_t skip = 0;
    while (length - skip >= 2 && chain[skip + 1].y <= 0.0) skip++;
    if (skip > 0) {
      for (int32_t i = skip; i < length; i++) chain[i - skip] = chain[i];
      length -= skip;
    }
    if (length < 2) return;
    Vert& a = chain[0];
    const Vert& b = chain[1];
    const double y0 = a.y;
    if (!(y0 < 0.0)) return;
    const double x = a.x + (b.x - a.x) / (y0 - b.y) * y0;
    for (int k = 0; k < Coords; k++) a.c[k] = a.c[k] + gx_[k] * (x - a.x) - gy_[k] * y0;
    a.x = x;
    a.y = 0.0;
  }

  // ---- edges ----

  void SetLeft(const Vert& a, const Vert& b) {
    const double dy = b.y - a.y;
    const double pre = std::ceil(a.y) - a.y;
    if constexpr (Plane) {
      const double slope = dy != 0.0 ? (b.x - a.x) / dy : 0.0;
      leftEdge_.x = ToFixed((a.x + pre * slope) * 65536.0);
      leftEdge_.xstep = ToFixed(slope * 65536.0);
      for (int k = 0; k < Coords; k++) {
        leftEdge_.c[k] = ToFixed((a.c[k] + pre * (gx_[k] * slope + gy_[k])) * 65536.0);
        leftEdge_.cstep[k] = WrapAdd(WrapMul(leftEdge_.xstep >> 8, gx16_[k] >> 8), gy16_[k]);
      }
    } else {
      Interpolate(a.x, b.x, dy, pre, &leftEdge_.x, &leftEdge_.xstep);
      for (int k = 0; k < Coords; k++) Interpolate(a.c[k], b.c[k], dy, pre, &leftEdge_.c[k], &leftEdge_.cstep[k]);
    }
  }

  void SetRight(const Vert& a, const Vert& b) {
    const double dy = b.y - a.y;
    const double pre = std::ceil(a.y) - a.y;
    if constexpr (Plane) {
      const double slope = dy != 0.0 ? (b.x - a.x) / dy : 0.0;
      rightEdge_.x = ToFixed((a.x + pre * slope) * 65536.0);
      rightEdge_.xstep = ToFixed(slope * 65536.0);
    } else {
      Interpolate(a.x, b.x, dy, pre, &rightEdge_.x, &rightEdge_.xstep);
    }
  }

  // One coordinate along an edge: its value at y = ceil(ya) and its step per row (the same
  // per-row slope as the plane scheme's x).
  static void Interpolate(double a, double b, double dy, double pre, int32_t* value, int32_t* step) {
    const double slope = dy != 0.0 ? (b - a) / dy : 0.0;
    *value = ToFixed((a + pre * slope) * 65536.0);
    *step = ToFixed(slope * 65536.0);
  }

  // Enters the next edges while the current end vertex lies on or above row r. False: chain done.
  bool AdvanceLeft(int32_t r) {
    while (leftRow_[leftIndex_] <= r) {
      if (++leftIndex_ >= leftLength_) return false;
      SetLeft(left_[leftIndex_ - 1], left_[leftIndex_]);
    }
    return true;
  }
  bool AdvanceRight(int32_t r) {
    while (rightRow_[rightIndex_] <= r) {
      if (++rightIndex_ >= rightLength_) return false;
      SetRight(right_[rightIndex_ - 1], right_[rightIndex_]);
    }
    return true;
  }

  void Step(int32_t rows) {
    leftEdge_.x = WrapAdd(leftEdge_.x, WrapMul(rows, leftEdge_.xstep));
    for (int k = 0; k < Coords; k++) leftEdge_.c[k] = WrapAdd(leftEdge_.c[k], WrapMul(rows, leftEdge_.cstep[k]));
    rightEdge_.x = WrapAdd(rightEdge_.x, WrapMul(rows, rightEdge_.xstep));
  }

  // ---- rows and spans ----

  void Rows(int32_t r) {
    leftIndex_ = 0;
    rightIndex_ = 0;
    const int32_t width = t_.width, height = t_.height;
    for (;;) {
      if (!AdvanceLeft(r) || !AdvanceRight(r)) return;
      if (r >= height) return;
      if (r < 0) {
        // Above the target: jump to row 0 or to the next vertex, whichever comes first.
        int32_t stop = 0;
        const int32_t endLeft = leftRow_[leftIndex_], endRight = rightRow_[rightIndex_];
        if (endLeft < stop) stop = endLeft;
        if (endRight < stop) stop = endRight;
        Step(stop - r);
        r = stop;
        continue;
      }
      Span(t_.pixels + int64_t(r) * RowStride(t_), width);
      Step(1);
      r++;
    }
  }

  void Span(uint16_t* row, int32_t width) {
    int32_t xl = leftEdge_.x >> 16;
    int32_t xr = rightEdge_.x >> 16;
    uint32_t c[4] = {0, 0, 0, 0};
    for (int k = 0; k < Coords; k++) c[k] = uint32_t((k & 1) ? (leftEdge_.c[k] >> 8) : leftEdge_.c[k]);
    if (xl < 0) {
      if constexpr (CheckerClip) {
        c[0] = uint32_t(WrapSub(int32_t(c[0]), WrapMul(xl * 256, gx16_[0] >> 8)));
        c[1] = uint32_t(WrapSub(int32_t(c[1]), WrapMul(xl * 256, gx16_[1] >> 8) >> 8));
      } else {
        for (int k = 0; k < Coords; k++) c[k] += uint32_t(-xl) * uint32_t(spanStep_[k]);
      }
      xl = 0;
    }
    if (xr > width) xr = width;
    if (xl >= xr) return;
    if constexpr (Coords == 2)
      SpanLoop2(pixel_, row + xl, xr - xl, c[0], c[1], uint32_t(spanStep_[0]), uint32_t(spanStep_[1]));
    else
      SpanLoop4(pixel_, row + xl, xr - xl, c, spanStep_);
  }

  Pixel pixel_;
  FrameTarget t_;
  int32_t n_ = 0;
  Vert v_[kMaxPolygonVertices];
  Vert left_[kMaxPolygonVertices];
  Vert right_[kMaxPolygonVertices];
  int32_t leftRow_[kMaxPolygonVertices];    // each chain vertex's row, y truncated toward zero
  int32_t rightRow_[kMaxPolygonVertices];
  int32_t leftLength_ = 0, rightLength_ = 0, leftIndex_ = 0, rightIndex_ = 0;
  double gx_[Coords], gy_[Coords];
  int32_t gx16_[Coords], gy16_[Coords], spanStep_[Coords];
  LeftEdge<Coords> leftEdge_{};
  RightEdge rightEdge_{};
};

}  // namespace fillscan
