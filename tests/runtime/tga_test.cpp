// TGA pictures built byte by byte in the test: every accepted type and depth, colour maps, both
// row orders, run-length packets crossing rows, and every refusal with its fatal line.
#include <gtest/gtest.h>

#include "runtime/picture.h"
#include "support/logfile.h"
#include "support/tga_file.h"

namespace {

using Bytes = std::vector<uint8_t>;

Picture* gPicture;

// Loads name under the guard: the fatal line, or "" with gPicture set.
std::string TryLoad(const char* name) {
  gPicture = nullptr;
  return FatalOf([name] { gPicture = LoadPicture(name); });
}

Picture* Load(const Tga& t, const char* name = "pic.tga") {
  WriteBytes(name, t.Build());
  EXPECT_EQ(TryLoad(name), "");
  return gPicture;
}

std::string Refusal(const Bytes& file, const char* name = "bad.tga") {
  WriteBytes(name, file);
  return TryLoad(name);
}

Bytes Data(const Picture* p) {
  return Bytes(p->data, p->data + size_t(p->width) * p->height * p->bytesPerPixel);
}

}  // namespace

TEST(Tga, TrueColourSwapsToRedGreenBlue) {
  Tga t{.width = 2, .pixels = {0x10, 0x20, 0x30, 0x01, 0x02, 0x03}};
  int32_t before = MemoryInUse();
  Picture* p = Load(t);
  ASSERT_NE(p, nullptr);
  EXPECT_EQ(p->width, 2);
  EXPECT_EQ(p->height, 1);
  EXPECT_EQ(p->depth, 24);
  EXPECT_EQ(p->bytesPerPixel, 3);
  EXPECT_EQ(Data(p), (Bytes{0x30, 0x20, 0x10, 0x03, 0x02, 0x01}));
  for (auto& e : p->palette) EXPECT_EQ(e[0] | e[1] | e[2], 0);
  UnloadPicture(p);
  EXPECT_EQ(MemoryInUse(), before) << "the file, the record and the pixels all go back";
  std::string log = Slurp("log.txt");
  EXPECT_NE(log.find("Info: LoadPicture(pic.tga)\n"), std::string::npos);
  EXPECT_NE(log.find("\"Picture structure\""), std::string::npos) << log;
}

TEST(Tga, ThirtyTwoBitsKeepAlphaLast) {
  Tga t{.width = 1, .height = 2, .depth = 32, .id = "made in a test", .pixels = {1, 2, 3, 4, 5, 6, 7, 8}};
  Picture* p = Load(t);
  ASSERT_NE(p, nullptr);
  EXPECT_EQ(p->bytesPerPixel, 4);
  EXPECT_EQ(Data(p), (Bytes{3, 2, 1, 4, 7, 6, 5, 8}));
  UnloadPicture(p);
}

// Packet 0x83 repeats one pixel four times, 0x02 copies three: on a 3-pixel-wide picture both
// cross a row boundary.
TEST(Tga, RunLengthPacketsCrossRows) {
  Tga t{.type = 10, .width = 3, .height = 3, .depth = 32};
  t.pixels = {0x83, 10, 20, 30, 40, 0x02, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12,
              0x01, 0xA, 0xB, 0xC, 0xD, 0xE, 0xF, 0x10, 0x11};
  Picture* p = Load(t);
  ASSERT_NE(p, nullptr);
  Bytes expect;
  for (int i = 0; i < 4; i++) expect.insert(expect.end(), {30, 20, 10, 40});
  expect.insert(expect.end(), {3, 2, 1, 4, 7, 6, 5, 8, 11, 10, 9, 12, 0xC, 0xB, 0xA, 0xD, 0x10, 0xF, 0xE, 0x11});
  EXPECT_EQ(Data(p), expect);
  UnloadPicture(p);

  // 0x87: a run of eight, then two raw pixels: ten in all.
  p = Load(Tga{.type = 10, .width = 5, .height = 2, .pixels = {0x87, 1, 2, 3, 0x01, 4, 5, 6, 7, 8, 9}});
  ASSERT_NE(p, nullptr);
  expect.clear();
  for (int i = 0; i < 8; i++) expect.insert(expect.end(), {3, 2, 1});
  expect.insert(expect.end(), {6, 5, 4, 9, 8, 7});
  EXPECT_EQ(Data(p), expect);
  UnloadPicture(p);
}

TEST(Tga, ColourMapFillsItsEntriesOnly) {
  Tga t{.type = 1, .depth = 8, .mapType = 1, .mapFirst = 10, .mapLength = 5};
  for (int i = 0; i < 5; i++) t.map.insert(t.map.end(), {uint8_t(i), uint8_t(100 + i), uint8_t(200 + i)});
  t.width = 4;
  t.pixels = {10, 11, 12, 14};
  Picture* p = Load(t);
  ASSERT_NE(p, nullptr);
  EXPECT_EQ(p->bytesPerPixel, 1);
  EXPECT_EQ(Data(p), (Bytes{10, 11, 12, 14}));
  for (int i = 0; i < 256; i++) {
    if (i >= 10 && i < 15) {
      EXPECT_EQ(p->palette[i][0], 200 + i - 10);
      EXPECT_EQ(p->palette[i][1], 100 + i - 10);
      EXPECT_EQ(p->palette[i][2], i - 10);
    } else {
      EXPECT_EQ(p->palette[i][0] | p->palette[i][1] | p->palette[i][2], 0) << i;
    }
  }
  UnloadPicture(p);

  // The same through run-length packets (type 9), the map ending exactly at entry 255.
  t.type = 9;
  t.mapFirst = 251;
  t.pixels = {0x81, 252, 0x01, 253, 255};
  p = Load(t);
  ASSERT_NE(p, nullptr);
  EXPECT_EQ(Data(p), (Bytes{252, 252, 253, 255}));
  EXPECT_EQ(p->palette[255][0], 204);
  UnloadPicture(p);
}

TEST(Tga, GreyScaleGetsTheGreyRamp) {
  for (uint8_t type : {uint8_t(3), uint8_t(11)}) {
    // A colour map is read and then replaced by the ramp.
    Picture* p = Load(Tga{.type = type, .width = 3, .depth = 8, .mapType = 1, .mapLength = 1, .map = {9, 9, 9},
                          .pixels = type == 3 ? Bytes{0, 128, 255} : Bytes{0x00, 0, 0x81, 7}});
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(Data(p), type == 3 ? (Bytes{0, 128, 255}) : (Bytes{0, 7, 7}));
    for (int i = 0; i < 256; i++)
      EXPECT_TRUE(p->palette[i][0] == i && p->palette[i][1] == i && p->palette[i][2] == i);
    UnloadPicture(p);
  }
}

TEST(Tga, RowOrderFollowsTheAttributeBits) {
  Tga t{.type = 3, .width = 2, .height = 3, .depth = 8, .pixels = {1, 2, 3, 4, 5, 6}};
  for (uint8_t d : {uint8_t(0x00), uint8_t(0x20), uint8_t(0x01), uint8_t(0x08), uint8_t(0x02), uint8_t(0x28)}) {
    t.descriptor = d;
    Picture* p = Load(t);
    ASSERT_NE(p, nullptr);
    bool reversed = (d & 0x0A) != 0;
    EXPECT_EQ(Data(p), reversed ? (Bytes{5, 6, 3, 4, 1, 2}) : (Bytes{1, 2, 3, 4, 5, 6})) << int(d);
    UnloadPicture(p);
    if (reversed) {
      EXPECT_NE(Slurp("log.txt").find("\"loc\""), std::string::npos);
    }
  }
  // An even number of rows and a true-colour picture.
  Picture* p = Load(Tga{.width = 1, .height = 2, .descriptor = 0x08, .pixels = {1, 2, 3, 4, 5, 6}});
  ASSERT_NE(p, nullptr);
  EXPECT_EQ(Data(p), (Bytes{6, 5, 4, 3, 2, 1}));
  UnloadPicture(p);
}

TEST(Tga, EmptyPictureLoads) {
  Tga t{.width = 0, .height = 0};
  Picture* p = Load(t);
  ASSERT_NE(p, nullptr);
  EXPECT_EQ(p->width, 0);
  UnloadPicture(p);
}

TEST(Tga, RefusalsWithTheirLines) {
  for (uint8_t depth : {uint8_t(16), uint8_t(15), uint8_t(6)}) {
    Tga t{.depth = depth, .pixels = {0, 0}};
    EXPECT_EQ(Refusal(t.Build()), "FATAL ERROR: LoadPicture(bad.tga): Couldn't load picture in " +
                                      std::to_string(depth) + " bits !!!");
  }

  Tga m{.type = 1, .depth = 8, .mapType = 1, .mapLength = 1, .mapBits = 16, .map = {0, 0}, .pixels = {0}};
  EXPECT_EQ(Refusal(m.Build()),
            "FATAL ERROR: LoadPicture(bad.tga): Couldn't load picture with  16 bits palette !!!");

  for (uint8_t type : {uint8_t(0), uint8_t(4), uint8_t(8), uint8_t(12), uint8_t(32)}) {
    EXPECT_EQ(Refusal(Tga{.type = type, .pixels = {1, 2, 3}}.Build()), "FATAL ERROR: Loadpicture(bad.tga): Unknown TGA Type !!!") << int(type);
  }

  EXPECT_EQ(FatalOf([] { LoadPicture(nullptr); }), "FATAL ERROR: LoadPicture((null)): Bad image name !!!");

  // The decoder itself only hands the message back, with what it made so far for the caller.
  const Bytes file = Tga{.depth = 16, .pixels = {0, 0}}.Build();
  Picture* made = nullptr;
  Failure why;
  EXPECT_FALSE(PictureFromMemory("mem.tga", file.data(), int32_t(file.size()), &made, why));
  EXPECT_STREQ(why.text, "LoadPicture(mem.tga): Couldn't load picture in 16 bits");
  ASSERT_NE(made, nullptr);
  EXPECT_EQ(made->data, nullptr);
  UnloadPicture(made);
}

// What the file does not hold is never read, and packets never write past the picture.
TEST(Tga, DamagedFilesStopCleanly) {
  const std::string shortLine = "FATAL ERROR: LoadPicture(bad.tga): File shorter than its TGA header announces !!!";
  Tga t{.width = 4, .height = 4};
  t.pixels.assign(4 * 4 * 3 - 1, 7);
  EXPECT_EQ(Refusal(t.Build()), shortLine);
  EXPECT_EQ(Refusal(Bytes{0, 0, 2, 0, 0}), shortLine);
  EXPECT_EQ(Refusal(Bytes{}), shortLine);

  Bytes b = Tga{.id = std::string(40, 'x')}.Build();
  b.resize(30);   // the identification field itself runs out
  EXPECT_EQ(Refusal(b), shortLine);

  Tga m{.type = 1, .width = 0, .depth = 8, .mapType = 1, .mapLength = 3, .map = {1, 2, 3, 4, 5}};
  EXPECT_EQ(Refusal(m.Build()), shortLine);   // the map is cut short, though no pixel follows
  m.mapFirst = 250;
  m.mapLength = 7;
  m.map.assign(21, 1);
  m.pixels = {0};
  EXPECT_EQ(Refusal(m.Build()),
            "FATAL ERROR: LoadPicture(bad.tga): Colour map runs past entry 255 (first 250, 7 entries) !!!");

  Tga r{.type = 10, .width = 3, .pixels = {0x83, 1, 2, 3}};   // four pixels into a picture of three
  EXPECT_EQ(Refusal(r.Build()),
            "FATAL ERROR: LoadPicture(bad.tga): Run-length packet runs past the end of the picture !!!");
  r.pixels = {0x03, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12};
  EXPECT_EQ(Refusal(r.Build()),
            "FATAL ERROR: LoadPicture(bad.tga): Run-length packet runs past the end of the picture !!!");
  r.pixels = {0x80, 1, 2, 3, 0x01, 4, 5};   // the second packet is cut short
  EXPECT_EQ(Refusal(r.Build()), shortLine);
  r.pixels = {0x81, 1, 2};
  EXPECT_EQ(Refusal(r.Build()), shortLine);
  r.width = 2;   // the cut packet is the last one
  EXPECT_EQ(Refusal(r.Build()), shortLine);
  r.width = 3;
  r.pixels = {0x81, 1, 2, 3};   // packets end before the picture does
  EXPECT_EQ(Refusal(r.Build()), shortLine);

  // A header that claims a huge picture over a few bytes asks for no memory.
  Tga big{.type = 10, .width = 65535, .height = 65535, .depth = 32, .pixels = {0xFF, 1, 2, 3, 4}};
  EXPECT_EQ(Refusal(big.Build()), "FATAL ERROR: LoadPicture(bad.tga): Picture too large (65535 x 65535) !!!");
  big.width = big.height = 40000;
  big.depth = 8;
  EXPECT_EQ(Refusal(big.Build()), shortLine);
}

TEST(Tga, UnloadPictureChecksItsArgument) {
  EXPECT_NE(FatalOf([] { UnloadPicture(nullptr); }).find("Couldn't unload NULL pointed picture"), std::string::npos);

  Tga t{.pixels = {1, 2, 3}};
  Picture* p = Load(t);
  ASSERT_NE(p, nullptr);
  Free(p->data);
  p->data = nullptr;
  std::remove("log.txt");
  int32_t before = MemoryInUse();
  UnloadPicture(p);
  EXPECT_NE(Slurp("log.txt").find("ERROR: UnloadPicture(): Picture->Data is <NULL> !"), std::string::npos);
  EXPECT_EQ(MemoryInUse(), before - int32_t(sizeof(Picture)));
}

// A true-colour picture may carry a colour map: it fills the palette and is stepped over.
TEST(Tga, ColourMapBeforeTrueColourPixels) {
  Tga t{.type = 2, .width = 2, .mapType = 1, .mapLength = 2, .id = "id", .map = {1, 2, 3, 4, 5, 6},
        .pixels = {10, 20, 30, 40, 50, 60}};
  Picture* p = Load(t);
  ASSERT_NE(p, nullptr);
  EXPECT_EQ(Data(p), (Bytes{30, 20, 10, 60, 50, 40}));
  EXPECT_EQ(p->palette[1][0], 6);
  EXPECT_EQ(p->palette[1][2], 4);
  UnloadPicture(p);
}
