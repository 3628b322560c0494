// A whole frame through the engine: pipeline steps, the painter's order and a filler together.
#include <gtest/gtest.h>

#include <vector>

#include "demo/engine/fill.h"
#include "demo/engine/fixed.h"
#include "demo/engine/pipeline.h"
#include "engine_support.h"

namespace {

std::vector<uint16_t> frame(320 * 200);
std::vector<uint16_t> texture(65536);
PolyVertex polygon[3];
int32_t Fill(int32_t n) {
  return FillPolygon(kFillChecker, polygon, n, {texture.data(), nullptr, nullptr}, {frame.data(), 320, 200, 0});
}

// Texels with u below 128 are red, the others blue; v below 16 is a hole (0).
void MakeTexture() {
  for (int v = 0; v < 256; v++)
    for (int u = 0; u < 256; u++) texture[size_t(v * 256 + u)] = v < 16 ? 0 : (u < 128 ? 0xF800 : 0x001F);
}

// Draws the object onto a cleared frame as the effects do: transform, both sides, sort, fill.
void Render(Object3D& o, int32_t faces) {
  MakeTexture();
  std::fill(frame.begin(), frame.end(), 0x0000);
  Camera camera = {0, 0, 0, 900, 0, 0, FocalInteger(320)};
  Transform(&o, camera, 320, 200, false);
  const int32_t n = Visibility(&o, kVisibleBothSides, kDepthThird);
  ASSERT_EQ(n, faces);
  SortFaces(&o, n);
  EXPECT_GT(o.Visibles[0].depth, o.Visibles[n - 1].depth);
  DrawFaces(&o, n, polygon, kRecordTexture, 0.0, Fill);
}

// Two overlapping squares, the red one 100 units nearer the eye than the blue one; each square is
// two faces. Listed far-first and near-first, the near square must end on top either way.
std::string Squares(bool nearFirst) {
  const char* nearSquare = "-60 -60 -100 0.1 0.1  40 -60 -100 0.4 0.1  40 40 -100 0.4 0.4  -60 40 -100 0.1 0.4";
  const char* farSquare = "-40 -40 100 0.6 0.1  60 -40 100 0.9 0.1  60 60 100 0.9 0.4  -40 60 100 0.6 0.4";
  std::string s = "8 ";
  s += nearFirst ? nearSquare : farSquare;
  s += " ";
  s += nearFirst ? farSquare : nearSquare;
  s += " 4 0 1 2 0 2 3 4 5 6 4 6 7";
  return s;
}

TEST(EngineFrame, NearerFacesCoverFartherOnesWhateverTheirOrder) {
  for (bool nearFirst : {false, true}) {
    Object3D o = ParseFull(Squares(nearFirst));
    Render(o, 4);
    // The overlap (object x, y in -40..40) is red; the far square's own corner is blue; outside
    // both squares nothing changed.
    const double k = 512.0 / 800.0, kf = 512.0 / 1000.0;
    EXPECT_EQ(frame[size_t(100 + 0) * 320 + 160], 0xF800) << nearFirst;
    EXPECT_EQ(frame[size_t(100 + int(30 * k)) * 320 + 160 + int(30 * k)], 0xF800);
    EXPECT_EQ(frame[size_t(100 + int(55 * kf)) * 320 + 160 + int(55 * kf)], 0x001F);
    EXPECT_EQ(frame[size_t(100 + int(-55 * k)) * 320 + 160 + int(-55 * k)], 0xF800);
    EXPECT_EQ(frame[10 * 320 + 10], 0x0000);
    EXPECT_EQ(frame[190 * 320 + 310], 0x0000);
    FreeObject(&o);
  }
}

TEST(EngineFrame, HolesShowTheFacesBehind) {
  // The near square's v runs 0 to 25.6 texels from top to bottom, so its upper part (v < 16, object
  // y below 2.5) is holes: the blue square shows through there and is covered below.
  Object3D o = ParseFull(
      "8 -60 -60 -100 0.1 0.0  40 -60 -100 0.4 0.0  40 40 -100 0.4 0.1  -60 40 -100 0.1 0.1 "
      "-40 -40 100 0.6 0.1  60 -40 100 0.9 0.1  60 60 100 0.9 0.4  -40 60 100 0.6 0.4 4 0 1 2 0 2 3 4 5 6 4 6 7");
  Render(o, 4);
  const double k = 512.0 / 800.0;
  const int column = 160 + int(-20 * k);
  EXPECT_EQ(frame[size_t(100 + int(-20 * k)) * 320 + column], 0x001F);
  EXPECT_EQ(frame[size_t(100 + int(30 * k)) * 320 + column], 0xF800);
  EXPECT_EQ(frame[size_t(100 + int(-50 * k)) * 320 + column], 0x0000);   // a hole with nothing behind
  FreeObject(&o);
}

}  // namespace
