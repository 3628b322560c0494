// The polygon fillers: coverage of hand-worked polygons, texture coordinates, clipping on
// every side, guard bands around the target, the pixel combinations.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

#include "demo/engine/fill.h"
#include "demo/engine/fixed.h"

namespace {

constexpr int32_t W = 320, H = 200, G = 48;
constexpr uint16_t kSentinel = 0xA55A;

// A W x H window inside a buffer with a border of G pixels on every side.
struct Guarded {
  int32_t stride = W + 2 * G;
  std::vector<uint16_t> buffer = std::vector<uint16_t>(size_t(W + 2 * G) * (H + 2 * G), kSentinel);
  FrameTarget Target() { return {buffer.data() + G * stride + G, W, H, stride}; }
  uint16_t& At(int x, int y) { return buffer[size_t((y + G) * stride + x + G)]; }
  void Clear(uint16_t inside) {
    std::fill(buffer.begin(), buffer.end(), kSentinel);
    for (int y = 0; y < H; y++)
      for (int x = 0; x < W; x++) At(x, y) = inside;
  }
  // Pixels inside the window other than v.
  int CountNot(uint16_t v) {
    int n = 0;
    for (int y = 0; y < H; y++)
      for (int x = 0; x < W; x++) n += At(x, y) != v;
    return n;
  }
  // Pixels outside the window that changed.
  int Damage() {
    int bad = 0;
    for (int y = -G; y < H + G; y++)
      for (int x = -G; x < W + G; x++)
        if ((x < 0 || y < 0 || x >= W || y >= H) && At(x, y) != kSentinel) bad++;
    return bad;
  }
};

struct Maps {
  std::vector<uint16_t> map16 = std::vector<uint16_t>(65536);
  std::vector<uint32_t> texture = std::vector<uint32_t>(65536);
  std::vector<uint32_t> env = std::vector<uint32_t>(65536);
  FillMaps Get() const { return {map16.data(), texture.data(), env.data()}; }
  void Constant(uint16_t v16, uint32_t t, uint32_t e) {
    std::fill(map16.begin(), map16.end(), v16);
    std::fill(texture.begin(), texture.end(), t);
    std::fill(env.begin(), env.end(), e);
  }
};

PolyVertex V(double x, double y, double u = 0, double v = 0, double eu = 0, double ev = 0) {
  return {x, y, u, v, eu, ev};
}

const Filler kAll[] = {kFillChecker, kFillCheckenv, kFillMeta, kFillCheese, kFillPhong, kFillMulti};

// Coverage of one polygon by a filler, as a mask: the frame starts at 0 and the maps are 0xFFFF
// (or full white packed texels), so every drawn pixel becomes non-zero.
std::vector<uint8_t> Coverage(Filler f, const std::vector<PolyVertex>& p, Guarded& g, const Maps& m) {
  g.Clear(0);
  FillPolygon(f, p.data(), int32_t(p.size()), m.Get(), g.Target());
  std::vector<uint8_t> mask(size_t(W) * H);
  for (int y = 0; y < H; y++)
    for (int x = 0; x < W; x++) mask[size_t(y * W + x)] = g.At(x, y) != 0;
  return mask;
}

double Rand(uint32_t& seed) {
  seed = seed * 1664525u + 1013904223u;
  return double(seed >> 8) / double(1 << 24);
}

// Random clockwise triangle with coordinates on a 1/64 grid inside [x0, x0+span] x [y0, y0+span].
std::vector<PolyVertex> RandomTriangle(uint32_t& seed, double x0, double y0, double span) {
  for (;;) {
    std::vector<PolyVertex> p;
    for (int k = 0; k < 3; k++) {
      double x = x0 + std::floor(Rand(seed) * span * 64) / 64;
      double y = y0 + std::floor(Rand(seed) * span * 64) / 64;
      p.push_back(V(x, y, std::floor(Rand(seed) * 255 * 64) / 64, std::floor(Rand(seed) * 255 * 64) / 64,
                    std::floor(Rand(seed) * 255 * 64) / 64, std::floor(Rand(seed) * 255 * 64) / 64));
    }
    double cross = (p[2].y - p[0].y) * (p[1].x - p[0].x) - (p[1].y - p[0].y) * (p[2].x - p[0].x);
    if (std::fabs(cross) < 4.0) continue;
    if (cross < 0) std::swap(p[0], p[2]);
    if (p[0].y == p[1].y || p[1].y == p[2].y || p[0].y == p[2].y) continue;
    return p;
  }
}

// Rows run from trunc(top y) to trunc(bottom y) - 1 and a span covers floor(xl) to floor(xr) - 1,
// worked here on two triangles of slope 2 with the middle vertex right, then left.
TEST(Fill, CoverageOfHandWorkedTriangles) {
  Guarded g;
  Maps m;
  m.Constant(0xFFFF, PackTexel(255, 255, 255), PackTexel(255, 255, 255));
  const std::vector<PolyVertex> right = {V(10.5, 10), V(30.5, 20), V(10.5, 30)};
  const std::vector<PolyVertex> left = {V(20.5, 10), V(20.5, 30), V(0.5, 20)};
  for (Filler f : kAll) {
    SCOPED_TRACE(FillerName(f));
    std::vector<uint8_t> a = Coverage(f, right, g, m), b = Coverage(f, left, g, m);
    for (int y = 0; y < 40; y++) {
      const int w = y < 10 || y >= 30 ? 0 : y < 20 ? 2 * (y - 10) : 2 * (30 - y);
      for (int x = 0; x < 40; x++) {
        ASSERT_EQ(a[size_t(y * W + x)], x >= 10 && x < 10 + w) << x << "," << y;
        ASSERT_EQ(b[size_t(y * W + x)], x >= 20 - w && x < 20) << x << "," << y;
      }
    }
  }
}

// Texture coordinates follow the polygon's plane: on a face whose coordinates are an affine
// function of the screen position, every pixel shows (within a texel or two: the row's sample lies
// up to a pixel below and right of the pixel's corner) the texel of that function.
TEST(Fill, TexelsFollowThePlane) {
  Guarded g;
  Maps m;
  for (int i = 0; i < 65536; i++) {
    m.map16[size_t(i)] = uint16_t(i);
    m.texture[size_t(i)] = PackTexel(i & 255, i >> 8, 0);   // mean with a zero env: u / 16, v / 8
  }
  std::fill(m.env.begin(), m.env.end(), 0);
  auto fu = [](double x, double y) { return 0.6 * x + 0.3 * y + 17.0; };
  auto fv = [](double x, double y) { return -0.4 * x + 0.8 * y + 300.0; };
  auto wrapNear = [](double want, double got, double period, double slack) {
    double d = std::fabs(std::fmod(want - got + period * 64 + period / 2, period) - period / 2);
    return d <= slack;
  };
  uint32_t seed = 99;
  int checked = 0;
  for (int trial = 0; trial < 200; trial++) {
    std::vector<PolyVertex> p = RandomTriangle(seed, 20 + Rand(seed) * 200, 20 + Rand(seed) * 100, 10 + Rand(seed) * 60);
    for (auto& v : p) {
      v.u = v.eu = fu(v.x, v.y);
      v.v = v.ev = fv(v.x, v.y);
    }
    g.Clear(0);
    FillPolygon(kFillMeta, p.data(), 3, m.Get(), g.Target());
    for (int y = 0; y < H; y++)
      for (int x = 0; x < W; x++) {
        const uint16_t t = g.At(x, y);
        if (t == 0) continue;   // not drawn (or texel 0)
        ASSERT_TRUE(wrapNear(fu(x, y), t & 255, 256, 2.0)) << "u " << fu(x, y) << " got " << (t & 255);
        ASSERT_TRUE(wrapNear(fv(x, y), t >> 8, 256, 2.0)) << "v " << fv(x, y) << " got " << (t >> 8);
        checked++;
      }
    g.Clear(0);
    FillPolygon(kFillMulti, p.data(), 3, m.Get(), g.Target());
    for (int y = 0; y < H; y++)
      for (int x = 0; x < W; x++) {
        const uint16_t t = g.At(x, y);
        if (t == 0) continue;
        ASSERT_TRUE(wrapNear(fu(x, y) / 16.0, t >> 11, 16, 1.2)) << "u " << fu(x, y) << " got " << (t >> 11);
        ASSERT_TRUE(wrapNear(fv(x, y) / 8.0, (t >> 5) & 63, 32, 1.2)) << "v " << fv(x, y) << " got " << ((t >> 5) & 63);
      }
  }
  EXPECT_GT(checked, 20000);
}

// The fillers without the checker's own clipping draw on the window exactly what they draw at the
// same place of a larger target that holds the whole polygon.
TEST(Fill, ClippingOnEverySideKeepsThePixelsOfTheWholePolygon) {
  constexpr int32_t BW = 1200, BH = 1000, OX = 440, OY = 400;
  std::vector<uint16_t> big(size_t(BW) * BH);
  Guarded g;
  Maps m;
  for (int i = 0; i < 65536; i++) {
    m.map16[size_t(i)] = uint16_t(i | 1);
    m.texture[size_t(i)] = PackTexel(i & 255, i >> 8, (i * 7) & 255) | 1;
    m.env[size_t(i)] = PackTexel((i * 3) & 255, i & 255, i >> 8);
  }
  uint32_t seed = 7;
  const double corners[][2] = {{-150, 50}, {250, 50}, {100, -120}, {100, 150}, {-120, -120}, {250, 150}, {-300, -300}};
  for (int trial = 0; trial < 140; trial++) {
    const double* c = corners[trial % 7];
    std::vector<PolyVertex> p = RandomTriangle(seed, c[0], c[1], trial % 7 == 6 ? 900 : 220);
    // Rows are vertex y truncated toward zero, so only vertices with y >= 0 or integral y keep
    // their rows when moved down by whole rows: give those above the window integral rows.
    for (auto& v : p)
      if (v.y < 0) v.y = std::floor(v.y);
    if (p[0].y == p[1].y || p[1].y == p[2].y || p[0].y == p[2].y) continue;
    for (Filler f : {kFillCheckenv, kFillMeta, kFillCheese, kFillPhong, kFillMulti}) {
      g.Clear(0);
      FillPolygon(f, p.data(), 3, m.Get(), g.Target());
      ASSERT_EQ(g.Damage(), 0) << FillerName(f);
      std::fill(big.begin(), big.end(), 0);
      std::vector<PolyVertex> q = p;
      for (auto& v : q) {
        v.x += OX;
        v.y += OY;
      }
      FillPolygon(f, q.data(), 3, m.Get(), {big.data(), BW, BH, 0});
      int differ = 0;
      for (int y = 0; y < H; y++)
        for (int x = 0; x < W; x++)
          if (g.At(x, y) != big[size_t((y + OY) * BW + x + OX)]) differ++;
      ASSERT_EQ(differ, 0) << FillerName(f) << " trial " << trial;
    }
  }
}

TEST(Fill, CheckerEdgeCases) {
  Guarded g;
  Maps m;
  for (int i = 0; i < 65536; i++) m.map16[size_t(i)] = uint16_t(i | 0x8000);
  auto draw = [&](const std::vector<PolyVertex>& p) {
    g.Clear(0);
    FillPolygon(kFillChecker, p.data(), int32_t(p.size()), m.Get(), g.Target());
  };
  // Entirely left of the window: nothing.
  draw({V(-50, 10), V(-5, 40), V(-30, 90)});
  EXPECT_EQ(g.CountNot(0), 0);
  // Crossing the left border: spans start at pixel 0, u advanced by the clipped width.
  draw({V(-100, 20, 0, 10), V(100, 20.5, 200, 10), V(-100, 120, 0, 110)});
  EXPECT_NE(g.At(0, 50), 0);
  // u = x + 100 on this face: pixel 0 shows texel u ~ 100.
  EXPECT_NEAR(g.At(0, 50) & 255, 100, 2);
  EXPECT_NEAR(g.At(20, 50) & 255, 120, 2);
  EXPECT_EQ(g.Damage(), 0);
  // Wider and taller than the window: ends at column W - 1 and row H - 1.
  draw({V(-1000, -1000), V(5000, -900), V(-900, 5000)});
  EXPECT_NE(g.At(W - 1, 0), 0);
  EXPECT_NE(g.At(0, H - 1), 0);
  EXPECT_NE(g.At(W - 1, H - 1), 0);
  EXPECT_EQ(g.Damage(), 0);
  // Top vertex at y = -10: the first row drawn is 0, at the edges' position there.
  draw({V(100, -10), V(200, 90), V(0, 90)});
  int first = -1, last = -1;
  for (int x = 0; x < W; x++)
    if (g.At(x, 0)) {
      if (first < 0) first = x;
      last = x;
    }
  EXPECT_NEAR(first, 90, 1);
  EXPECT_NEAR(last, 109, 1);
  EXPECT_EQ(g.Damage(), 0);
  // Two vertices of a side above the window: the side enters row 0 along the edge that crosses it.
  draw({V(100, -20), V(200, 50), V(100, 100), V(60, -10)});
  first = 0;
  while (first < W && !g.At(first, 50)) first++;
  EXPECT_NEAR(first, 82, 1);   // x = 63.6 + 0.36 * 50 on the edge from (60, -10) to (100, 100)
  // A polygon whose lowest point is exactly the window's bottom edge, and one just below it.
  draw({V(10, 199.5), V(60, 200), V(20, 200)});
  std::vector<PolyVertex> below = {V(10, 200), V(60, 200.5), V(20, 201)};
  FillPolygon(kFillChecker, below.data(), 3, m.Get(), g.Target());
  EXPECT_EQ(g.Damage(), 0);
}

// Concave outlines show the chain rules: a tie for the top goes to the smaller x (the checker's
// rule), and a side's chain stops at a flat edge, which ends the polygon there.
TEST(Fill, TopTiesAndFlatEdgesOfConcavePolygons) {
  Guarded g;
  Maps m;
  m.Constant(0xFFFF, PackTexel(255, 255, 255), PackTexel(255, 255, 255));
  const std::vector<PolyVertex> chevron = {V(10, 10), V(50, 20), V(90, 10), V(50, 80)};
  std::vector<uint8_t> a = Coverage(kFillChecker, chevron, g, m);
  EXPECT_TRUE(a[12 * W + 15] && !a[12 * W + 85]);
  // A point that is the top twice: the first of the two is the top (then only its lobe has both sides).
  a = Coverage(kFillChecker, {V(50, 10), V(90, 50), V(70, 60), V(50, 10), V(30, 50)}, g, m);
  EXPECT_TRUE(a[30 * W + 50]);
  const std::vector<PolyVertex> step = {V(50, 10), V(90, 40), V(70, 40), V(80, 80), V(20, 80)};
  // Its mirror image stops at its left side's flat edge, also right after a polygon whose left side
  // goes on further: nothing of that one carries over.
  const std::vector<PolyVertex> mirror = {V(50, 10), V(80, 80), V(20, 80), V(30, 40), V(10, 40)};
  const std::vector<PolyVertex> longLeft = {V(50, 10), V(90, 50), V(50, 190), V(20, 150), V(10, 50)};
  for (Filler f : kAll) {
    a = Coverage(f, step, g, m);
    EXPECT_TRUE(a[30 * W + 50] && !a[60 * W + 50]) << FillerName(f);
    Coverage(f, longLeft, g, m);
    a = Coverage(f, mirror, g, m);
    EXPECT_TRUE(a[30 * W + 50] && !a[60 * W + 50]) << FillerName(f);
  }
}

TEST(Fill, KeyedFillersShowTheBackgroundThroughZeroTexels) {
  Guarded g;
  Maps m;
  for (int i = 0; i < 65536; i++) {
    const bool hole = ((i & 255) / 16 + (i >> 8) / 16) % 2 == 0;
    m.map16[size_t(i)] = hole ? 0 : 0x1234;
    m.texture[size_t(i)] = hole ? 0 : PackTexel(8, 8, 8);
  }
  std::fill(m.env.begin(), m.env.end(), 0);
  std::vector<PolyVertex> p = {V(10, 10, 0, 0, 0, 0), V(200, 10.5, 190, 0, 190, 0), V(10, 190, 0, 180, 0, 180)};
  for (Filler f : {kFillChecker, kFillCheckenv, kFillCheese}) {
    g.Clear(0x7777);
    FillPolygon(f, p.data(), 3, m.Get(), g.Target());
    int holes = 0, drawn = 0;
    for (int y = 0; y < H; y++)
      for (int x = 0; x < W; x++) {
        holes += g.At(x, y) == 0x7777;
        drawn += g.At(x, y) != 0x7777;
        ASSERT_NE(g.At(x, y), 0) << FillerName(f);   // a zero texel is never written
      }
    EXPECT_GT(drawn, 5000) << FillerName(f);
    EXPECT_GT(holes, 30000) << FillerName(f);
  }
}

TEST(Fill, PixelCombinationsThroughTheFiller) {
  Guarded g;
  Maps m;
  std::vector<PolyVertex> p = {V(50, 50, 10, 10, 10, 10), V(120, 51, 60, 10, 60, 10), V(50, 120, 10, 60, 10, 60)};
  auto pixel = [&](Filler f, uint32_t t, uint32_t e) {
    m.Constant(0, t, e);
    g.Clear(0x5555);
    FillPolygon(f, p.data(), 3, m.Get(), g.Target());
    return g.At(60, 60);
  };
  EXPECT_EQ(pixel(kFillCheese, PackTexel(0, 127, 255), PackTexel(255, 0, 0)), 30 << 11 | 30 << 5 | 30);
  EXPECT_EQ(pixel(kFillCheese, 0, PackTexel(255, 255, 255)), 0x5555);
  EXPECT_EQ(pixel(kFillCheese, PackTexel(0, 0, 1), PackTexel(16, 8, 16)), 2 << 11 | 2 << 5 | 2);
  EXPECT_EQ(pixel(kFillPhong, PackTexel(127, 127, 127), 0), 14 << 11 | 30 << 5 | 14);
  EXPECT_EQ(pixel(kFillPhong, 0, PackTexel(255, 255, 255)), 30 << 11 | 62 << 5 | 30);
  EXPECT_EQ(pixel(kFillPhong, PackTexel(1, 1, 1), PackTexel(255, 255, 255)), 0xFFFF);
  EXPECT_EQ(pixel(kFillMulti, PackTexel(255, 255, 255), PackTexel(255, 255, 255)), 0xFFFF);
  EXPECT_EQ(pixel(kFillMulti, PackTexel(255, 255, 255), 0), 15 << 11 | 31 << 5 | 15);
}

TEST(Fill, DegenerateFlatAndOffScreenPolygons) {
  Guarded g;
  Maps m;
  m.Constant(0xFFFF, PackTexel(255, 255, 255), PackTexel(255, 255, 255));
  auto count = [&](Filler f, std::vector<PolyVertex> p) {
    g.Clear(0);
    FillPolygon(f, p.data(), int32_t(p.size()), m.Get(), g.Target());
    EXPECT_EQ(g.Damage(), 0);
    return g.CountNot(0);
  };
  const double inf = std::numeric_limits<double>::infinity(), nan = std::numeric_limits<double>::quiet_NaN();
  for (Filler f : kAll) {
    SCOPED_TRACE(FillerName(f));
    EXPECT_EQ(count(f, {V(10, 10), V(100, 100), V(50, 50)}), 0);            // collinear
    EXPECT_EQ(count(f, {V(10, 10), V(100, 10), V(50, 10)}), 0);             // zero height
    EXPECT_EQ(count(f, {V(10, 10), V(10, 10), V(10, 10)}), 0);              // one point
    EXPECT_EQ(count(f, {V(400, 10), V(500, 100), V(380, 100)}), 0);         // right of the window
    EXPECT_EQ(count(f, {V(100, -90), V(150, -10), V(50, -10)}), 0);         // above
    EXPECT_EQ(count(f, {V(100, 210), V(150, 300), V(50, 300)}), 0);         // below
    EXPECT_EQ(count(f, {V(10, 10), V(50, 100), V(90, 10)}), 0);             // counter-clockwise
    // Flat bottom: a single top vertex, two vertices sharing the largest y.
    const int flatBottom = count(f, {V(50, 10), V(90, 50), V(10, 50)});
    EXPECT_NEAR(flatBottom, 1600, 90);
    // Flat top: both top vertices share the smallest y; drawn like its mirror image.
    const int flatTop = count(f, {V(10, 10), V(90, 10), V(50, 50)});
    EXPECT_NEAR(flatTop, 1600, 90);
    EXPECT_EQ(count(f, {V(90, 10), V(50, 50), V(10, 10)}), flatTop);   // the same from another start
    // A quadrilateral.
    EXPECT_NEAR(count(f, {V(20, 20), V(120, 20.5), V(120, 120), V(20, 120.5)}), 10000, 250);
    // Too few or too many vertices, or a non-finite coordinate: nothing.
    EXPECT_EQ(count(f, {V(10, 10), V(90, 50)}), 0);
    std::vector<PolyVertex> many(kMaxPolygonVertices + 1, V(10, 10));
    EXPECT_EQ(count(f, many), 0);
    EXPECT_EQ(count(f, {V(10, 10), V(100, 100), V(-inf, 100)}), 0);
    EXPECT_EQ(count(f, {V(10, 10), V(100, 100), V(10, 100, nan, nan, nan, nan)}), 0);
    // Exactly the most vertices: those between the second and the last are collinear on the right
    // edge, so it fills as the quadrilateral does.
    std::vector<PolyVertex> most = {V(100, 10)};
    for (int k = 1; k < kMaxPolygonVertices - 1; k++) most.push_back(V(200, 10 + k));
    most.push_back(V(100, 100));
    EXPECT_EQ(count(f, most), count(f, {V(100, 10), V(200, 11), V(200, 24), V(100, 100)}));
  }
}

// Each filler reads its own coordinates (checker u, v; checkenv and meta eu, ev; the others u, v in
// the texture and eu, ev in the environment map): constant coordinates draw what maps holding that
// place's texels everywhere draw.
TEST(Fill, EachFillerReadsItsOwnCoordinates) {
  Guarded g;
  Maps varied, flat;
  for (int i = 0; i < 65536; i++) {
    varied.map16[size_t(i)] = uint16_t(i | 1);
    varied.texture[size_t(i)] = (i * 2246822519u) & 0x7FBFDFFu;
    varied.env[size_t(i)] = (i * 3266489917u) & 0x7FBFDFFu;
  }
  auto at = [](double x, double y) { return V(x, y, 1.5, 2.5, 5.5, 7.5); };
  const std::vector<PolyVertex> p = {at(10, 10), at(90, 50), at(10, 90)};
  const size_t uv = 2 * 256 + 1, euv = 7 * 256 + 5;
  auto draw = [&](Filler f, const Maps& m) {
    g.Clear(0);
    FillPolygon(f, p.data(), 3, m.Get(), g.Target());
    EXPECT_GT(g.CountNot(0), 1000);
    return g.buffer;
  };
  for (Filler f : kAll) {
    flat.Constant(varied.map16[f == kFillCheckenv || f == kFillMeta ? euv : uv], varied.texture[uv], varied.env[euv]);
    EXPECT_TRUE(draw(f, varied) == draw(f, flat)) << FillerName(f);
  }
}

// Random polygons of every kind, including huge and non-finite coordinates, never touch anything
// outside the window.
TEST(Fill, RandomPolygonsNeverWriteOutsideTheTarget) {
  Guarded g;
  Maps m;
  for (int i = 0; i < 65536; i++) {
    m.map16[size_t(i)] = uint16_t(i * 2654435761u >> 16) | 1;
    m.texture[size_t(i)] = (i * 2246822519u) & 0x7FBFDFFu;
    m.env[size_t(i)] = (i * 3266489917u) & 0x7FBFDFFu;
  }
  g.Clear(0);
  uint32_t seed = 2024;
  const double scales[] = {1, 10, 300, 1000, 40000, 1e6, 1e9, 1e12, 1e300};
  const double inf = std::numeric_limits<double>::infinity(), nan = std::numeric_limits<double>::quiet_NaN();
  for (int trial = 0; trial < 6000; trial++) {
    const int n = 3 + int(Rand(seed) * 4);
    std::vector<PolyVertex> p = std::vector<PolyVertex>(size_t(n));
    const double scale = scales[int(Rand(seed) * 9)];
    const double cx = Rand(seed) * 400 - 40, cy = Rand(seed) * 280 - 40;
    for (auto& v : p) {
      v.x = cx + (Rand(seed) - 0.5) * scale;
      v.y = cy + (Rand(seed) - 0.5) * scale;
      const double tscale = scales[int(Rand(seed) * 9)];
      v.u = (Rand(seed) - 0.5) * tscale;
      v.v = (Rand(seed) - 0.5) * tscale;
      v.eu = (Rand(seed) - 0.5) * tscale;
      v.ev = (Rand(seed) - 0.5) * tscale;
      const double pick = Rand(seed);
      if (pick < 0.01) v.x = inf;
      else if (pick < 0.02) v.y = -inf;
      else if (pick < 0.03) v.u = nan;
      else if (pick < 0.04) v.y = nan;
      else if (pick < 0.06) v.y = std::round(v.y);   // shared rows and flat edges
    }
    for (Filler f : kAll) FillPolygon(f, p.data(), n, m.Get(), g.Target());
    if (trial % 500 == 0) {
      ASSERT_EQ(g.Damage(), 0) << "trial " << trial;
    }
  }
  EXPECT_EQ(g.Damage(), 0);
}

TEST(Fill, MissingMapsOrTargetDrawNothing) {
  Guarded g;
  Maps m;
  m.Constant(0xFFFF, 1, 1);
  std::vector<PolyVertex> p = {V(10, 10), V(90, 11), V(10, 90)};
  g.Clear(0);
  FillMaps none = {nullptr, m.texture.data(), nullptr};
  for (Filler f : kAll) FillPolygon(f, p.data(), 3, none, g.Target());
  FillPolygon(kFillMeta, p.data(), 3, m.Get(), {nullptr, W, H, 0});
  FillPolygon(kFillMeta, p.data(), 3, m.Get(), {g.Target().pixels, 0, H, 0});
  EXPECT_EQ(g.CountNot(0), 0);
  EXPECT_STREQ(FillerName(kFillMulti), "multi");
}

}  // namespace
