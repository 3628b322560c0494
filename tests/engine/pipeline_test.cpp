// Normals, transform and projection, both visibility variants, the painter's sort, polygon records.
#include <gtest/gtest.h>

#include <cmath>

#include "demo/engine/pipeline.h"
#include "engine_support.h"

namespace {

Camera Identity(int32_t d = 900, double f = 512.0) { return {0, 0, 0, d, 0, 0, f}; }

TEST(Pipeline, IdentityProjectionWorkedExample) {
  Object3D o = ParseFull("1 10 20 0 0 0 0");
  Transform(&o, Identity(), 320, 200, false);
  EXPECT_DOUBLE_EQ(o.RVerts[0].z, 900.0);
  EXPECT_DOUBLE_EQ(o.SVerts[0].x, 160.0 + 512.0 / 900.0 * 10.0);
  EXPECT_DOUBLE_EQ(o.SVerts[0].y, 100.0 + 512.0 / 900.0 * 20.0);
  EXPECT_NEAR(o.SVerts[0].x, 165.69, 0.01);
  EXPECT_NEAR(o.SVerts[0].y, 111.37, 0.01);
  Camera shifted = {0, 0, 0, 900, 7, -3, 512.0};
  Transform(&o, shifted, 320, 200, false);
  EXPECT_DOUBLE_EQ(o.SVerts[0].x, 160.0 + 512.0 / 900.0 * 10.0 + 7.0);
  EXPECT_DOUBLE_EQ(o.SVerts[0].y, 100.0 + 512.0 / 900.0 * 20.0 - 3.0);
  FreeObject(&o);
}

TEST(Pipeline, RotationIsOrthonormalAndFollowsTheRows) {
  double m[3][3];
  RotationMatrix(0.3, -1.1, 2.5, m);
  for (int i = 0; i < 3; i++)
    for (int j = 0; j < 3; j++) {
      double dot = m[i][0] * m[j][0] + m[i][1] * m[j][1] + m[i][2] * m[j][2];
      EXPECT_NEAR(dot, i == j ? 1.0 : 0.0, 1e-12);
    }
  // c alone turns in the screen plane: x = (1, 0, 0) goes to (cos c, sin c, 0).
  RotationMatrix(0, 0, 0.5, m);
  EXPECT_DOUBLE_EQ(m[0][0], std::cos(0.5));
  EXPECT_DOUBLE_EQ(m[1][0], std::sin(0.5));
  EXPECT_DOUBLE_EQ(m[2][0], 0.0);
  // a alone turns y toward z: Y row (0, cos a, sin a).
  RotationMatrix(0.5, 0, 0, m);
  EXPECT_DOUBLE_EQ(m[1][1], std::cos(0.5));
  EXPECT_DOUBLE_EQ(m[1][2], std::sin(0.5));
  EXPECT_DOUBLE_EQ(m[2][1], -std::sin(0.5));
}

TEST(Pipeline, NormalsOfATetrahedronAndGuardedDegenerateFaces) {
  // Faces 0-2 meet at vertex 0; face 3 has zero area (vertices 1, 1, 2).
  Object3D o = ParseFull("4  0 0 0 0 0  1 0 0 0 0  0 1 0 0 0  0 0 1 0 0  4  0 1 2  0 2 3  0 3 1  1 1 2");
  Normals(&o);
  EXPECT_DOUBLE_EQ(o.Fnorm[0].z, 1.0);    // (1,0,0) x (0,1,0)
  EXPECT_DOUBLE_EQ(o.Fnorm[1].x, 1.0);    // (0,1,0) x (0,0,1)
  EXPECT_DOUBLE_EQ(o.Fnorm[2].y, 1.0);    // (0,0,1) x (1,0,0)
  EXPECT_EQ(o.Fnorm[3].x, 0.0);
  EXPECT_EQ(o.Fnorm[3].y, 0.0);
  EXPECT_EQ(o.Fnorm[3].z, 0.0);
  const double s = 1.0 / std::sqrt(3.0);
  EXPECT_NEAR(o.Vnorm[0].x, s, 1e-15);
  EXPECT_NEAR(o.Vnorm[0].y, s, 1e-15);
  EXPECT_NEAR(o.Vnorm[0].z, s, 1e-15);
  // Vertex 1 is in faces 0 and 2: the mean of (0,0,1) and (0,1,0).
  EXPECT_NEAR(o.Vnorm[1].y, std::sqrt(0.5), 1e-15);
  EXPECT_NEAR(o.Vnorm[1].z, std::sqrt(0.5), 1e-15);
  FreeObject(&o);
  // A slanted face, (1,2,3) x (4,5,6) = (-3,6,-3), and its reverse: the vertex normals cancel.
  Object3D c = ParseFull("3  0 0 0 0 0  1 2 3 0 0  4 5 6 0 0  2  0 1 2  2 1 0");
  Normals(&c);
  EXPECT_NEAR(c.Fnorm[0].x, -1.0 / std::sqrt(6.0), 1e-15);
  EXPECT_NEAR(c.Fnorm[0].y, 2.0 / std::sqrt(6.0), 1e-15);
  EXPECT_NEAR(c.Fnorm[0].z, -1.0 / std::sqrt(6.0), 1e-15);
  for (int i = 0; i < 3; i++) {
    EXPECT_EQ(c.Vnorm[i].x, 0.0);
    EXPECT_EQ(c.Vnorm[i].y, 0.0);
    EXPECT_EQ(c.Vnorm[i].z, 0.0);
  }
  FreeObject(&c);
}

// One clockwise face (0 1 2) and one counter-clockwise (0 2 1) on the screen, plus a collinear one.
const char* kTwoFaces = "4  0 0 0 0 0  100 0 0 0 0  0 100 0 0 0  50 0 0 0 0  3  0 1 2  0 2 1  0 1 3";

TEST(Pipeline, BothSidesSwapsCounterClockwiseFacesForGood) {
  Object3D o = ParseFull(kTwoFaces);
  Transform(&o, Identity(), 320, 200, false);
  int32_t n = Visibility(&o, kVisibleBothSides, kDepthThird);
  EXPECT_EQ(n, 3);   // collinear kept
  EXPECT_EQ(o.faces[0].a, 0);
  EXPECT_EQ(o.faces[0].c, 2);
  EXPECT_EQ(o.faces[1].a, 1);   // swapped
  EXPECT_EQ(o.faces[1].b, 2);
  EXPECT_EQ(o.faces[1].c, 0);
  EXPECT_EQ(o.faces[2].a, 0);   // cross = 0 is not swapped
  EXPECT_EQ(o.Visibles[1].face, 1);
  EXPECT_DOUBLE_EQ(o.Visibles[0].depth, 2700.0 * 0.3333333333333333);
  // The swap persists: next frame both are clockwise and nothing moves.
  n = Visibility(&o, kVisibleBothSides, kDepthMean);
  EXPECT_EQ(o.faces[1].a, 1);
  EXPECT_DOUBLE_EQ(o.Visibles[0].depth, 900.0);
  FreeObject(&o);
}

TEST(Pipeline, CullDropsCounterClockwiseAndCollinearFaces) {
  Object3D o = ParseFull(kTwoFaces);
  Transform(&o, Identity(), 320, 200, false);
  int32_t n = Visibility(&o, kVisibleCull, kDepthSum);
  ASSERT_EQ(n, 1);
  EXPECT_EQ(o.Visibles[0].face, 0);
  EXPECT_DOUBLE_EQ(o.Visibles[0].depth, 2700.0);
  EXPECT_EQ(o.faces[1].a, 0);   // untouched
  FreeObject(&o);
}

TEST(Pipeline, FacesAtOrBehindTheEyeAreNotDrawn) {
  // Vertex 3 lies a hair behind the eye, where a projection would still give finite values.
  Object3D o = ParseFull("4  0 0 0 0 0  100 0 0 0 0  0 100 0 0 0  10 100 -900.0005 0 0  2  0 1 2  0 1 3");
  Transform(&o, Identity(), 320, 200, false);
  EXPECT_TRUE(std::isnan(o.SVerts[3].x));
  EXPECT_EQ(Visibility(&o, kVisibleBothSides, kDepthThird), 1);
  Transform(&o, Identity(-5), 320, 200, false);   // the whole object behind the eye
  EXPECT_EQ(Visibility(&o, kVisibleCull, kDepthThird), 0);
  EXPECT_EQ(Visibility(&o, kVisibleBothSides, kDepthThird), 0);
  FreeObject(&o);
}

TEST(Pipeline, SortPutsFartherFirstAndKeepsFaceOrderOnTies) {
  Object3D o = ParseFull("0 0");
  Visible v[8] = {{500.2, 0, 0}, {500.9, 1, 0}, {10, 2, 0}, {900, 3, 0}, {500.2, 4, 0}, {-3, 5, 0}, {900, 6, 0}, {1e300, 7, 0}};
  o.Visibles = v;
  SortFaces(&o, 8);
  const int expect[8] = {7, 3, 6, 1, 0, 4, 2, 5};
  for (int i = 0; i < 8; i++) EXPECT_EQ(v[i].face, expect[i]) << i;
  o.Visibles = nullptr;
  FreeObject(&o);
}

TEST(Pipeline, SortIsAValidOrderingOnManyNearlyEqualDepths) {
  // Depths less than 1.0 apart in a large set: the truncated difference of old would not be a
  // valid ordering; the sort must still give a non-increasing sequence.
  std::vector<Visible> v(5000);
  uint32_t seed = 1;
  for (int i = 0; i < 5000; i++) {
    seed = seed * 214013u + 2531011u;
    v[size_t(i)] = {1000.0 + double((seed >> 16) & 0x7FFF) / 32768.0 * 3.0, i, 0};
  }
  Object3D o = {};
  o.Visibles = v.data();
  SortFaces(&o, 5000);
  for (int i = 1; i < 5000; i++) {
    ASSERT_GE(v[size_t(i - 1)].depth, v[size_t(i)].depth);
    if (v[size_t(i - 1)].depth == v[size_t(i)].depth) {
      ASSERT_LT(v[size_t(i - 1)].face, v[size_t(i)].face);
    }
  }
}

PolyVertex captured[16][3];
int capturedCount = 0;
PolyVertex polygon[3];
int32_t CaptureBuffer(int32_t) {
  for (int k = 0; k < 3; k++) captured[capturedCount][k] = polygon[k];
  capturedCount++;
  return 1;
}

TEST(Pipeline, DrawFacesBuildsRecordsInSortedOrder) {
  Object3D o = ParseFull("4  0 0 0 0.25 0.5  100 0 100 1 0  0 100 -100 0 1  50 50 0 0.5 0.5  2  0 1 2  0 3 1");
  Normals(&o);
  Camera cam = Identity(1024, FocalDouble(320));
  Transform(&o, cam, 320, 200, true);
  int32_t n = Visibility(&o, kVisibleBothSides, kDepthMean);
  SortFaces(&o, n);
  capturedCount = 0;
  DrawFaces(&o, n, polygon, kRecordTextureEnv, 128.0, CaptureBuffer);
  ASSERT_EQ(capturedCount, n);
  for (int e = 0; e < n; e++) {
    const Face& f = o.faces[o.Visibles[e].face];
    const int32_t index[3] = {f.a, f.b, f.c};
    for (int k = 0; k < 3; k++) {
      const int32_t i = index[k];
      const PolyVertex& p = captured[e][k];
      EXPECT_TRUE(p.x == o.SVerts[i].x && p.y == o.SVerts[i].y && p.u == o.Map[i].u && p.v == o.Map[i].v);
      EXPECT_EQ(p.eu, (o.VnormRotated[i].x + 1.0) * 128.0);
      EXPECT_EQ(p.ev, (o.VnormRotated[i].y + 1.0) * 128.0);
    }
  }
  // With no rotation the rotated normal is the normal.
  EXPECT_DOUBLE_EQ(o.VnormRotated[1].x, o.Vnorm[1].x);
  EXPECT_DOUBLE_EQ(o.VnormRotated[1].y, o.Vnorm[1].y);
  FreeObject(&o);
}

}  // namespace
