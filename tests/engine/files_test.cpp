// The engine's routines over real data files in the working folder: LoadObject, LoadSpline and the
// image and sprite routines of the timeline, with the log lines they write.
#include <gtest/gtest.h>

#include <cstdio>
#include <vector>

#include "demo/engine/fixed.h"
#include "demo/engine/images.h"
#include "demo/tarvon3/routines.h"
#include "engine_support.h"
#include "runtime/video.h"
#include "support/tga_file.h"

namespace {

void WriteFile(const char* name, const std::string& bytes) { WriteText(name, bytes); }

// An uncompressed true-colour TGA, rows top first; pixel(x, y) gives red, green, blue, alpha.
template <class F>
void WriteTga(const char* name, int w, int h, int bpp, F pixel) {
  Tga t{.width = uint16_t(w), .height = uint16_t(h), .depth = uint8_t(bpp * 8)};
  for (int y = 0; y < h; y++)
    for (int x = 0; x < w; x++) {
      uint8_t c[4];
      pixel(x, y, c);
      for (int k : {2, 1, 0, 3})   // stored blue, green, red, then alpha
        if (k < bpp) t.pixels.push_back(c[k]);
    }
  WriteBytes(name, t.Build());
}

// Runs a timeline routine with its parameter text split into words.
void Call(void (*routine)(float, int32_t, char**), const char* text, float progress = 0.0f) {
  std::string copy = text;
  std::vector<char*> words;
  for (char* w = strtok(copy.data(), " "); w; w = strtok(nullptr, " ")) words.push_back(w);
  words.push_back(nullptr);
  routine(progress, int32_t(words.size() - 1), words.data());
}

class EngineFiles : public ::testing::Test {
 protected:
  std::vector<uint16_t> frame = std::vector<uint16_t>(320 * 200, 0);
  uint16_t* savedBuffer = nullptr;
  int32_t savedW = 0, savedH = 0;
  void SetUp() override {
    DebugMode = 1;
    InitLog();
    ResetImageWarnings();
    savedBuffer = ScreenBuffer;
    savedW = ScreenWidth;
    savedH = ScreenHeight;
    ScreenBuffer = frame.data();
    ScreenWidth = 320;
    ScreenHeight = 200;
  }
  void TearDown() override {
    ReleaseImages();
    ScreenBuffer = savedBuffer;
    ScreenWidth = savedW;
    ScreenHeight = savedH;
  }
};

TEST_F(EngineFiles, LoadObjectLogsAndFillsTheRecord) {
  WriteFile("tri.3dm", "3\n0 0 0 0 0\n1 0 0 1 0\n0 1 0 0 1\n1\n0 1 2");
  Object3D o = {};
  LoadObject("tri.3dm", &o);
  EXPECT_EQ(o.vertexCount, 3);
  EXPECT_EQ(o.faceCount, 1);
  EXPECT_EQ(o.Map[1].u, 256.0);
  EXPECT_EQ(MissingInOrder(ReadLines(), {"Info: Loading Object tri.3dm", "Info: Object Loaded tri.3dm, 3 vertices, 1 faces"}),
            "");
  FreeObject(&o);
}

TEST_F(EngineFiles, LoadSplineAndItsFatalLimits) {
  static SplineStore store;
  WriteFile("arch.spl", "3 1\n0 0\n1 1\n2 0");
  LoadSpline(&store, 4, "arch.spl");
  EXPECT_TRUE(LogHas("Info: Loading arch.spl"));
  double v = 0;
  EvalSpline(&store, 4, 0.5, &v, -1);
  EXPECT_DOUBLE_EQ(v, 0.6875);
  std::string many = "50 1";
  for (int i = 0; i < 50; i++) many.append(" ").append(std::to_string(i)).append(" 0");
  WriteFile("many.spl", many);
  EXPECT_EQ(FatalOf([] { LoadSpline(&store, 5, "many.spl"); }), "FATAL ERROR: LoadSpline(): too many keys !!!");
  WriteFile("wide.spl", "2 7 0 1 2 3 4 5 6 7 1 1 2 3 4 5 6 7");
  EXPECT_EQ(FatalOf([] { LoadSpline(&store, 5, "wide.spl"); }), "FATAL ERROR: LoadSpline(): too many data !!!");
  EXPECT_EQ(FatalOf([] { LoadSpline(&store, 50, "arch.spl"); }), "FATAL ERROR: InitSpline(): too many splines !!!");
}

TEST_F(EngineFiles, ImageAndSpriteRoutinesOfTheTimeline) {
  WriteTga("back.tga", 320, 200, 3, [](int x, int y, uint8_t* c) {
    c[0] = uint8_t(x);
    c[1] = uint8_t(y);
    c[2] = 255;
  });
  WriteTga("caps.tga", 40, 20, 4, [](int x, int, uint8_t* c) {
    c[0] = c[1] = c[2] = 255;
    c[3] = x < 20 ? 255 : 0;
  });
  WriteFile("still.spl", "2 2  0 100 50  200 100 50");
  Call(LoadImage, "0 back.tga 0 0");
  Call(LoadImage, "6 caps.tga 2 0");
  Call(AddSprite, "3 6 0 0 40 20 still.spl 0");
  Call(ShowImage, "0");
  EXPECT_EQ(frame[0], Pack565(0, 0, 255));
  EXPECT_EQ(frame[199 * 320 + 300], Pack565(300 & 255, 199, 255));
  Call(DrawSprite, "3", 0.5f);
  EXPECT_EQ(frame[50 * 320 + 100], 0xFFFF);             // opaque half of the caption
  EXPECT_EQ(frame[50 * 320 + 130], Pack565(130, 50, 255));   // transparent half
  Call(ShowImageCentered, "0");
  EXPECT_EQ(frame[0], 0xFFFF);
  EXPECT_EQ(frame[32], ImageSlots[0].pixels[28 * 256]);
  EXPECT_TRUE(LogHas("Info: Loading still.spl"));
  Call(FreeImages, "");
  EXPECT_EQ(ImageSlots[0].pixels, nullptr);
  EXPECT_EQ(ImageSlots[6].alpha, nullptr);
}

TEST_F(EngineFiles, RoutinesRefuseNumbersBeyondTheirTables) {
  WriteTga("dot.tga", 1, 1, 3, [](int, int, uint8_t* c) { c[0] = c[1] = c[2] = 9; });
  WriteFile("still.spl", "2 2  0 1 1  200 1 1");
  EXPECT_EQ(FatalOf([] { Call(LoadImage, "100 dot.tga 0 0"); }), "FATAL ERROR: LoadImage(): too many images !!!");
  EXPECT_EQ(FatalOf([] { Call(AddSprite, "100 0 0 0 1 1 still.spl 0"); }),
            "FATAL ERROR: AddSprite(): not enough empty sprite !!!");
  EXPECT_EQ(FatalOf([] { Call(AddSprite, "55 0 0 0 1 1 still.spl 0"); }), "FATAL ERROR: InitSpline(): too many splines !!!");
  // Sprite 55 has no path, so drawing it draws nothing and warns once.
  Call(DrawSprite, "55", 0.5f);
  EXPECT_TRUE(LogHasPart("WARNING: DrawSprite(): sprite 55: no such sprite"));
}

}  // namespace
