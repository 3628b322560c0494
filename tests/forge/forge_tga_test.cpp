// The forge's TGA writer in every layout, read back by the show's own loader.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <filesystem>

#include "runtime/files.h"
#include "runtime/log.h"
#include "runtime/picture.h"
#include "support/logfile.h"
#include "tools/forge/noise.h"
#include "tools/forge/tga.h"

namespace {

// A picture with long runs (over 128 equal pixels), short runs and noise, so both packet kinds
// and their limits occur.
Image Sample(int32_t w, int32_t h, uint32_t seed) {
  Image im = MakeImage(w, h);
  Rng rng{seed};
  for (int32_t y = 0; y < h; ++y)
    for (int32_t x = 0; x < w; ++x) {
      float* p = At(im, x, y);
      if (y % 3 == 0) {
        p[0] = 0.5f; p[1] = 0.25f; p[2] = 1.0f; p[3] = 0.75f;  // one run across the row
      } else if (y % 3 == 1) {
        float v = float((x / 3) % 5) / 4.0f;  // runs of three
        p[0] = v; p[1] = 1 - v; p[2] = v * 0.5f; p[3] = v;
      } else {
        p[0] = rng.Unit(); p[1] = rng.Unit(); p[2] = rng.Unit(); p[3] = rng.Unit();
      }
    }
  return im;
}

std::string Write(const std::vector<uint8_t>& bytes, const char* name) {
  std::filesystem::create_directories("tga_roundtrip");
  WriteBytes(std::string("tga_roundtrip/") + name, bytes);
  SetArchiveName("tga_roundtrip/");
  return name;
}

}  // namespace

TEST(ForgeTga, EveryLayoutReadsBackExactlyThroughLoadPicture) {
  DebugMode = 0;
  const int32_t w = 300, h = 7;  // rows longer than one 128-pixel packet
  Image im = Sample(w, h, 5);
  for (TgaPixels pixels : {TgaPixels::Grey8, TgaPixels::Rgb24, TgaPixels::Rgba32})
    for (bool rle : {false, true})
      for (bool bottom : {false, true}) {
        TgaLayout layout;
        layout.pixels = pixels;
        layout.rle = rle;
        layout.bottomFirst = bottom;
        layout.id = "round trip";
        std::vector<uint8_t> file = EncodeTga(im, layout);
        const int32_t bpp = pixels == TgaPixels::Grey8 ? 1 : pixels == TgaPixels::Rgb24 ? 3 : 4;
        SCOPED_TRACE(testing::Message() << "bpp " << bpp << " rle " << rle << " bottom " << bottom);
        Picture* p = LoadPicture(Write(file, "t.tga").c_str());
        ASSERT_EQ(p->width, w);
        ASSERT_EQ(p->height, h);
        ASSERT_EQ(p->bytesPerPixel, bpp);
        for (int32_t y = 0; y < h; ++y)
          for (int32_t x = 0; x < w; ++x) {
            const float* s = At(im, x, y);
            const uint8_t* d = p->data + (size_t(y) * w + x) * bpp;
            for (int32_t c = 0; c < bpp; ++c) ASSERT_EQ(d[c], Quantise(s[bpp == 1 ? 0 : c])) << x << "," << y;
          }
        if (bpp == 1) { EXPECT_EQ(p->palette[200][1], 200); }  // grey-scale palette
        UnloadPicture(p);
        // and the forge's own reader, used by the contact sheet, agrees
        TgaInfo info = DecodeTga(file);
        ASSERT_TRUE(info.ok);
        EXPECT_EQ(info.rgba[(size_t(2) * w + 17) * 4], Quantise(At(im, 17, 2)[0]));
        if (rle) { EXPECT_LT(file.size(), size_t(18 + 10) + size_t(w) * h * bpp) << "runs pack"; }
      }
}

TEST(ForgeTga, ColourMappedReadsBackIndicesAndPalette) {
  DebugMode = 0;
  const int32_t w = 200, h = 5;
  std::vector<uint8_t> idx(size_t(w) * h);
  for (size_t i = 0; i < idx.size(); ++i) idx[i] = uint8_t(i < 300 ? 7 : (i * 37) & 255);
  std::vector<Rgb> palette(256);
  for (int32_t i = 0; i < 256; ++i) palette[size_t(i)] = {float(i) / 255, float(255 - i) / 255, 0.5f};
  for (bool rle : {false, true})
    for (bool bottom : {false, true}) {
      TgaLayout layout;
      layout.rle = rle;
      layout.bottomFirst = bottom;
      Picture* p = LoadPicture(Write(EncodeTgaMapped(w, h, idx, palette, layout), "m.tga").c_str());
      ASSERT_EQ(p->bytesPerPixel, 1);
      EXPECT_EQ(0, std::memcmp(p->data, idx.data(), idx.size())) << rle << bottom;
      EXPECT_EQ(p->palette[10][0], 10);
      EXPECT_EQ(p->palette[10][1], 245);
      EXPECT_EQ(p->palette[10][2], 128);
      UnloadPicture(p);
    }
}
