// The light effect's ramps, slopes and lookups, and BlurScreen's smear.
#include <gtest/gtest.h>

#include "demo/effects/light.h"
#include "effects/effects_support.h"

namespace {

using fx::Canvas;

class LightTest : public ::testing::Test {
 protected:
  void SetUp() override {
    fx::FreshLog();
    InitMemory();
  }
  void TearDown() override { FreeLightEffect(); }
  // A light spot whose intensity tells the lookup: 255 at (row 255, column 255), 0 elsewhere, or a
  // full-intensity spot everywhere.
  void SetUpWith(int32_t height, bool cornerOnly) {
    fx::AddPicture("h.tga", 320, 200, 1, [height](int32_t, int32_t) { return fx::Rgb{uint8_t(height), 0, 0}; });
    fx::AddPicture("spot.tga", 256, 256, 1, [cornerOnly](int32_t x, int32_t y) {
      return fx::Rgb{uint8_t(!cornerOnly || (x == 255 && y == 255) ? 255 : 0), 0, 0};
    });
    SetUpLight("h.tga", "spot.tga", fx::Files());
  }
};

TEST_F(LightTest, RampsAtFullIntensityAndSlopesOfAFlatMap) {
  SetUpWith(50, false);
  EXPECT_EQ(LightEffect.ramp1[0], uint32_t(31 << 11 | 57 << 5 | 21));
  EXPECT_EQ(LightEffect.ramp2[0], uint32_t(18 << 11 | 51 << 5 | 31));
  // Flat heights: dx = 128 - x, dy = 128 - y, so the lights' own pixels look at the spot's centre.
  EXPECT_EQ(LightEffect.slopes[2 * (10 * 320 + 3)], 125);
  EXPECT_EQ(LightEffect.slopes[2 * (10 * 320 + 3) + 1], 118);
  Canvas c(320, 200, 0x1234);
  DrawLightOn(c.Target(), 0.3f);
  EXPECT_EQ(c.At(100, 0), 0x1234);     // rows 0, 198 and 199 are not drawn
  EXPECT_EQ(c.At(100, 198), 0x1234);
  EXPECT_EQ(c.At(100, 1), uint16_t((31 + 18) / 2 << 11 | (57 + 51) / 2 << 5 | (21 + 31) / 2));
  EXPECT_TRUE(c.BorderIntact());
}

TEST_F(LightTest, OutOfRangeLookupsReadColumnAndRow255) {
  SetUpWith(0, true);
  Canvas c(320, 200, 0);
  // Far from both lights every lookup is clamped: to 255 when negative as well as when too large.
  DrawLightOn(c.Target(), 0.0f);
  int32_t l1[2], l2[2];
  LightPositions(0.0f, l1, l2);
  EXPECT_EQ(l1[0], 240);
  EXPECT_EQ(l1[1], 100);
  // Pixel (0, 1): s1 = 240 + 128 > 255 -> 255; t1 = 100 + 127 = 227 -> intensity 0 there.
  EXPECT_EQ(c.At(0, 1), 0);
  // A slope that sends the lookup far below 0 reads the spot's bottom-right corner, not its top-left.
  LightEffect.slopes[2 * (5 * 320 + 5)] = -1000;
  LightEffect.slopes[2 * (5 * 320 + 5) + 1] = -1000;
  DrawLightOn(c.Target(), 0.0f);
  EXPECT_EQ(c.At(5, 5), uint16_t((31 + 18) / 2 << 11 | (57 + 51) / 2 << 5 | (21 + 31) / 2));
}

TEST_F(LightTest, PicturesOfTheWrongDepthAreFatal) {
  fx::AddFlat("h24.tga", 320, 200, {1, 1, 1});
  fx::AddFlat("spot.tga", 256, 256, {1, 1, 1}, 1);
  EXPECT_NE(FatalOf([] { SetUpLight("h24.tga", "spot.tga", fx::Files()); }).find(
                "InitLight(): \"h24.tga\" must be 320 pixels wide, at least 200 rows, 8-bit"), std::string::npos);
  LightEffect = {};
}

TEST(BlurTest, TopRowBlackQuarterAtStartAndSettlingAt28) {
  Canvas c(320, 200, 0xFFFF);
  BlurScreenOn(c.Target());
  for (int32_t x = 0; x < 320; x++) ASSERT_EQ(c.At(x, 0), 0);
  EXPECT_EQ(c.At(0, 1), uint16_t(7 << 11 | 15 << 5 | 7));   // a quarter of 31, 63, 31
  // Along a long run of one colour each channel settles at c - 3 (31 -> 28), from below.
  EXPECT_EQ(c.At(300, 100) >> 11, 28);
  EXPECT_EQ(c.At(300, 100) & 0x1F, 28);
  EXPECT_TRUE(c.BorderIntact());
}

}  // namespace
