// The object effects: the checker (flying lattice, credits plate), Phong and multi. Set-up from
// pictures made here, the worked texel and pixel values, the path's hold and loop, the "angles of
// the previous call" rule, culling, and frames that stay inside their target.
#include <gtest/gtest.h>

#include <cmath>

#include "demo/effects/checker.h"
#include "demo/effects/multi.h"
#include "demo/effects/phong.h"
#include "demo/engine/fixed.h"
#include "effects/effects_support.h"

namespace {

using fx::Canvas;
using fx::Rgb;

char* W(const char* s) { return const_cast<char*>(s); }

class ObjectEffects : public ::testing::Test {
 protected:
  void SetUp() override {
    fx::FreshLog();
    fx::disk = {};
    fx::disk.texts["cube.3dm"] = fx::CubeObject(150.0);
    // One triangle in the z = 0 plane, in either winding.
    fx::disk.texts["tri_a.3dm"] = "3\n-200 -150 0 0 0\n200 -150 0 0.5 0\n0 200 0 0.25 0.5\n1\n0 1 2\n";
    fx::disk.texts["tri_b.3dm"] = "3\n-200 -150 0 0 0\n200 -150 0 0.5 0\n0 200 0 0.25 0.5\n1\n0 2 1\n";
    // Path: six values a b c ox oy D, last key at t = 100.
    fx::disk.texts["path.spl"] = "3 6\n0 0 0 0 0 0 900\n50 0.5 0.2 0.1 10 -5 1000\n100 1 0.4 0.3 20 8 1100\n";
    // Credits path: two values c ox, keys 0 to 300.
    fx::disk.texts["cred.spl"] = "4 2\n0 0 -40\n100 0.5 0\n200 1 30\n300 0.2 -10\n";
    fx::AddFlat("white.tga", 256, 256, {255, 255, 255});
    fx::AddFlat("black.tga", 256, 256, {0, 0, 0});
    fx::AddFlat("grey.tga", 256, 256, {127, 127, 127});
    fx::AddFlat("white32.tga", 256, 256, {255, 255, 255}, 4);
    fx::AddFlat("narrow.tga", 128, 256, {255, 255, 255});
    fx::AddFlat("short.tga", 256, 100, {255, 255, 255});
    fx::AddFlat("grey8.tga", 256, 256, {9, 9, 9}, 1);
  }
  void TearDown() override {
    if (CheckerEffect.ready) FreeCheckerEffect();
    if (PhongEffect.ready) FreePhongEffect();
    if (MultiEffect.ready) FreeMultiEffect();
  }
  void SetUpCheckerWith(const char* object, const char* mask, const char* texture, const char* path) {
    char* argv[] = {W(object), W(mask), W(texture), W(path)};
    SetUpChecker(4, argv, fx::Files());
  }
};

// ---- checker ----

TEST_F(ObjectEffects, CheckerTexelsAndMaskHoles) {
  // Texture: white, except (7, 3, 7) at texel 1. Mask: black at texel 2 only, (0, 0, 1) at texel 3.
  fx::AddPicture("tex.tga", 256, 256, 3, [](int32_t x, int32_t y) {
    return (x == 1 && y == 0) ? Rgb{7, 3, 7} : Rgb{255, 255, 255};
  });
  fx::AddPicture("mask.tga", 256, 256, 4, [](int32_t x, int32_t y) {
    if (y == 0 && x == 2) return Rgb{0, 0, 0};
    if (y == 0 && x == 3) return Rgb{0, 0, 1};
    return Rgb{200, 10, 10};
  });
  const int32_t before = MemoryInUse();
  SetUpCheckerWith("cube.3dm", "mask.tga", "tex.tga", "path.spl");
  ASSERT_TRUE(CheckerEffect.ready);
  // Texel 1's (7, 3, 7) truncates to 0, transparent too; texel 2 is pure black in the mask; (0, 0, 1) is not black.
  EXPECT_EQ(std::vector<uint16_t>(CheckerEffect.texture, CheckerEffect.texture + 4),
            (std::vector<uint16_t>{0xFFFF, 0, 0, 0xFFFF}));
  EXPECT_EQ(CheckerEffect.camera.distance, 900);
  EXPECT_DOUBLE_EQ(CheckerEffect.camera.a, -0.766842);
  EXPECT_EQ(fx::disk.loaded, fx::disk.unloaded);
  EXPECT_EQ(MissingInOrder(ReadLines(), {"Info: Begin of InitChecker()", "Info: End of InitChecker()"}), "");
  FreeCheckerEffect();
  EXPECT_EQ(MemoryInUse(), before);
}

TEST_F(ObjectEffects, CheckerRefusesPicturesItWouldReadPast) {
  EXPECT_NE(FatalOf([this] { SetUpCheckerWith("cube.3dm", "white.tga", "narrow.tga", "path.spl"); }).find(
                "FATAL ERROR: InitChecker(): \"narrow.tga\" must be 256 pixels wide, at least 256 rows"), std::string::npos);
  CheckerEffect = {};
  EXPECT_NE(FatalOf([this] { SetUpCheckerWith("cube.3dm", "short.tga", "white.tga", "path.spl"); }).find(
                "\"short.tga\" must be 256 pixels wide, at least 256 rows, 24 or 32-bit (it is 256 x 100"), std::string::npos);
  CheckerEffect = {};
  EXPECT_NE(FatalOf([this] { SetUpCheckerWith("cube.3dm", "white.tga", "grey8.tga", "path.spl"); }).find(
                "\"grey8.tga\" must be"), std::string::npos);
  CheckerEffect = {};
}

TEST_F(ObjectEffects, CheckerPathHoldsAtItsLastKey) {
  SetUpCheckerWith("cube.3dm", "white.tga", "white.tga", "path.spl");
  Canvas c;
  DrawCheckerOn(c.Target(), 0.5f);   // parameter 150, past the last key at 100
  EXPECT_DOUBLE_EQ(CheckerEffect.camera.a, 1.0);
  EXPECT_DOUBLE_EQ(CheckerEffect.camera.b, 0.4);
  EXPECT_DOUBLE_EQ(CheckerEffect.camera.c, 0.3);
  EXPECT_EQ(CheckerEffect.camera.ox, 20);
  EXPECT_EQ(CheckerEffect.camera.oy, 8);
  EXPECT_EQ(CheckerEffect.camera.distance, 1100);
  DrawCheckerOn(c.Target(), 25.0f / 300.0f);   // between keys: values truncated toward zero
  double v[7] = {};
  EvalSpline(&CheckerSplines, 0, (25.0f / 300.0f) * 300.0, v, -1);
  EXPECT_EQ(CheckerEffect.camera.ox, int32_t(v[3]));
  EXPECT_EQ(CheckerEffect.camera.oy, int32_t(v[4]));
  EXPECT_EQ(CheckerEffect.camera.distance, int32_t(v[5]));
  EXPECT_TRUE(c.BorderIntact());
}

TEST_F(ObjectEffects, CreditPlateLoopsBackToOneHundred) {
  SetUpCheckerWith("tri_a.3dm", "white.tga", "white.tga", "cred.spl");
  Canvas a, b;
  DrawCreditPlateOn(a.Target(), 350.0f / 2000.0f);   // past the last key (300): back to 150
  const double c1 = CheckerEffect.camera.c;
  const int32_t ox1 = CheckerEffect.camera.ox;
  DrawCreditPlateOn(b.Target(), 150.0f / 2000.0f);
  EXPECT_NEAR(CheckerEffect.camera.c, c1, 1e-6);
  EXPECT_LE(std::abs(CheckerEffect.camera.ox - ox1), 1);   // the wrapped parameter is 150 to within rounding
  EXPECT_EQ(CheckerEffect.camera.a, 0.0);
  EXPECT_EQ(CheckerEffect.camera.b, 0.0);
  EXPECT_EQ(CheckerEffect.camera.distance, 800);
  EXPECT_EQ(CheckerEffect.camera.oy, 0);
  EXPECT_GT(a.CountNot(0), 1000);   // the white plate is drawn
}

TEST_F(ObjectEffects, CheckerDrawsBothSidesAndKeepsTheBackgroundInItsHoles) {
  // Either winding of the plate is drawn; a transparent texture draws nothing at all.
  for (const char* object : {"tri_a.3dm", "tri_b.3dm"}) {
    SetUpCheckerWith(object, "white.tga", "white.tga", "cred.spl");
    Canvas c(320, 200, 0x1234);
    DrawCreditPlateOn(c.Target(), 0.01f);
    EXPECT_GT(c.CountNot(0x1234), 1000) << object;
    for (int32_t y = 0; y < 200; y++)
      for (int32_t x = 0; x < 320; x++) ASSERT_TRUE(c.At(x, y) == 0x1234 || c.At(x, y) == 0xFFFF);
    FreeCheckerEffect();
  }
  SetUpCheckerWith("tri_a.3dm", "black.tga", "white.tga", "cred.spl");
  Canvas c(320, 200, 0x1234);
  DrawCreditPlateOn(c.Target(), 0.01f);
  EXPECT_EQ(c.CountNot(0x1234), 0);
  EXPECT_TRUE(c.BorderIntact());
}

TEST_F(ObjectEffects, CheckerSetUpTwiceInTheShowReleasesBetween) {
  const int32_t before = MemoryInUse();
  SetUpCheckerWith("cube.3dm", "white.tga", "white.tga", "path.spl");
  FreeCheckerEffect();
  SetUpCheckerWith("tri_a.3dm", "white.tga", "white.tga", "cred.spl");
  EXPECT_EQ(CheckerEffect.object.vertexCount, 3);
  // A set-up over a set-up releases the first instead of losing it.
  SetUpCheckerWith("cube.3dm", "white.tga", "white.tga", "path.spl");
  EXPECT_TRUE(LogHasPart("InitChecker(): already set up"));
  FreeCheckerEffect();
  EXPECT_EQ(MemoryInUse(), before);
  FreeCheckerEffect();   // nothing left: a warning, not a double release
  EXPECT_TRUE(LogHasPart("FreeChecker(): the effect is not set up"));
}

// ---- Phong and multi ----

struct Spinner {
  const char* name;
  void (*setUp)(int32_t, char**, const EffectFiles&);
  void (*draw)(const FrameTarget&, float);
  void (*release)();
  Camera* camera;
  bool* ready;
};

const Spinner kPhong = {"Phong", SetUpPhong, DrawPhongOn, FreePhongEffect, &PhongEffect.camera, &PhongEffect.ready};
const Spinner kMulti = {"multi", SetUpMulti, DrawMultiOn, FreeMultiEffect, &MultiEffect.camera, &MultiEffect.ready};

void SetUpSpinner(const Spinner& s, const char* object, const char* texture, const char* env) {
  char* argv[] = {W(object), W(texture), W(env)};
  s.setUp(3, argv, fx::Files());
}

TEST_F(ObjectEffects, EachFrameShowsTheAnglesOfThePreviousCall) {
  for (const Spinner* s : {&kPhong, &kMulti}) {
    SetUpSpinner(*s, "cube.3dm", "grey.tga", "white.tga");
    EXPECT_DOUBLE_EQ(s->camera->a, -0.766842) << s->name;
    EXPECT_DOUBLE_EQ(s->camera->b, 0.298442);
    EXPECT_DOUBLE_EQ(s->camera->c, 0.298442);
    Canvas first, again, second;
    s->draw(first.Target(), 0.9f);   // drawn at the starting angles, whatever the progress
    EXPECT_DOUBLE_EQ(s->camera->a, 0.9f * 6.283);
    EXPECT_DOUBLE_EQ(s->camera->b, 0.9f * 12.566);
    EXPECT_DOUBLE_EQ(s->camera->c, 0.9f * 18.849);
    s->draw(second.Target(), 0.1f);  // drawn at the angles of 0.9
    s->release();
    SetUpSpinner(*s, "cube.3dm", "grey.tga", "white.tga");
    s->draw(again.Target(), 0.1f);
    EXPECT_TRUE(first.SameFrame(again)) << s->name;
    EXPECT_FALSE(first.SameFrame(second)) << s->name;
    EXPECT_GT(first.CountNot(0), 2000) << s->name;
    EXPECT_TRUE(first.BorderIntact() && second.BorderIntact());
    s->release();
  }
}

TEST_F(ObjectEffects, PixelCombinationsOfTheWorkedTexels) {
  struct Case {
    const Spinner* spinner;
    const char* texture;
    const char* env;
    uint16_t pixel;
  };
  const Case cases[] = {
      {&kPhong, "grey.tga", "black.tga", uint16_t(14 << 11 | 30 << 5 | 14)},   // grey 127, black highlight
      {&kPhong, "grey.tga", "white.tga", 0xFFFF},                              // 255 over >= 1 saturates
      {&kPhong, "black.tga", "white.tga", uint16_t(30 << 11 | 62 << 5 | 30)},  // 255 over 0
      {&kMulti, "white.tga", "white.tga", 0xFFFF},
      {&kMulti, "white.tga", "black.tga", uint16_t(15 << 11 | 31 << 5 | 15)},
  };
  for (const Case& k : cases) {
    SetUpSpinner(*k.spinner, "cube.3dm", k.texture, k.env);
    Canvas c(320, 200, 0x0841);
    k.spinner->draw(c.Target(), 0.3f);
    int32_t drawn = 0;
    for (int32_t y = 0; y < 200; y++)
      for (int32_t x = 0; x < 320; x++) {
        const uint16_t p = c.At(x, y);
        if (p == 0x0841) continue;
        drawn++;
        ASSERT_EQ(p, k.pixel) << k.spinner->name << " " << k.texture << " " << k.env << " at " << x << "," << y;
      }
    EXPECT_GT(drawn, 2000);
    k.spinner->release();
  }
}

TEST_F(ObjectEffects, FacesTurnedAwayAreNotDrawn) {
  for (const Spinner* s : {&kPhong, &kMulti}) {
    int32_t drawn[2];
    int i = 0;
    for (const char* object : {"tri_a.3dm", "tri_b.3dm"}) {
      SetUpSpinner(*s, object, "white.tga", "white.tga");
      Canvas c;
      s->draw(c.Target(), 0.0f);
      drawn[i++] = c.CountNot(0);
      s->release();
    }
    // The same triangle in the two windings: exactly one of them faces the eye.
    EXPECT_TRUE((drawn[0] == 0) != (drawn[1] == 0)) << s->name << " " << drawn[0] << " " << drawn[1];
  }
}

TEST_F(ObjectEffects, ObjectsLargerThanTheScreenStayInsideTheFrame) {
  // A cube far larger than the screen, partly behind the eye: whatever is drawn lies on the frame.
  fx::disk.texts["huge.3dm"] = fx::CubeObject(900.0);
  for (const Spinner* s : {&kPhong, &kMulti}) {
    SetUpSpinner(*s, "huge.3dm", "white.tga", "white.tga");
    Canvas c(320, 200, 0x0841);
    for (float p : {0.0f, 0.2f, 0.45f, 0.7f}) s->draw(c.Target(), p);
    EXPECT_TRUE(c.BorderIntact()) << s->name;
    s->release();
  }
  SetUpCheckerWith("huge.3dm", "white.tga", "white.tga", "path.spl");
  Canvas c(320, 200, 0x0841);
  for (float p : {0.0f, 0.1f, 0.2f, 0.4f}) DrawCheckerOn(c.Target(), p);
  EXPECT_GT(c.CountNot(0x0841), 0);
  EXPECT_TRUE(c.BorderIntact());
}

TEST_F(ObjectEffects, SpinnersRefuseWrongPicturesAndLogTheirLines) {
  EXPECT_NE(FatalOf([] { SetUpSpinner(kPhong, "cube.3dm", "white32.tga", "white.tga"); }).find(
                "FATAL ERROR: Phong(): \"white32.tga\" must be 256 pixels wide, at least 256 rows, 24-bit (it is 256 x 256, 32-bit)"), std::string::npos);
  PhongEffect = {};
  EXPECT_NE(FatalOf([] { SetUpSpinner(kMulti, "cube.3dm", "white.tga", "narrow.tga"); }).find(
                "FATAL ERROR: multi(): \"narrow.tga\" must be 256 pixels wide"), std::string::npos);
  MultiEffect = {};

  fx::FreshLog();
  const int32_t before = MemoryInUse();
  SetUpSpinner(kPhong, "cube.3dm", "white.tga", "white.tga");
  SetUpSpinner(kMulti, "cube.3dm", "white.tga", "white.tga");
  EXPECT_EQ(MissingInOrder(ReadLines(), {"Info: Begin of Phong()", "Info: Loaded meteor4.3dm, 8 vertices, 12 faces",
                                         "Info: Begin of multi()", "Info: Loaded meteor4.asc, 8 vertices, 12 faces"}),
            "");
  FreePhongEffect();
  FreeMultiEffect();
  EXPECT_EQ(MemoryInUse(), before);
  Canvas c;
  DrawPhongOn(c.Target(), 0.5f);   // after release: a warning and nothing drawn
  EXPECT_EQ(c.CountNot(0), 0);
  EXPECT_TRUE(LogHasPart("DrawPhong(): the effect is not set up"));
}

}  // namespace
