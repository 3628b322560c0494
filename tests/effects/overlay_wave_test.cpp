// The transition glitch, the foreground overlay, the wave wipe and Checkenv's configuration file.
#include <gtest/gtest.h>

#include <cstdio>

#include "demo/effects/checkenv.h"
#include "demo/effects/random.h"
#include "demo/effects/transition.h"
#include "demo/effects/transpic.h"
#include "demo/effects/wave.h"
#include "effects/effects_support.h"

namespace {

using fx::Canvas;

void Numbered(Canvas& c) {
  for (int32_t y = 0; y < c.h; y++)
    for (int32_t x = 0; x < c.w; x++) c.At(x, y) = uint16_t(y * 320 + x + 1);
}

TEST(TransitionTest, EndsLeaveTheFrameAndTheMiddleShiftsEachRowByItsNumber) {
  Canvas c;
  Numbered(c);
  Canvas before = c;
  TransitionOn(c.Target(), 0.0f);
  TransitionOn(c.Target(), 1.0f);
  EXPECT_TRUE(c.SameFrame(before));

  // The rows of a plain 320 x 200 buffer pushed as the glitch does, one after the other.
  std::vector<uint16_t> ref(320 * 200);
  for (int32_t y = 0; y < 200; y++)
    for (int32_t x = 0; x < 320; x++) ref[size_t(y * 320 + x)] = before.At(x, y);
  SetRandomSeed(kRandomFirstSeed);
  int32_t moved = 0;
  for (int32_t y = 0; y < 199; y++) {
    const int32_t shift = int32_t(double(Random()) * double(3.0518509e-05f) * 100.0);   // amp is 1
    moved += shift > 0;
    std::vector<uint16_t> row(ref.begin() + y * 320, ref.begin() + y * 320 + 320);
    std::copy(row.begin(), row.end(), ref.begin() + y * 320 + shift);
  }
  EXPECT_GT(moved, 150);
  SetRandomSeed(kRandomFirstSeed);
  TransitionOn(c.Target(), 0.5f);
  for (int32_t y = 0; y < 200; y++)
    for (int32_t x = 0; x < 320; x++) ASSERT_EQ(c.At(x, y), ref[size_t(y * 320 + x)]) << x << "," << y;
  EXPECT_TRUE(c.BorderIntact());
}

TEST(TransitionTest, SpillStaysInsideNarrowFramesAndStrides) {
  for (int32_t w : {8, 50, 99, 320}) {
    Canvas c(w, 4);
    Numbered(c);
    for (int i = 0; i < 50; i++) TransitionOn(c.Target(), 0.5f);
    EXPECT_TRUE(c.BorderIntact()) << w;
  }
}

TEST(TransPicTest, KeyedPixelsLetTheFrameThrough) {
  fx::FreshLog();
  InitMemory();
  fx::AddPicture("over.tga", 320, 200, 3, [](int32_t x, int32_t) {
    return x < 160 ? fx::Rgb{7, 3, 7} : fx::Rgb{255, 0, 0};   // below 8/4/8: 5-6-5 black
  });
  SetUpTransPic("over.tga", 0, fx::Files());
  Canvas c(320, 200, 0x1234);
  DrawTransPicOn(c.Target());
  EXPECT_EQ(c.At(10, 10), 0x1234);
  EXPECT_EQ(c.At(200, 10), 0xF800);
  FreeTransPicEffect();
  SetUpTransPic("over.tga", 70000, fx::Files());   // matches nothing
  DrawTransPicOn(c.Target());
  EXPECT_EQ(c.At(10, 10), 0);
  FreeTransPicEffect();

  fx::AddFlat("wide.tga", 640, 200, {1, 1, 1});
  EXPECT_NE(FatalOf([] { SetUpTransPic("wide.tga", 0, fx::Files()); }).find(
                "InitTransPic(): \"wide.tga\" must be 320 x 200 pixels"), std::string::npos);
}

TEST(WaveTest, ThresholdsInBothDirections) {
  EXPECT_EQ(WaveThreshold(0.0f, 1), 0);
  EXPECT_EQ(WaveThreshold(0.999f, 1), 255);
  EXPECT_EQ(WaveThreshold(0.0f, 0), 256);
  EXPECT_EQ(WaveThreshold(0.5f, 7), 128);

  fx::FreshLog();
  InitMemory();
  fx::AddPicture("mask.tga", 320, 200, 1, [](int32_t x, int32_t) { return fx::Rgb{uint8_t(x * 255 / 319), 0, 0}; });
  fx::AddFlat("fond.tga", 320, 200, {255, 255, 255}, 4);
  SetUpFond("fond.tga", fx::Files());
  SetUpWave("mask.tga", 1, fx::Files());
  Canvas c;
  DrawFondOn(c.Target());
  EXPECT_EQ(c.CountNot(0xFFFF), 0);   // a 32-bit background converts at its own stride
  DrawWaveOn(c.Target(), 0.5f);
  EXPECT_EQ(c.At(0, 0), 0);
  EXPECT_EQ(c.At(319, 199), 0xFFFF);
  EXPECT_TRUE(c.BorderIntact());
  FreeFondPicture();
  FreeWaveMask();

  fx::AddFlat("tiny.tga", 100, 100, {1, 1, 1}, 1);
  EXPECT_NE(FatalOf([] { SetUpWave("tiny.tga", 1, fx::Files()); }).find(
                "InitWave(): \"tiny.tga\" must be at least 320 x 200 pixels"), std::string::npos);
}

TEST(CheckenvTest, ConfigurationFileRefusals) {
  fx::FreshLog();
  char map[64], mask[64];
  remove("conf-test.rc");
  EXPECT_FALSE(ReadCheckenvConfig("conf-test.rc", map, mask));
  EXPECT_TRUE(LogHasPart("ERROR: Checkenv(): Couldn't open \"conf-test.rc\""));

  WriteText("conf-test.rc", "onlyone\n");
  EXPECT_FALSE(ReadCheckenvConfig("conf-test.rc", map, mask));

  WriteText("conf-test.rc", std::string(200, 'a') + " " + std::string(200, 'b') + "\n");
  EXPECT_FALSE(ReadCheckenvConfig("conf-test.rc", map, mask));   // the first 63 characters hold one word

  WriteText("conf-test.rc", "zelt2.tga checkfun.tga\nignored\n");
  ASSERT_TRUE(ReadCheckenvConfig("conf-test.rc", map, mask));
  EXPECT_STREQ(map, "zelt2.tga");
  EXPECT_STREQ(mask, "checkfun.tga");
}

}  // namespace
