// The meta effect: the case tables, the tracked surface (sphere of the first frame, separate and
// merged balls, the grid's edge), the balls' motion and whole frames inside their target.
#include <gtest/gtest.h>

#include <cmath>
#include <set>

#include "demo/effects/meta.h"
#include "demo/effects/meta_tables.h"
#include "effects/effects_support.h"

namespace {

using fx::Canvas;
using fx::Rgb;

char* W(const char* s) { return const_cast<char*>(s); }

TEST(MetaTables, EdgeTableFollowsFromTheCornersAndTrianglesUseCutEdges) {
  for (int32_t code = 0; code < 256; code++) {
    uint16_t derived = 0;
    for (int32_t e = 0; e < 12; e++) {
      const int32_t a = (code >> kMetaEdgeCorners[e][0]) & 1, b = (code >> kMetaEdgeCorners[e][1]) & 1;
      if (a != b) derived = uint16_t(derived | 1 << e);
    }
    ASSERT_EQ(kMetaEdgeMask[code], derived) << "code " << code;
    int32_t n = 0;
    while (n < 16 && kMetaTriangles[code][n] != 255) {
      ASSERT_LT(kMetaTriangles[code][n], 12);
      ASSERT_TRUE((derived >> kMetaTriangles[code][n]) & 1) << "code " << code << " entry " << n;
      n++;
    }
    ASSERT_EQ(n % 3, 0) << "code " << code;
    ASSERT_LE(n, 15);
    for (int32_t k = n; k < 16; k++) ASSERT_EQ(kMetaTriangles[code][k], 255);
    // Complementary codes cut the same edges; the empty and full cubes make nothing.
    ASSERT_EQ(kMetaEdgeMask[code], kMetaEdgeMask[255 - code]);
  }
  EXPECT_EQ(kMetaTriangles[0][0], 255);
  EXPECT_EQ(kMetaTriangles[255][0], 255);
  const MetaFaceList one = MetaFacesOf(1);
  EXPECT_EQ(one.face[0], 0);
  EXPECT_EQ(one.face[1], 3);
  EXPECT_EQ(one.face[2], 5);
  EXPECT_EQ(one.face[3], 255);
  // Each face's edges and the shared-edge pairs agree: the neighbour's edge is the same segment.
  for (int32_t f = 0; f < 6; f++)
    for (int32_t k = 0; k < 4; k++) {
      const int32_t mine = kMetaSharedEdges[f][k][0], theirs = kMetaSharedEdges[f][k][1];
      // The same segment, in either direction.
      auto corner = [](int32_t edge, int32_t end, int32_t axis, int32_t step) {
        return int(kMetaCornerOffset[kMetaEdgeCorners[edge][end]][axis]) + step;
      };
      bool same = true, reversed = true;
      for (int32_t end = 0; end < 2; end++)
        for (int32_t axis = 0; axis < 3; axis++) {
          const int32_t step = kMetaFaceStep[f][axis];
          same = same && corner(mine, end, axis, 0) == corner(theirs, end, axis, step);
          reversed = reversed && corner(mine, end, axis, 0) == corner(theirs, 1 - end, axis, step);
        }
      ASSERT_TRUE(same || reversed) << "face " << f << " pair " << k;
    }
}

class Meta : public ::testing::Test {
 protected:
  void SetUp() override {
    fx::FreshLog();
    fx::disk = {};
    fx::AddPicture("metatex.tga", 256, 256, 3, [](int32_t x, int32_t y) {
      return Rgb{uint8_t(x | 8), uint8_t(y | 8), 200};
    });
    char* argv[] = {W("metatex.tga"), W("metafond.tga")};
    SetUpMeta(2, argv, fx::Files());
  }
  void TearDown() override {
    if (MetaEffect.ready) FreeMetaEffect();
  }
  static void PlaceBalls(std::initializer_list<std::array<double, 3>> centres) {
    int32_t n = 0;
    for (const auto& c : centres) MetaEffect.balls[n++] = {c[0], c[1], c[2], 0.0};
  }
};

TEST_F(Meta, FirstFrameIsOneSphereOfRadiusSeventyOnePointSix) {
  const double radius = std::sqrt(5.0 * 1024.0);   // 71.6
  MetaPolygonise(&MetaEffect);
  const MetaState& s = MetaEffect;
  ASSERT_GT(s.triangleCount, 500);
  for (int32_t v = 0; v < s.vertexCount; v++) {
    const Vertex3& p = s.verts[v];
    const double r = std::sqrt(p.x * p.x + p.y * p.y + p.z * p.z);
    ASSERT_NEAR(r, radius, 1.5) << "vertex " << v;
    const Vertex3& n = s.normals[v];
    ASSERT_NEAR(n.x * n.x + n.y * n.y + n.z * n.z, 1.0, 1e-9);
    // The field rises towards the centre: the normal points inwards, along the radius.
    ASSERT_LT((p.x * n.x + p.y * n.y + p.z * n.z) / r, -0.95);
  }
  // Every vertex belongs to the surface, and most are shared by the cubes around their edge.
  std::vector<int32_t> uses(size_t(s.vertexCount), 0);
  for (int32_t t = 0; t < s.triangleCount; t++)
    for (int32_t i : {s.faces[t].a, s.faces[t].b, s.faces[t].c}) uses[size_t(i)]++;
  int32_t shared = 0;
  for (int32_t u : uses) {
    ASSERT_GE(u, 1);
    shared += u >= 3;
  }
  EXPECT_GT(shared, s.vertexCount * 3 / 4);
}

TEST_F(Meta, SeparateBallsGiveSeparateSurfacesAndMergedOnesOne) {
  PlaceBalls({{150, 240, 240}, {150, 240, 240}, {150, 240, 240}, {330, 240, 240}, {330, 240, 240}});
  MetaPolygonise(&MetaEffect);
  int32_t left = 0, right = 0;
  for (int32_t v = 0; v < MetaEffect.vertexCount; v++) (MetaEffect.verts[v].x < 0 ? left : right)++;
  EXPECT_GT(left, 100);
  EXPECT_GT(right, 100);
  EXPECT_GT(left, right);   // three balls make the bigger surface

  // Coincident balls: the later starts find their cube visited and add nothing.
  PlaceBalls({{240, 240, 240}, {240, 240, 240}, {240, 240, 240}, {240, 240, 240}, {240, 240, 240}});
  MetaPolygonise(&MetaEffect);
  const int32_t together = MetaEffect.triangleCount;
  MetaPolygonise(&MetaEffect);
  EXPECT_EQ(MetaEffect.triangleCount, together);   // rebuilt from nothing: the same surface
  std::set<std::array<int32_t, 3>> seen;
  for (int32_t t = 0; t < MetaEffect.triangleCount; t++) {
    std::array<int32_t, 3> f = {MetaEffect.faces[t].a, MetaEffect.faces[t].b, MetaEffect.faces[t].c};
    EXPECT_TRUE(seen.insert(f).second) << "triangle repeated";
  }
}

TEST_F(Meta, TrackingStaysInsideTheGrid) {
  // Balls at and beyond the grid's corners and edges: the surface is cut at the grid, never left.
  PlaceBalls({{478, 478, 478}, {0, 0, 0}, {-50, 240, 240}, {240, 600, 240}, {470, 10, 240}});
  MetaPolygonise(&MetaEffect);
  EXPECT_GT(MetaEffect.triangleCount, 0);
  for (int32_t v = 0; v < MetaEffect.vertexCount; v++) {
    const Vertex3& p = MetaEffect.verts[v];
    for (double c : {p.x, p.y, p.z}) ASSERT_TRUE(c >= -240.0 && c <= 240.0) << c;
  }
  for (int32_t t = 0; t < MetaEffect.triangleCount; t++)
    for (int32_t i : {MetaEffect.faces[t].a, MetaEffect.faces[t].b, MetaEffect.faces[t].c})
      ASSERT_TRUE(i >= 0 && i < MetaEffect.vertexCount);
  Canvas c;
  DrawMetaOn(c.Target(), 0.5f);
  EXPECT_TRUE(c.BorderIntact());
}

TEST_F(Meta, AtEachLimitTheSurfaceStopsGrowingWithOneWarning) {
  MetaPolygonise(&MetaEffect);
  const int32_t fullVertices = MetaEffect.vertexCount, fullTriangles = MetaEffect.triangleCount;
  struct Case {
    int32_t vertices, triangles, stack;
    const char* warning;
  };
  for (const Case& k : {Case{100, kMetaMaxTriangles, kMetaMaxStack, "more than 10000 vertices"},
                        Case{kMetaMaxVertices, 50, kMetaMaxStack, "more than 10000 triangles"},
                        Case{kMetaMaxVertices, kMetaMaxTriangles, 2, "more than 60000 cubes to visit"}}) {
    fx::FreshLog();
    SetMetaLimits(k.vertices, k.triangles, k.stack);
    for (int frame = 0; frame < 3; frame++) MetaPolygonise(&MetaEffect);
    EXPECT_LE(MetaEffect.vertexCount, k.vertices);
    EXPECT_LE(MetaEffect.triangleCount, k.triangles);
    EXPECT_LT(MetaEffect.triangleCount, fullTriangles) << k.warning;
    for (int32_t t = 0; t < MetaEffect.triangleCount; t++)
      for (int32_t i : {MetaEffect.faces[t].a, MetaEffect.faces[t].b, MetaEffect.faces[t].c})
        ASSERT_TRUE(i >= 0 && i < MetaEffect.vertexCount);
    EXPECT_TRUE(LogHasPart(std::string("DrawMeta(): ") + k.warning)) << k.warning;
    EXPECT_EQ(LogCount("DrawMeta(): more than"), k.vertices < kMetaMaxVertices || k.triangles < kMetaMaxTriangles || k.stack < kMetaMaxStack ? 1 : 0);
    Canvas c;
    DrawMetaOn(c.Target(), 0.0f);
    EXPECT_TRUE(c.BorderIntact());
    // Each limit is warned about once per set-up.
    char* argv[] = {W("metatex.tga")};
    FreeMetaEffect();
    SetUpMeta(1, argv, fx::Files());
  }
  MetaPolygonise(&MetaEffect);
  EXPECT_EQ(MetaEffect.vertexCount, fullVertices);   // set-up restored the full capacities
}

TEST_F(Meta, EachFrameShowsTheBallsOfTwoCallsBefore) {
  Canvas first, second, third;
  DrawMetaOn(first.Target(), 0.3f);
  // Drawn: five coincident balls at the centre. Now: all five at the positions for t = 0.
  for (const MetaBall& b : MetaEffect.balls) {
    EXPECT_DOUBLE_EQ(b.x, std::cos(1.0) * 76 + 240);
    EXPECT_DOUBLE_EQ(b.y, std::sin(2.0) * 72 + 240);
    EXPECT_DOUBLE_EQ(b.z, std::cos(3.0) * 70 + 240);
    EXPECT_DOUBLE_EQ(b.t, 0.3f * 100.0);
  }
  DrawMetaOn(second.Target(), 0.31f);
  const double t = 0.3f * 100.0;
  for (int32_t n = 0; n < kMetaBalls; n++) {
    const double m = n + 1;
    EXPECT_DOUBLE_EQ(MetaEffect.balls[n].x, std::cos(m * t * 0.031415000000000005 + 1.0) * 76 + 240);
    EXPECT_DOUBLE_EQ(MetaEffect.balls[n].z, std::cos(m * t * 0.022439285714285714 + 3.0) * 70 + 240);
  }
  DrawMetaOn(third.Target(), 0.32f);
  EXPECT_GT(first.CountNot(0), 3000);
  EXPECT_FALSE(first.SameFrame(second));   // the sphere moved
  EXPECT_FALSE(second.SameFrame(third));   // the balls parted
  for (Canvas* c : {&first, &second, &third}) EXPECT_TRUE(c->BorderIntact());
  // The map is drawn as it is (plain copy): every drawn pixel is a texel of the map.
  std::set<uint16_t> texels(MetaEffect.map, MetaEffect.map + 65536);
  for (int32_t y = 0; y < 200; y++)
    for (int32_t x = 0; x < 320; x++) {
      if (first.At(x, y)) {
        ASSERT_TRUE(texels.count(first.At(x, y)));
      }
    }
}

TEST_F(Meta, ReleaseAndRefusals) {
  FreeMetaEffect();
  EXPECT_FALSE(MetaEffect.ready);
  fx::AddFlat("bad.tga", 256, 256, {1, 2, 3}, 4);
  char* argv[] = {W("bad.tga")};
  EXPECT_NE(FatalOf([&] { SetUpMeta(1, argv, fx::Files()); }).find(
                "FATAL ERROR: InitMeta(): \"bad.tga\" must be 256 pixels wide, at least 256 rows, 24-bit (it is 256 x 256, 32-bit)"), std::string::npos);
  MetaEffect = {};
  const int32_t before = MemoryInUse();
  char* good[] = {W("metatex.tga")};
  SetUpMeta(1, good, fx::Files());
  Canvas c;
  DrawMetaOn(c.Target(), 0.0f);
  FreeMetaEffect();
  EXPECT_EQ(MemoryInUse(), before);
}

}  // namespace

namespace {

TEST(MetaFrame, TheFacesDrawnAreTheHalfTowardsTheEye) {
  fx::FreshLog();
  fx::disk = {};
  fx::AddFlat("env.tga", 256, 256, {100, 150, 200});
  char* argv[] = {const_cast<char*>("env.tga")};
  SetUpMeta(1, argv, fx::Files());
  fx::Canvas c;
  DrawMetaOn(c.Target(), 0.0f);   // the sphere around the centre
  double nearSum = 0.0;
  int32_t n = 0;
  for (int32_t e = 0; e < MetaEffect.drawnCount; e++) {
    nearSum += MetaEffect.visibles[e].depth;
    n++;
  }
  // Roughly half the closed surface faces the eye.
  EXPECT_GT(n, MetaEffect.triangleCount / 3);
  EXPECT_LT(n, MetaEffect.triangleCount * 2 / 3);
  FreeMetaEffect();
  EXPECT_LT(nearSum / n, 0.0) << "mean depth key of the drawn faces";
}

}  // namespace
