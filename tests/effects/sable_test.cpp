// The sand landscape: its tables and noise, the worked figures, the trail counters and whole
// frames drawn from pictures made here (never below row 193, never outside the target).
#include <gtest/gtest.h>

#include <cmath>

#include "demo/effects/random.h"
#include "demo/effects/sable.h"
#include "effects/effects_support.h"

namespace {

using fx::Canvas;
using fx::Rgb;

class Sable : public ::testing::Test {
 protected:
  void SetUp() override {
    fx::FreshLog();
    fx::disk = {};
    // A varied scene so that every branch of the landscape is taken.
    fx::AddPicture("spec.tga", 256, 256, 3, [](int32_t x, int32_t y) {
      return Rgb{uint8_t(x), uint8_t(y), uint8_t(x ^ y)};
    });
    fx::AddPicture("night_ciel.tga", 640, 200, 3, [](int32_t x, int32_t y) {
      return Rgb{uint8_t(x / 3), uint8_t(y + 40), uint8_t(200 - y / 2)};
    });
    fx::AddPicture("sandblur.tga", 256, 256, 3, [](int32_t x, int32_t y) {
      const uint8_t v = uint8_t(64 + 60 * std::sin(x * 0.07) * std::cos(y * 0.05));
      return Rgb{v, v, v};
    });
    fx::AddPicture("blur2.tga", 256, 256, 3, [](int32_t x, int32_t y) {
      const uint8_t v = uint8_t(90 + 80 * std::sin((x + y) * 0.04));
      return Rgb{v, v, v};
    });
    fx::AddPicture("night_s.tga", 640, 200, 3, [](int32_t x, int32_t y) {
      return (y < 60 || (x / 40) % 2) ? Rgb{255, 0, 0} : Rgb{10, 20, 30};
    });
  }
  void TearDown() override {
    if (SableEffect.ready) FreeSableEffect();
  }
  // Calls f(x, row, u) for every pixel of the landscape's rows at 90 % of the window (the scene
  // scrolled by 320), u being the column of the height maps it reads: sand for 1 < u < 256, water
  // at 1 and below.
  template <class F>
  static void ForEachLandscapePixel(F f) {
    for (int32_t k = 1; k <= 84; k++) {
      const int32_t depth = 80 * 15360 / (k + 11) - 15360, zoom = (depth + 15360) / 60;
      for (int32_t x = 0; x < 320; x++) f(x, 109 + k, (((x - 520 + 320) * zoom) >> 8) + 160);
    }
  }
};

TEST(SablePieces, WorkedFigures) {
  // At progress 0 both cloud weights.
  EXPECT_NEAR(CloudWeight1(SableTime(0.0f)), std::sin(3.0) * std::cos(4.0) + 1.0, 1e-12);
  EXPECT_NEAR(CloudWeight1(SableTime(0.0f)), 0.908, 0.001);
  EXPECT_NEAR(CloudWeight2(SableTime(0.0f)), 1.841, 0.001);
  EXPECT_DOUBLE_EQ(SableTime(1.0f), 400.0);
  // Brightness: 0 up to 160, 25 at 161, rising towards 255.
  EXPECT_EQ(Brightness(0), 0);
  EXPECT_EQ(Brightness(160), 0);
  EXPECT_EQ(Brightness(161), 25);
  EXPECT_EQ(Brightness(399), 254);
  // Slopes: 0 up to the sand level, then |ln(K / v)| * 256.
  EXPECT_EQ(SlopeOf(0), 0);
  EXPECT_EQ(SlopeOf(kSandLevel), 0);
  EXPECT_EQ(SlopeOf(2 * kSandLevel), int32_t(std::log(2.0) * 256.0));
  EXPECT_EQ(SlopeOf(kSlopeEntries - 1), int32_t(std::log((kSlopeEntries - 1) / double(kSandLevel)) * 256.0));
  // Colour operations: the trail darkening, grey added with saturation.
  EXPECT_EQ(SubGrey(0xFFFF, 128), uint16_t(23 << 11 | 47 << 5 | 23));
  EXPECT_EQ(SubGrey(uint16_t(20 << 11 | 40 << 5 | 20), 64), uint16_t(16 << 11 | 32 << 5 | 16));
  EXPECT_EQ(AddGrey(uint16_t(60 << 5), 10), uint16_t(10 << 11 | 63 << 5 | 10));
  EXPECT_EQ(AddGrey(0x1234, 0), 0x1234);
  EXPECT_EQ(AddGrey(0x1234, -5), 0x1234);
  EXPECT_EQ(AddColour(uint16_t(30 << 11 | 1 << 5 | 2), uint16_t(5 << 11 | 62 << 5 | 3)),
            uint16_t(31 << 11 | 63 << 5 | 5));
}

TEST(SablePieces, RowDividerAgreesWithTheDivisionOnEveryRowsZoom) {
  for (int32_t k = 1; k <= 84; k++) {
    const int32_t zoom = (80 * 15360 / (k + 11)) / 60;
    const RowDivider d = MakeRowDivider(zoom);
    for (int32_t n = -200000; n <= 200000; n++) ASSERT_EQ(DivideTruncated(n, d), n / zoom) << n << " / " << zoom;
  }
  for (int32_t zoom : {1, 2, 3, 7, 1000, 65535, 1 << 30})
    for (int32_t n : {0, 1, -1, 2147483647, -2147483647 - 1, 123456789, -987654321, zoom, -zoom, zoom - 1})
      ASSERT_EQ(DivideTruncated(n, MakeRowDivider(zoom)), n / zoom) << n << " / " << zoom;
}

TEST(SablePieces, MixEnlargeAndBlur) {
  std::vector<uint8_t> a(65536), b(65536), out(65536);
  for (int i = 0; i < 65536; i++) {
    a[size_t(i)] = uint8_t(i * 7);
    b[size_t(i)] = uint8_t(255 - i);
  }
  MixMaps(out.data(), a.data(), b.data(), 0.0);
  EXPECT_EQ(out, a);
  MixMaps(out.data(), a.data(), b.data(), 1.0);
  EXPECT_EQ(out, b);
  MixMaps(out.data(), a.data(), b.data(), 2.0);
  EXPECT_EQ(out, a);
  MixMaps(out.data(), a.data(), b.data(), 0.5);
  EXPECT_EQ(out[1000], uint8_t((a[1000] * 128 + b[1000] * 128) >> 8));

  // Blur of a single spike: its 24 neighbours get 240 / 24 = 10, itself 0 (wrapping at the edges).
  std::vector<uint8_t> m(32 * 32, 0);
  m[0] = 240;
  BlurMap(m.data(), 32);
  EXPECT_EQ(m[0], 0);
  EXPECT_EQ(m[1], 10);
  EXPECT_EQ(m[31 * 32 + 30], 10);   // (-2, -1) wraps to (30, 31)
  EXPECT_EQ(m[3], 0);

  // Cell size 1 tiles the (blurred) source; a flat source stays flat at any cell size.
  std::vector<uint8_t> src(1024), tiled(65536), smooth(65536);
  for (int i = 0; i < 1024; i++) src[size_t(i)] = uint8_t((i * 37) & 255);
  EnlargeMap(src.data(), 1, tiled.data());
  for (int y = 0; y < 256; y++)
    for (int x = 0; x < 256; x++) ASSERT_EQ(tiled[size_t(y * 256 + x)], tiled[size_t((y % 32) * 256 + x % 32)]);
  std::vector<uint8_t> flat(1024, 77);
  EnlargeMap(flat.data(), 8, smooth.data());
  for (uint8_t v : smooth) ASSERT_EQ(v, 77);
  // Cell size 8 interpolates: neighbouring entries differ little.
  EnlargeMap(src.data(), 8, smooth.data());
  int32_t worst = 0;
  for (int y = 0; y < 256; y++)
    for (int x = 0; x < 255; x++)
      worst = std::max(worst, std::abs(smooth[size_t(y * 256 + x)] - smooth[size_t(y * 256 + x + 1)]));
  EXPECT_LE(worst, 32);   // at most one cell's step of a full-range jump
}

TEST_F(Sable, SetUpBuildsTablesAndDrawsTheNoiseFromTheSharedGenerator) {
  SetRandomSeed(kRandomFirstSeed);
  uint32_t expected = kRandomFirstSeed;
  for (int i = 0; i < 3 * 1024; i++) expected = NextRandomSeed(expected);
  const int32_t before = MemoryInUse();
  SetUpSable(fx::Files());
  ASSERT_TRUE(SableEffect.ready);
  EXPECT_EQ(RandomSeed(), expected);
  EXPECT_EQ(fx::disk.loaded, 5);
  EXPECT_EQ(fx::disk.unloaded, 5);
  EXPECT_EQ(MissingInOrder(ReadLines(), {"Info: mem allocation", "Info: loading", "Info: precalc"}), "");
  EXPECT_EQ(SableEffect.rowOffset[0], -128 * 320);
  EXPECT_EQ(SableEffect.rowOffset[255], 127 * 320);
  EXPECT_EQ(SableEffect.slope[0], 0);
  EXPECT_EQ(SableEffect.slope[kSandLevel + 1], SlopeOf(kSandLevel + 1));
  for (int32_t v = 0; v < kSlopeEntries; v++) ASSERT_EQ(SableEffect.slope16[v], SableEffect.slope[v]) << v;
  EXPECT_EQ(SableEffect.slope[kSlopeEntries - 1], 645);
  EXPECT_EQ(SableEffect.brightness[161], 25);
  for (int i = 0; i < 200 * 640; i++) ASSERT_EQ(SableEffect.trail[i], 0);
  // Ceiling, row 0 at x = -160: q = 1024000 / 101, step = trunc(q * 0.0075).
  const int32_t q = 1024000 / 101, step = int32_t(q * 0.0075);
  EXPECT_EQ(SableEffect.ceiling[0], (((step * -160) >> 8) + ((q - 10240) & ~255) + 160) & 0xFFFF);
  // Heights: (200 - r - g - b) * 150 and (r + g + b) * 110.
  const uint8_t* s1 = fx::disk.pictures["sandblur.tga"].data;
  const uint8_t* s2 = fx::disk.pictures["blur2.tga"].data;
  EXPECT_EQ(SableEffect.height1[777], (200 - s1[3 * 777] - s1[3 * 777 + 1] - s1[3 * 777 + 2]) * 150);
  EXPECT_EQ(SableEffect.height2[777], (s2[3 * 777] + s2[3 * 777 + 1] + s2[3 * 777 + 2]) * 110);
  FreeSableEffect();
  EXPECT_EQ(MemoryInUse(), before);
  EXPECT_TRUE(LogHasPart("Info: free"));
}

TEST_F(Sable, FramesStayAboveRow194AndInsideTheTarget) {
  SetUpSable(fx::Files());
  Canvas c(320, 200, 0x5555);
  int32_t changedSomewhere = 0;
  for (float p : {0.0f, 0.13f, 0.5f, 0.79f, 0.85f, 0.999f}) {
    DrawSableOn(c.Target(), p);
    for (int32_t y = 194; y < 200; y++)
      for (int32_t x = 0; x < 320; x++) ASSERT_EQ(c.At(x, y), 0x5555) << "row " << y;
    changedSomewhere += c.CountNot(0x5555);
  }
  EXPECT_GT(changedSomewhere, 6 * 30000);
  EXPECT_TRUE(c.BorderIntact());
}

TEST_F(Sable, SceneStopsScrollingAtThreeHundredAndTwenty) {
  // A silhouette with no sky at all: rows 0-113 are the scene at the scroll.
  fx::AddFlat("night_s.tga", 640, 200, {1, 2, 3});
  SetUpSable(fx::Files());
  for (float p : {0.0f, 0.4f, 0.8f, 0.95f}) {
    Canvas c;
    DrawSableOn(c.Target(), p);
    const double t = SableTime(p);
    const int32_t s = t < 320.0 ? int32_t(t) : 320;
    for (int32_t y = 0; y < 110; y++)   // rows 110 and below belong to the landscape
      for (int32_t x = 0; x < 320; x += 7) ASSERT_EQ(c.At(x, y), SableEffect.background[y * 640 + s + x]) << p;
  }
}

TEST_F(Sable, TrailCountersDarkenTheBackgroundAndCountDown) {
  // No dune anywhere (every height at or below the sand level): with every counter at 128 the sand
  // side shows the background darkened by 8 / 16 / 8, and each counter goes down by one. At 90 %
  // of the window the scene has scrolled by 320, so the right of the frame is sand.
  fx::AddFlat("sandblur.tga", 256, 256, {255, 255, 255});
  fx::AddFlat("blur2.tga", 256, 256, {0, 0, 0});
  fx::AddFlat("night_ciel.tga", 640, 200, {255, 255, 255});
  SetUpSable(fx::Files());
  for (int32_t i = 0; i < 200 * 640; i++) SableEffect.trail[i] = 128;
  Canvas c;
  DrawSableOn(c.Target(), 0.9f);
  int32_t sand = 0, water = 0, plain = 0;
  ForEachLandscapePixel([&](int32_t x, int32_t row, int32_t u) {
    const int32_t counter = SableEffect.trail[row * 640 + 320 + x];
    if (u >= 256) {
      plain++;
      EXPECT_EQ(c.At(x, row), 0xFFFF);
      EXPECT_EQ(counter, 128);
    } else if (u > 1) {
      sand++;
      EXPECT_EQ(c.At(x, row), uint16_t(23 << 11 | 47 << 5 | 23)) << x << "," << row;
      EXPECT_EQ(counter, 127);
    } else {
      water++;
      EXPECT_EQ(counter, 128);   // the water leaves the counters alone
    }
  });
  EXPECT_GT(sand, 1000);
  EXPECT_GT(water, 1000);
  EXPECT_GT(plain, 1000);
  // Counters at 0 leave the background as it is.
  for (int32_t i = 0; i < 200 * 640; i++) SableEffect.trail[i] = 0;
  DrawSableOn(c.Target(), 0.9f);
  EXPECT_EQ(c.At(200, 190), 0xFFFF);
}

TEST_F(Sable, HeightsAtTheSlopeTablesEndLeaveThePixelAlone) {
  // Heights of exactly 300000 (one past the slope table) on the sand side: the pixel keeps what the
  // frame held (below row 113, where the sky's rows end), and nothing is read past the table.
  SetUpSable(fx::Files());
  for (int32_t i = 0; i < 65536; i++) {
    SableEffect.height1[i] = 150000;
    SableEffect.height2[i] = 150000;
  }
  Canvas c(320, 200, 0x0123);
  DrawSableOn(c.Target(), 0.9f);
  int32_t kept = 0;
  ForEachLandscapePixel([&](int32_t x, int32_t row, int32_t u) {
    if (u > 1 && u < 256 && row > 113) {
      EXPECT_EQ(c.At(x, row), 0x0123) << x << "," << row;
      kept++;
    }
  });
  EXPECT_GT(kept, 1000);
  EXPECT_TRUE(c.BorderIntact());
}

TEST_F(Sable, RefusesPicturesOfTheWrongSize) {
  fx::AddFlat("night_ciel.tga", 320, 200, {1, 2, 3});
  EXPECT_NE(FatalOf([] { SetUpSable(fx::Files()); }).find(
                "FATAL ERROR: InitSable(): \"night_ciel.tga\" must be 640 pixels wide, at least 200 rows, 24-bit"), std::string::npos);
  SableEffect = {};
  fx::FreshLog();
  fx::AddFlat("night_ciel.tga", 640, 200, {1, 2, 3});
  fx::AddFlat("blur2.tga", 256, 255, {1, 2, 3});
  EXPECT_NE(FatalOf([] { SetUpSable(fx::Files()); }).find(
                "\"blur2.tga\" must be 256 pixels wide, at least 256 rows, 24-bit (it is 256 x 255"), std::string::npos);
  SableEffect = {};
}

TEST_F(Sable, DrawWithoutSetUpOrOnASmallFrameDoesNothing) {
  Canvas c;
  DrawSableOn(c.Target(), 0.5f);
  EXPECT_EQ(c.CountNot(0), 0);
  SetUpSable(fx::Files());
  Canvas small(200, 100);
  DrawSableOn(small.Target(), 0.5f);
  EXPECT_EQ(small.CountNot(0), 0);
  EXPECT_TRUE(small.BorderIntact());
}

}  // namespace
