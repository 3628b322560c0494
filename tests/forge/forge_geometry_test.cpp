// The forged objects and paths keep everything on screen where the effects draw without clipping,
// face the right way for the culling effects, and move the captions in, hold them and take them out.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <filesystem>

#include "demo/engine/object.h"
#include "demo/engine/pipeline.h"
#include "demo/engine/spline.h"
#include "forge/forge_support.h"
#include "runtime/files.h"
#include "runtime/log.h"
#include "runtime/memory.h"
#include "runtime/picture.h"

namespace {

struct Obj {
  Object3D o = {};
  explicit Obj(const char* name) {
    std::vector<uint8_t> bytes = DataFile(name);
    ParseObject(bytes.data(), bytes.size(), name, &o);
  }
  ~Obj() {
    if (o.Verts) Free(o.Verts);
    if (o.Map) Free(o.Map);
    if (o.faces) Free(o.faces);
  }
};

// A vertex rotated by m, moved `distance` away and projected with focal 512: screen x and y, and z.
Vertex3 Project(const double m[3][3], const Vertex3& p, double distance) {
  const double X = m[0][0] * p.x + m[0][1] * p.y + m[0][2] * p.z, Y = m[1][0] * p.x + m[1][1] * p.y + m[1][2] * p.z;
  const double Z = m[2][0] * p.x + m[2][1] * p.y + m[2][2] * p.z + distance;
  return {160 + 512 * X / Z, 100 + 512 * Y / Z, Z};
}

// Projects every vertex with the pipeline's rotation for a grid of angles; returns the screen box
// over all of them.
struct Box { double x0 = 1e9, y0 = 1e9, x1 = -1e9, y1 = -1e9, minZ = 1e9; };
Box Sweep(const Object3D& o, int32_t distance, int32_t ox, int32_t oy) {
  Box box;
  for (int32_t i = 0; i < 9; ++i)
    for (int32_t j = 0; j < 9; ++j)
      for (int32_t k = 0; k < 5; ++k) {
        double m[3][3];
        RotationMatrix(i * 0.7, j * 0.7 + 0.3, k * 1.3 + 0.1, m);
        for (int32_t v = 0; v < o.vertexCount; ++v) {
          const Vertex3 s = Project(m, o.Verts[v], distance);
          box = {std::min(box.x0, s.x + ox), std::min(box.y0, s.y + oy), std::max(box.x1, s.x + ox),
                 std::max(box.y1, s.y + oy), std::min(box.minZ, s.z)};
        }
      }
  return box;
}

void ExpectOnScreen(const Box& b, const char* what) {
  EXPECT_GE(b.x0, 0.0) << what;
  EXPECT_GE(b.y0, 0.0) << what;
  EXPECT_LT(b.x1, 320.0) << what;
  EXPECT_LT(b.y1, 200.0) << what;
  EXPECT_GT(b.minZ, 100.0) << what;
}

double SignedVolume(const Object3D& o) {
  double v = 0;
  for (int32_t f = 0; f < o.faceCount; ++f) {
    const Vertex3 &a = o.Verts[o.faces[f].a], &b = o.Verts[o.faces[f].b], &c = o.Verts[o.faces[f].c];
    v += a.x * (b.y * c.z - b.z * c.y) - a.y * (b.x * c.z - b.z * c.x) + a.z * (b.x * c.y - b.y * c.x);
  }
  return v / 6;
}

struct Path {
  SplineStore* store;
  explicit Path(const char* name) {
    static SplineStore s;
    store = &s;
    std::vector<uint8_t> bytes = DataFile(name);
    Failure why;
    ParseSpline(store, 0, bytes.data(), bytes.size(), why);
  }
  std::array<double, 6> At(double t, int32_t loop = 0) const {
    std::array<double, 6> v{};
    EvalSpline(store, 0, t, v.data(), loop);
    return v;
  }
};

}  // namespace

TEST(ForgeGeometry, MeteorAndKnotStayOnScreenAtTheirCameras) {
  ASSERT_TRUE(Forged("forged_a"));
  DebugMode = 0;
  Obj meteor("meteor4.3dm"), knot("obj4.3dm");
  ExpectOnScreen(Sweep(meteor.o, 1024, 40, 20), "meteor, cheese camera");
  ExpectOnScreen(Sweep(meteor.o, 1100, 70, -20), "meteor, multi camera");
  ExpectOnScreen(Sweep(knot.o, 2048, 0, 0), "knot, Phong camera");
  Box big = Sweep(knot.o, 2048, 0, 0);
  EXPECT_GT(big.y1 - big.y0, 120.0) << "the Phong object should fill a good part of the screen";
}

TEST(ForgeGeometry, ClosedObjectsAreWoundForTheCullingEffects) {
  ASSERT_TRUE(Forged("forged_a"));
  DebugMode = 0;
  // a face is drawn when it runs clockwise on screen, i.e. (B - A) x (C - A) points away from the
  // eye: for a closed object that is the inward normal, so the signed volume comes out negative
  Obj meteor("meteor4.3dm"), knot("obj4.3dm");
  EXPECT_LT(SignedVolume(meteor.o), 0.0);
  EXPECT_LT(SignedVolume(knot.o), 0.0);
  // and the faces kept by the culling test at the start angles are the near half of the meteor
  double m[3][3];
  RotationMatrix(-0.766842, 0.298442, 0.298442, m);
  int32_t kept = 0, near = 0;
  for (int32_t f = 0; f < meteor.o.faceCount; ++f) {
    double sx[3], sy[3], z = 0;
    const int32_t idx[3] = {meteor.o.faces[f].a, meteor.o.faces[f].b, meteor.o.faces[f].c};
    for (int32_t k = 0; k < 3; ++k) {
      const Vertex3 s = Project(m, meteor.o.Verts[idx[k]], 1100);
      sx[k] = s.x, sy[k] = s.y, z += s.z / 3;
    }
    double cross = (sy[2] - sy[0]) * (sx[1] - sx[0]) - (sy[1] - sy[0]) * (sx[2] - sx[0]);
    if (cross > 0) {
      ++kept;
      near += z < 1100 + 20;
    }
  }
  EXPECT_GT(kept, meteor.o.faceCount / 3);
  EXPECT_LT(kept, meteor.o.faceCount * 2 / 3);
  EXPECT_GT(near, kept * 9 / 10);
}

TEST(ForgeGeometry, CaptionsFlyInHoldOnScreenAndLeave) {
  ASSERT_TRUE(Forged("forged_a"));
  struct Caption { const char* path; int32_t w, h; };
  for (const Caption c : {Caption{"coder.spl", 276, 66}, Caption{"design.spl", 276, 66}, Caption{"music.spl", 276, 66},
                          Caption{"nom.spl", 200, 48}}) {
    Path p(c.path);
    auto outside = [&](double t) {
      auto v = p.At(t);
      int32_t x = int32_t(v[0]), y = int32_t(v[1]);
      return x >= 320 || y >= 200 || x + c.w - 1 < 0 || y + c.h - 1 < 0;
    };
    EXPECT_TRUE(outside(0)) << c.path << " starts off screen";
    EXPECT_TRUE(outside(199.9)) << c.path << " ends off screen";
    auto hold = p.At(100);
    for (double t = 40; t <= 165; t += 2.5) {
      auto v = p.At(t);
      EXPECT_GE(v[0], 0.0) << c.path << " t=" << t;
      EXPECT_LE(v[0] + c.w, 320.0) << c.path << " t=" << t;
      EXPECT_GE(v[1], 0.0) << c.path << " t=" << t;
      EXPECT_LE(v[1] + c.h, 200.0) << c.path << " t=" << t;
      EXPECT_NEAR(v[1], hold[1], 3.0) << c.path << " holds still while readable";
      EXPECT_NEAR(v[0], hold[0], 8.0) << c.path << " holds still while readable";
    }
  }
}

TEST(ForgeGeometry, CaptionsShownTogetherDoNotCoverEachOther) {
  ASSERT_TRUE(Forged("forged_a"));
  DebugMode = 0;
  SetArchiveName((std::filesystem::current_path() / "forged_a").string().append("/").c_str());
  Picture* roles = LoadPicture("fonctions.tga");
  Picture* names = LoadPicture("noms.tga");
  // rows of a band that hold visible letters, as screen rows at the path's holding position
  auto rows = [](const Picture* pic, int32_t top, int32_t h, double y) {
    int32_t first = 1 << 20, last = -1;
    for (int32_t r = 0; r < h; ++r)
      for (int32_t x = 0; x < pic->width; ++x)
        if (pic->data[(size_t(top + r) * pic->width + x) * 4 + 3] > 40) {
          first = std::min(first, r);
          last = std::max(last, r);
        }
    return std::pair<int32_t, int32_t>{int32_t(y) + first, int32_t(y) + last};
  };
  const double coderY = Path("coder.spl").At(100)[1], musicY = Path("music.spl").At(100)[1];
  const double designY = Path("design.spl").At(100)[1], nameY = Path("nom.spl").At(100)[1];
  auto code = rows(roles, 0, 66, coderY), design = rows(roles, 66, 66, designY), music = rows(roles, 132, 66, musicY);
  for (int32_t k = 0; k < 9; ++k) {
    auto name = rows(names, 48 * k, 48, nameY);
    EXPECT_LT(code.second, name.first) << k;
    EXPECT_LT(design.second, name.first) << k;
    EXPECT_LT(music.second, name.first) << k;
  }
  EXPECT_LT(code.second, music.first) << "music and code are shown together";
  UnloadPicture(roles);
  UnloadPicture(names);
}

TEST(ForgeGeometry, LogoHoldsWhereTheEndScreenShowsIt) {
  ASSERT_TRUE(Forged("forged_a"));
  Path p("logoqvx.spl");
  EXPECT_GE(int32_t(p.At(0)[1]), 200) << "starts below the screen";
  EXPECT_GE(int32_t(p.At(199.9)[1]), 195) << "leaves at the bottom, so the cheese shows between";
  for (double t = 95; t <= 145; t += 5) {
    auto v = p.At(t);
    EXPECT_EQ(int32_t(v[0]), 32) << t;
    EXPECT_NEAR(v[1], -28.0, 1.5) << t;
  }
}

TEST(ForgeGeometry, MeteorFlightAndCreditPlateStayInView) {
  ASSERT_TRUE(Forged("forged_a"));
  Path flight("checker.spl");
  for (double t = 0; t <= 300; t += 5) {
    auto v = flight.At(t, -1);
    EXPECT_GT(v[5], 300.0) << "the camera distance keeps the meteor in front of the eye, t=" << t;
    if (t >= 40 && t <= 260) {
      EXPECT_LT(std::fabs(v[3]), 160.0) << t;
      EXPECT_LT(std::fabs(v[4]), 100.0) << t;
    }
  }
  Path plate("credcheck.spl");
  auto loopStart = plate.At(100, 100), loopEnd = plate.At(500, 100);
  EXPECT_NEAR(std::fmod(loopEnd[0] - loopStart[0], 2 * 3.14159265358979), 0.0, 1e-3) << "the spin closes";
  EXPECT_NEAR(loopEnd[1], loopStart[1], 1.0);
  for (double t = 100; t <= 2000; t += 7) EXPECT_LT(std::fabs(plate.At(t, 100)[1]), 60.0) << t;
}
