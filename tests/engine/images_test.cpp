// Image slots and sprites: conversion, the three drawing modes, clipping to the screen and to the
// picture, the warnings for bad numbers and empty slots.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <vector>

#include "demo/engine/fixed.h"
#include "demo/engine/images.h"
#include "engine_support.h"

namespace {

constexpr int32_t W = 320, H = 200;

struct TestPicture {
  std::vector<uint8_t> bytes;
  Picture picture = {};
  TestPicture(int32_t w, int32_t h, int32_t bpp) : bytes(size_t(w) * h * bpp) {
    picture.width = w;
    picture.height = h;
    picture.bytesPerPixel = bpp;
    picture.depth = bpp * 8;
    picture.data = bytes.data();
  }
  void Set(int32_t x, int32_t y, uint8_t r, uint8_t g, uint8_t b, uint8_t a = 255) {
    uint8_t* p = &bytes[(size_t(y) * picture.width + x) * picture.bytesPerPixel];
    p[0] = r;
    if (picture.bytesPerPixel > 1) p[1] = g;
    if (picture.bytesPerPixel > 2) p[2] = b;
    if (picture.bytesPerPixel > 3) p[3] = a;
  }
  void Fill(uint8_t r, uint8_t g, uint8_t b, uint8_t a = 255) {
    for (int32_t y = 0; y < picture.height; y++)
      for (int32_t x = 0; x < picture.width; x++) Set(x, y, r, g, b, a);
  }
};

struct Screen {
  std::vector<uint16_t> pixels = std::vector<uint16_t>(size_t(W) * H + 64, 0);
  FrameTarget Target() { return {pixels.data(), W, H, 0}; }
  uint16_t& At(int x, int y) { return pixels[size_t(y * W + x)]; }
  void Fill(uint16_t v) { std::fill(pixels.begin(), pixels.begin() + W * H, v); }
  bool TailIntact() {
    for (size_t i = size_t(W) * H; i < pixels.size(); i++)
      if (pixels[i] != 0xBEEF) return false;
    return true;
  }
  Screen() { std::fill(pixels.begin() + W * H, pixels.end(), 0xBEEF); }
};

// A path holding the sprite at (x, y) over the whole window.
void Path(int32_t n, double x, double y) {
  char text[256];
  snprintf(text, sizeof text, "2 2 0 %f %f 200 %f %f", x, y, x, y);
  std::vector<uint8_t> b = Bytes(text);
  Failure why;
  ASSERT_TRUE(ParseSpline(&SpriteSplines, n, b.data(), b.size(), why)) << why.text;
  Sprites[n].defined = 1;
}

class Images : public ::testing::Test {
 protected:
  void SetUp() override {
    DebugMode = 1;
    InitLog();
    ResetImageWarnings();
  }
  void TearDown() override { ReleaseImages(); }
};

TEST_F(Images, ConversionToTheFramePixels) {
  TestPicture p(4, 1, 3);
  p.Set(0, 0, 255, 255, 255);
  p.Set(1, 0, 7, 3, 7);
  p.Set(2, 0, 255, 0, 0);
  p.Set(3, 0, 0x12, 0x34, 0x56);
  ASSERT_TRUE(StoreImage(3, p.picture, kDrawOpaque, 0));
  const ImageSlot& s = ImageSlots[3];
  EXPECT_EQ(s.width, 4);
  EXPECT_EQ(s.height, 1);
  EXPECT_EQ(s.alpha, nullptr);
  EXPECT_EQ(s.pixels[0], 0xFFFF);
  EXPECT_EQ(s.pixels[1], 0x0000);
  EXPECT_EQ(s.pixels[2], 0xF800);
  EXPECT_EQ(s.pixels[3], Pack565(0x12, 0x34, 0x56));
}

TEST_F(Images, AlphaFromTheValueWordPremultipliesAndBlends) {
  TestPicture p(2, 1, 3);
  p.Fill(255, 255, 255);
  ASSERT_TRUE(StoreImage(6, p.picture, kDrawAlpha, 128));
  EXPECT_EQ(ImageSlots[6].pixels[0], 0x7BEF);
  EXPECT_EQ(ImageSlots[6].alpha[1], 128);
  ASSERT_TRUE(DefineSprite(20, 6, 0, 0, 2, 1, 0));
  Path(20, 10, 10);
  Screen screen;
  screen.Fill(0xFFFF);
  DrawSpriteOn(screen.Target(), 20, 0.25f);
  EXPECT_EQ(screen.At(10, 10), 0xF7DE);
  EXPECT_EQ(screen.At(11, 10), 0xF7DE);
  EXPECT_EQ(screen.At(12, 10), 0xFFFF);
  EXPECT_EQ(LogCount("WARNING"), 0);   // the whole image, exactly
  // Value 0: black premultiplied pixels of opacity 0 leave the frame as it was.
  ASSERT_TRUE(StoreImage(6, p.picture, kDrawAlpha, 0));
  EXPECT_EQ(ImageSlots[6].pixels[0], 0);
  screen.Fill(0x1234);
  DrawSpriteOn(screen.Target(), 20, 0.5f);
  EXPECT_EQ(screen.At(10, 10), 0x1234);
}

TEST_F(Images, ThirtyTwoBitPicturesUseTheirOwnOpacity) {
  TestPicture p(3, 1, 4);
  p.Set(0, 0, 255, 255, 255, 0);
  p.Set(1, 0, 255, 255, 255, 255);
  p.Set(2, 0, 200, 100, 50, 64);
  ASSERT_TRUE(StoreImage(7, p.picture, kDrawAlpha, 128));
  const ImageSlot& s = ImageSlots[7];
  EXPECT_EQ(s.alpha[0], 0);
  EXPECT_EQ(s.alpha[1], 255);
  EXPECT_EQ(s.alpha[2], 64);
  EXPECT_EQ(s.pixels[0], 0);
  EXPECT_EQ(s.pixels[2], Premultiply565(200, 100, 50, 64));
  ASSERT_TRUE(DefineSprite(21, 7, 0, 0, 3, 1, 0));
  Path(21, 0, 0);
  Screen screen;
  screen.Fill(0x4321);
  DrawSpriteOn(screen.Target(), 21, 0.0f);
  EXPECT_EQ(screen.At(0, 0), 0x4321);
  EXPECT_EQ(screen.At(1, 0), BlendAlpha565(0x4321, s.pixels[1], 255));
  EXPECT_EQ(screen.At(1, 0), s.pixels[1]);   // opacity 255: the source pixel
  EXPECT_EQ(screen.At(2, 0), BlendAlpha565(0x4321, s.pixels[2], 64));
}

TEST_F(Images, KeyedCopySkipsTheKey) {
  TestPicture p(4, 1, 3);   // the sprite takes the first three pixels
  p.Set(0, 0, 255, 0, 0);
  p.Set(1, 0, 0, 255, 0);
  p.Set(2, 0, 0, 0, 255);
  p.Set(3, 0, 255, 255, 255);
  ASSERT_TRUE(StoreImage(8, p.picture, kDrawKeyed, 0x07E0));
  ASSERT_TRUE(DefineSprite(22, 8, 0, 0, 3, 1, 0));
  Path(22, 5, 5);
  Screen screen;
  screen.Fill(0x0101);
  DrawSpriteOn(screen.Target(), 22, 0.1f);
  EXPECT_EQ(screen.At(5, 5), 0xF800);
  EXPECT_EQ(screen.At(6, 5), 0x0101);
  EXPECT_EQ(screen.At(7, 5), 0x001F);
  EXPECT_EQ(screen.At(8, 5), 0x0101);
  // A key outside 0-65535 matches nothing.
  ASSERT_TRUE(StoreImage(8, p.picture, kDrawKeyed, 0x107E0));
  DrawSpriteOn(screen.Target(), 22, 0.1f);
  EXPECT_EQ(screen.At(6, 5), 0x07E0);
}

// An opaque 50 x 40 picture whose pixel (x, y) is x + 64 * y, as 5-6-5 (blue x & 31 ...).
void MarkedPicture(int32_t slot, int32_t w = 50, int32_t h = 40) {
  TestPicture p(w, h, 3);
  for (int32_t y = 0; y < h; y++)
    for (int32_t x = 0; x < w; x++) p.Set(x, y, uint8_t(y * 8), 0, uint8_t(x * 8 + 7));
  ASSERT_TRUE(StoreImage(slot, p.picture, kDrawOpaque, 0));
}
uint16_t Mark(int32_t x, int32_t y) { return Pack565(uint8_t(y * 8), 0, uint8_t(x * 8 + 7)); }

TEST_F(Images, SpritesClipAtTheScreenEdges) {
  MarkedPicture(9);
  ASSERT_TRUE(DefineSprite(23, 9, 5, 6, 20, 10, 0));
  Screen screen;
  // Partly off the left and top: drawn from the matching offset inside the rectangle.
  Path(23, -3, -4);
  screen.Fill(0);
  DrawSpriteOn(screen.Target(), 23, 0.0f);
  EXPECT_EQ(screen.At(0, 0), Mark(5 + 3, 6 + 4));
  EXPECT_EQ(screen.At(16, 5), Mark(5 + 19, 6 + 9));
  EXPECT_EQ(screen.At(17, 0), 0);
  EXPECT_EQ(screen.At(0, 6), 0);
  // Exactly touching the right edge: whole; one pixel more: the last column goes.
  Path(23, W - 20, H - 10);
  screen.Fill(0);
  DrawSpriteOn(screen.Target(), 23, 0.0f);
  EXPECT_EQ(screen.At(W - 1, H - 1), Mark(5 + 19, 6 + 9));
  EXPECT_EQ(screen.At(W - 20, H - 10), Mark(5, 6));
  Path(23, W - 19, H - 10);
  screen.Fill(0);
  DrawSpriteOn(screen.Target(), 23, 0.0f);
  EXPECT_EQ(screen.At(W - 1, H - 1), Mark(5 + 18, 6 + 9));
  EXPECT_EQ(screen.At(W - 19, H - 10), Mark(5, 6));
  EXPECT_TRUE(screen.TailIntact());
  // Only the last column and row on screen.
  Path(23, -19, -9);
  screen.Fill(0);
  DrawSpriteOn(screen.Target(), 23, 0.0f);
  EXPECT_EQ(screen.At(0, 0), Mark(5 + 19, 6 + 9));
  EXPECT_EQ(screen.At(1, 0), 0);
  // Entirely off screen: nothing.
  for (auto [x, y] : {std::pair{-20.0, 0.0}, {0.0, -10.0}, {double(W), 0.0}, {0.0, double(H)}, {1e12, 1e12}}) {
    Path(23, x, y);
    screen.Fill(0);
    DrawSpriteOn(screen.Target(), 23, 0.0f);
    for (int i = 0; i < W * H; i++) ASSERT_EQ(screen.pixels[size_t(i)], 0) << x << "," << y;
  }
  // Positions 1e9 away are refused before any arithmetic, even for a rectangle that would reach back.
  ASSERT_TRUE(DefineSprite(31, 9, 0, 0, INT32_MAX, INT32_MAX, 0));
  for (auto [x, y] : {std::pair{-1e9, 0.0}, {0.0, -1e9}}) {
    Path(31, x, y);
    DrawSpriteOn(screen.Target(), 31, 0.0f);
  }
  EXPECT_EQ(LogCount("WARNING"), 0);
}

TEST_F(Images, SpritesFollowTheirPathAtProgressTimes200) {
  MarkedPicture(10);
  ASSERT_TRUE(DefineSprite(24, 10, 0, 0, 4, 4, 0));
  std::vector<uint8_t> b = Bytes("2 2  0 0 0  200 200 100");
  Failure why;
  ASSERT_TRUE(ParseSpline(&SpriteSplines, 24, b.data(), b.size(), why)) << why.text;
  Sprites[24].defined = 1;
  Screen screen;
  DrawSpriteOn(screen.Target(), 24, 0.5f);   // parameter 100: (100, 50)
  EXPECT_EQ(screen.At(100, 50), Mark(0, 0));
  EXPECT_EQ(screen.At(99, 50), 0);
  screen.Fill(0);
  DrawSpriteOn(screen.Target(), 24, 0.2525f);   // 50.5: (50.5, 25.25) truncated
  EXPECT_EQ(screen.At(50, 25), Mark(0, 0));
}

TEST_F(Images, RectanglesOutsideTheirImageDrawWhatLiesInsideWithOneWarning) {
  MarkedPicture(11, 30, 20);
  ASSERT_TRUE(DefineSprite(25, 11, 20, 15, 40, 40, 0));   // reaches past both picture edges
  Path(25, 100, 100);
  Screen screen;
  for (int k = 0; k < 3; k++) DrawSpriteOn(screen.Target(), 25, 0.0f);
  EXPECT_EQ(screen.At(100, 100), Mark(20, 15));
  EXPECT_EQ(screen.At(109, 104), Mark(29, 19));
  EXPECT_EQ(screen.At(110, 100), 0);
  EXPECT_EQ(screen.At(100, 105), 0);
  ASSERT_TRUE(DefineSprite(26, 11, -5, -5, 10, 10, 0));   // starts before the picture
  Path(26, 50, 50);
  DrawSpriteOn(screen.Target(), 26, 0.0f);
  EXPECT_EQ(screen.At(55, 55), Mark(0, 0));
  EXPECT_EQ(screen.At(54, 55), 0);
  // Only the parts on screen count: outside the image where off screen, or wholly off screen.
  ASSERT_TRUE(DefineSprite(28, 11, 20, 10, 20, 20, 0));
  Path(28, W - 10, H - 10);
  DrawSpriteOn(screen.Target(), 28, 0.0f);
  EXPECT_EQ(screen.At(W - 1, H - 1), Mark(29, 19));
  ASSERT_TRUE(DefineSprite(29, 11, -5, -5, 10, 10, 0));
  for (auto [x, y] : {std::pair{W, 0}, {0, H}}) {
    Path(29, x, y);
    DrawSpriteOn(screen.Target(), 29, 0.0f);
  }
  EXPECT_EQ(LogCount("WARNING: DrawSprite(): sprite 25: rectangle reaches outside its image"), 1);
  EXPECT_EQ(LogCount("WARNING: DrawSprite(): sprite 26"), 1);
  EXPECT_EQ(LogCount("WARNING"), 2);
  EXPECT_TRUE(screen.TailIntact());
}

TEST_F(Images, BadNumbersAndEmptySlotsWarnOnce) {
  Screen screen;
  for (int k = 0; k < 4; k++) {
    DrawSpriteOn(screen.Target(), -1, 0.5f);
    DrawSpriteOn(screen.Target(), 100, 0.5f);
    DrawSpriteOn(screen.Target(), 60, 0.5f);   // never given a path
    ShowImageOn(screen.Target(), -3);
    ShowImageOn(screen.Target(), 42);
    ShowImageOn(screen.Target(), 0);
    ShowImageCenteredOn(screen.Target(), 1000);
    ShowImageCenteredOn(screen.Target(), 0);
  }
  ASSERT_TRUE(DefineSprite(27, 55, 0, 0, 10, 10, 0));   // image slot 55 is empty
  Path(27, 0, 0);
  DrawSpriteOn(screen.Target(), 27, 0.0f);
  DrawSpriteOn(screen.Target(), 27, 0.0f);
  EXPECT_EQ(LogCount("WARNING: DrawSprite(): sprite -1: no such sprite"), 1);
  EXPECT_EQ(LogCount("WARNING: DrawSprite(): sprite 60: no such sprite"), 1);
  EXPECT_EQ(LogCount("WARNING: DrawSprite(): sprite 27: its image is not loaded"), 1);
  EXPECT_EQ(LogCount("WARNING: ShowImage(): image -3: no picture loaded"), 1);
  EXPECT_EQ(LogCount("WARNING: ShowImage(): image 42: no picture loaded"), 1);
  EXPECT_EQ(LogCount("WARNING: ShowImageCentered(): image 1000: no picture loaded"), 1);
  EXPECT_EQ(LogCount("WARNING: ShowImageCentered(): image 0: no picture loaded"), 1);
  EXPECT_EQ(LogCount("WARNING: ShowImage(): image 0: no picture loaded"), 1);
  EXPECT_EQ(LogCount("WARNING: DrawSprite(): sprite 100"), 0);   // shares the bad-number warning
  std::vector<uint8_t> b = Bytes("2 1  0 5  200 5");   // a path of x alone
  Failure why;
  ASSERT_TRUE(ParseSpline(&SpriteSplines, 30, b.data(), b.size(), why)) << why.text;
  Sprites[30].defined = 1;
  DrawSpriteOn(screen.Target(), 30, 0.0f);
  DrawSpriteOn(screen.Target(), 30, 0.0f);
  EXPECT_EQ(LogCount("WARNING: DrawSprite(): sprite 30: path without x and y"), 1);
  EXPECT_TRUE(screen.TailIntact());
  EXPECT_FALSE(StoreImage(-1, TestPicture(1, 1, 3).picture, 0, 0));
  EXPECT_FALSE(DefineSprite(-2, 0, 0, 0, 1, 1, 0));
  EXPECT_EQ(LogCount("ERROR: LoadImage(): image number -1 is below 0"), 1);
  EXPECT_EQ(LogCount("ERROR: AddSprite(): sprite number -2 is below 0"), 1);
  Picture huge = {};
  huge.width = huge.height = 40000;
  EXPECT_FALSE(StoreImage(4, huge, 0, 0));
  EXPECT_EQ(LogCount("ERROR: LoadImage(): picture of 40000 x 40000 pixels is too large"), 1);
  EXPECT_EQ(FatalOf([] { StoreImage(100, TestPicture(1, 1, 3).picture, 0, 0); }),
            "FATAL ERROR: LoadImage(): too many images !!!");
  EXPECT_EQ(FatalOf([] { DefineSprite(100, 0, 0, 0, 1, 1, 0); }), "FATAL ERROR: AddSprite(): not enough empty sprite !!!");
}

TEST_F(Images, ShowImageCopiesTheFrameAndStopsAtTheEndOfASmallPicture) {
  TestPicture full(W, H, 3);
  for (int32_t y = 0; y < H; y++)
    for (int32_t x = 0; x < W; x++) full.Set(x, y, uint8_t(x), uint8_t(y), uint8_t(x ^ y));
  ASSERT_TRUE(StoreImage(1, full.picture, kDrawOpaque, 0));
  Screen screen;
  ShowImageOn(screen.Target(), 1);
  EXPECT_EQ(screen.At(0, 0), Pack565(0, 0, 0));
  EXPECT_EQ(screen.At(319, 199), Pack565(319 & 255, 199, (319 ^ 199) & 255));
  EXPECT_EQ(screen.At(17, 33), ImageSlots[1].pixels[33 * W + 17]);
  MarkedPicture(3, W, H + 40);   // larger than the screen: its first W x H pixels
  ShowImageOn(screen.Target(), 3);
  EXPECT_EQ(screen.At(W - 1, H - 1), Mark(W - 1, H - 1));
  EXPECT_TRUE(screen.TailIntact());
  MarkedPicture(2, 100, 10);   // 1000 pixels
  screen.Fill(0x0F0F);
  ShowImageOn(screen.Target(), 2);
  ShowImageOn(screen.Target(), 2);
  EXPECT_EQ(screen.pixels[0], Mark(0, 0));
  EXPECT_EQ(screen.pixels[999], Mark(99, 9));
  EXPECT_EQ(screen.pixels[1000], 0x0F0F);
  EXPECT_TRUE(screen.TailIntact());
  EXPECT_EQ(LogCount("WARNING: ShowImage(): image 2: picture smaller than the screen"), 1);
  EXPECT_EQ(LogCount("WARNING"), 1);
}

TEST_F(Images, ShowImageCenteredShowsTheMiddleRowsOnWhite) {
  TestPicture p(256, 256, 3);
  for (int32_t y = 0; y < 256; y++)
    for (int32_t x = 0; x < 256; x++) p.Set(x, y, uint8_t(y), 0, uint8_t(x));
  ASSERT_TRUE(StoreImage(9, p.picture, kDrawOpaque, 0));
  Screen screen;
  ShowImageCenteredOn(screen.Target(), 9);
  EXPECT_EQ(screen.At(0, 0), 0xFFFF);
  EXPECT_EQ(screen.At(31, 100), 0xFFFF);
  EXPECT_EQ(screen.At(288, 100), 0xFFFF);
  EXPECT_EQ(screen.At(32, 0), Pack565(28, 0, 0));
  EXPECT_EQ(screen.At(287, 199), Pack565(227, 0, 255));
  // A narrow, short target: the picture's left part, rows 0-49, within the target's rows.
  std::vector<uint16_t> narrow(100 * 50 + 64, 0xBEEF);
  ShowImageCenteredOn({narrow.data(), 100, 50, 0}, 9);
  EXPECT_EQ(narrow[99], Pack565(28, 0, 67));
  EXPECT_EQ(narrow[100], 0xFFFF);
  EXPECT_EQ(narrow[100 * 49 + 99], Pack565(28 + 49, 0, 67));
  EXPECT_EQ(std::count(narrow.begin() + 5000, narrow.end(), 0xBEEF), 64);
  // A tall target: rows from 200 on stay white.
  std::vector<uint16_t> tall(size_t(W) * 240);
  ShowImageCenteredOn({tall.data(), W, 240, 0}, 9);
  EXPECT_EQ(tall[199 * W + 32], Pack565(227, 0, 0));
  EXPECT_EQ(tall[200 * W + 32], 0xFFFF);
  MarkedPicture(13, 256, 228);   // exactly the rows shown: no warning
  ShowImageCenteredOn(screen.Target(), 13);
  // A picture too small for rows 28-227: what it has, one warning.
  MarkedPicture(12, 256, 100);
  ShowImageCenteredOn(screen.Target(), 12);
  ShowImageCenteredOn(screen.Target(), 12);
  EXPECT_EQ(screen.At(32, 0), Pack565(28 * 8 & 255, 0, 7));
  EXPECT_EQ(screen.At(32, 80), 0xFFFF);
  EXPECT_TRUE(screen.TailIntact());
  EXPECT_EQ(LogCount("WARNING: ShowImageCentered(): image 12"), 1);
  EXPECT_EQ(LogCount("WARNING"), 1);
}

TEST_F(Images, PrimitivesKeepToTheTargetAndRefuseBadSprites) {
  MarkedPicture(0);
  ASSERT_TRUE(DefineSprite(0, 0, 0, 0, 50, 40, 0));
  Path(0, 0, 0);
  Screen screen;
  DrawSpriteOn(screen.Target(), 0, 0.0f);
  EXPECT_EQ(screen.At(49, 39), Mark(49, 39));
  // Rectangles past the edges of a target of the screen's top half: what lies on it.
  screen.Fill(0);
  const FrameTarget half = {screen.pixels.data(), W, H / 2, 0};
  DrawOpaque(half, W - 5, H / 2 - 5, 20, 20, 0, 0, 0);
  DrawOpaque(half, -45, -35, 50, 40, 0, 0, 0);
  EXPECT_EQ(screen.At(W - 1, H / 2 - 1), Mark(4, 4));
  EXPECT_EQ(screen.At(0, 0), Mark(45, 35));
  EXPECT_EQ(screen.At(5, 0), 0);
  EXPECT_EQ(screen.At(0, H / 2 - 1), 0);
  EXPECT_EQ(screen.At(W - 1, H / 2), 0);
  EXPECT_TRUE(screen.TailIntact());
  // Bad sprite numbers, sprites of an empty or bad slot, alpha over an opaque image, targets
  // without pixels, width or height: nothing drawn and no warning.
  int32_t sprite = 1;
  for (int32_t image : {55, -1, kImageSlots, INT32_MIN, INT32_MAX})
    ASSERT_TRUE(DefineSprite(sprite++, image, 0, 0, 10, 10, 0));
  screen.Fill(0);
  for (int n : {-1, kSprites, 1, 2, 3, 4, 5}) DrawOpaque(screen.Target(), 10, 10, 10, 10, 0, 0, n);
  DrawAlpha(screen.Target(), 10, 10, 10, 10, 0, 0, 0);
  DrawOpaque({nullptr, W, H, 0}, 10, 10, 10, 10, 0, 0, 0);
  for (FrameTarget t : {FrameTarget{nullptr, W, H, 0}, {screen.pixels.data(), 0, H, 0}, {screen.pixels.data(), W, 0, 0}})
    for (int32_t slot : {0, 42}) {
      ShowImageOn(t, slot);
      ShowImageCenteredOn(t, slot);
    }
  for (int i = 0; i < W * H; i++) ASSERT_EQ(screen.pixels[size_t(i)], 0) << i;
  EXPECT_EQ(LogCount("WARNING"), 0);
}

TEST_F(Images, ReloadingASlotReleasesTheOldPictureAndFreeReleasesAll) {
  TestPicture p(16, 16, 3);
  const int32_t before = MemoryInUse();
  ASSERT_TRUE(StoreImage(5, p.picture, kDrawAlpha, 10));
  const int32_t once = MemoryInUse();
  EXPECT_EQ(once - before, 16 * 16 * 3);
  ASSERT_TRUE(StoreImage(5, p.picture, kDrawAlpha, 10));
  EXPECT_EQ(MemoryInUse(), once);
  ReleaseImages();
  EXPECT_EQ(MemoryInUse(), before);
  EXPECT_EQ(ImageSlots[5].pixels, nullptr);
  ReleaseImages();   // twice is harmless
}

TEST_F(Images, PicturesWithFewerBytesPerPixelReadNothingPastTheirData) {
  TestPicture p(4, 4, 1);
  p.Fill(200, 0, 0);
  ASSERT_TRUE(StoreImage(13, p.picture, kDrawOpaque, 0));
  // Each pixel takes its three bytes from where they lie; the last pixels find 0 past the end.
  EXPECT_EQ(ImageSlots[13].pixels[15], Pack565(200, 0, 0));
  EXPECT_EQ(ImageSlots[13].pixels[0], Pack565(200, 200, 200));
}

}  // namespace
