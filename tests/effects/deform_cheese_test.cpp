// The deform lens and its swinging view; the cheese meteor's holes, saturation and first angles.
#include <gtest/gtest.h>

#include <cmath>

#include "demo/effects/cheese.h"
#include "demo/effects/deform.h"
#include "demo/engine/fixed.h"
#include "effects/effects_support.h"

namespace {

using fx::Canvas;

// A progress at which the view's shift is (dx, dy), searched over the window.
float ProgressWith(bool (*want)(int32_t dx, int32_t dy)) {
  for (int i = 0; i <= 200000; i++) {
    int32_t dx, dy;
    DeformOffset(i / 200000.0f, &dx, &dy);
    if (want(dx, dy)) return i / 200000.0f;
  }
  return -1;
}

class DeformTest : public ::testing::Test {
 protected:
  void SetUp() override {
    fx::FreshLog();
    InitMemory();
    // Every picture pixel tells where it is: red = x / 10, blue = y / 8 (never 0 together with green).
    fx::AddPicture("fond.tga", 320, 200, 3, [](int32_t x, int32_t y) {
      return fx::Rgb{uint8_t(x * 255 / 319), 128, uint8_t(y * 255 / 199)};
    });
    SetUpDeform("fond.tga", fx::Files());
  }
  void TearDown() override { FreeDeformEffect(); }
};

TEST_F(DeformTest, LensIsDenseAtTheEdgesAndTheShiftBlacksWhatLeavesTheScreen) {
  const int32_t* lens = DeformEffect.lens;
  // sx runs from about 0.0245 W to 0.975 W, steps small at the edges and large in the middle.
  EXPECT_EQ(lens[0] % 320, int32_t(320 * (cos(((1 - 2.0 * 319 / 320) * 0.8 - 1) * 1.57) + 1) * 0.5));
  EXPECT_EQ(lens[0], 5 * 320 + 8);   // about 0.0255 of each side in
  EXPECT_LT(lens[1] - lens[0], lens[161] - lens[160]);
  EXPECT_GT(lens[319] % 320, 300);

  const float still = ProgressWith([](int32_t dx, int32_t dy) { return dx == 0 && dy > 0 && dy < 20; });
  ASSERT_GE(still, 0);
  int32_t dx, dy;
  DeformOffset(still, &dx, &dy);
  Canvas c(320, 200, 0x1234);
  DrawDeformOn(c.Target(), still);
  EXPECT_EQ(c.At(100, 50), DeformEffect.picture[lens[50 * 320 + 100] + dy * 320]);
  EXPECT_EQ(c.CountNot(0x1234), 320 * 200);   // every pixel written
  EXPECT_TRUE(c.BorderIntact());

  // The largest shift to the right the swing reaches (75: the cosine never quite gets to 1).
  const float right = ProgressWith([](int32_t dx, int32_t) { return dx == 75; });
  ASSERT_GE(right, 0);
  DrawDeformOn(c.Target(), right);
  for (int32_t y = 0; y < 200; y++)
    for (int32_t x = 245; x < 320; x++) ASSERT_EQ(c.At(x, y), 0) << x << "," << y;
  EXPECT_NE(c.At(244, 100), 0);
  EXPECT_TRUE(c.BorderIntact());
}

TEST_F(DeformTest, ShiftsNeverReadOutsideThePicture) {
  Canvas c;
  for (int i = 0; i <= 1000; i++) {
    DrawDeformOn(c.Target(), i / 1000.0f);
    int32_t dx, dy;
    DeformOffset(i / 1000.0f, &dx, &dy);
    ASSERT_TRUE(c.BorderIntact());
    for (int32_t y = 0; y < 200; y += 7)
      if (y + dy < 0 || y + dy >= 200) { ASSERT_EQ(c.At(5, y), 0); }
  }
}

TEST_F(DeformTest, SmallPictureIsRefusedByName) {
  fx::AddFlat("small.tga", 256, 256, {1, 2, 3});
  EXPECT_NE(FatalOf([] { SetUpDeform("small.tga", fx::Files()); }).find(
                "InitDeform(): \"small.tga\" must be at least 320 x 200 pixels"), std::string::npos);
}

class CheeseTest : public ::testing::Test {
 protected:
  void SetUp() override {
    fx::FreshLog();
    InitMemory();
    fx::disk.texts["cube.3dm"] = fx::CubeObject(120);
  }
  void TearDown() override {
    if (CheeseEffect.ready) FreeSpinner(CheeseEffect, kCheeseKind);
  }
  void SetUpWith(fx::Rgb texture, fx::Rgb env) {
    fx::AddFlat("tex.tga", 256, 256, texture);
    fx::AddFlat("env.tga", 256, 256, env);
    char a[] = "cube.3dm", b[] = "tex.tga", e[] = "env.tga";
    char* argv[] = {a, b, e, nullptr};
    SetUpSpinner(CheeseEffect, kCheeseKind, 3, argv, fx::Files());
  }
};

TEST_F(CheeseTest, FirstFrameAtStartingAnglesAndSaturatingSum) {
  SetUpWith({0, 0, 1}, {255, 255, 255});
  EXPECT_TRUE(LogHasPart("Loaded meteor4.3dm, 8 vertices, 12 faces"));
  EXPECT_DOUBLE_EQ(CheeseEffect.camera.a, -0.766842);
  Canvas c(320, 200, 0x0841);
  DrawSpinnerOn(CheeseEffect, kCheeseKind, c.Target(), 0.5f);
  EXPECT_DOUBLE_EQ(CheeseEffect.camera.c, 0.5 * 31.415000000000003);   // for the next frame
  EXPECT_GT(c.CountNot(0x0841), 1000);
  for (int32_t y = 0; y < 200; y++)
    for (int32_t x = 0; x < 320; x++)
      if (c.At(x, y) != 0x0841) { ASSERT_EQ(c.At(x, y), SaturatingSum(PackTexel(0, 0, 1), PackTexel(255, 255, 255))); }
  EXPECT_TRUE(c.BorderIntact());
}

TEST_F(CheeseTest, BlackTexelsAreHoles) {
  SetUpWith({0, 0, 0}, {255, 0, 0});
  Canvas c(320, 200, 0x1234);
  DrawSpinnerOn(CheeseEffect, kCheeseKind, c.Target(), 0.0f);
  EXPECT_EQ(c.CountNot(0x1234), 0);
}

TEST_F(CheeseTest, PicturesOfTheWrongShapeAreFatal) {
  fx::AddFlat("tex.tga", 128, 256, {1, 1, 1});
  fx::AddFlat("env.tga", 256, 256, {1, 1, 1});
  EXPECT_TRUE(DiesFatally([] {
    char a[] = "cube.3dm", b[] = "tex.tga", e[] = "env.tga";
    char* argv[] = {a, b, e, nullptr};
    SetUpSpinner(CheeseEffect, kCheeseKind, 3, argv, fx::Files());
  }));
  EXPECT_TRUE(LogHasPart("Cheese(): \"tex.tga\" must be 256 pixels wide"));
  CheeseEffect = {};
}

}  // namespace
