// The forged data: repeatable, complete, and every file of the size, depth and layout the show reads.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <set>
#include <tuple>

#include "demo/engine/object.h"
#include "demo/engine/spline.h"
#include "forge/forge_support.h"
#include "runtime/files.h"
#include "runtime/log.h"
#include "runtime/memory.h"
#include "runtime/picture.h"
#include "support/small_disk.h"

namespace {

struct Need {
  const char* name;
  int32_t width, height, depth;
};
// What the show reads: screens 320 x 200, maps 256 x 256, captions with alpha, 8-bit maps.
constexpr Need kPictures[] = {
    {"loading.tga", 320, 200, 24},    {"logotarvon.tga", 320, 200, 24}, {"phongfond.tga", 320, 200, 24},
    {"multifond.tga", 320, 200, 24},  {"quenpic.tga", 320, 200, 24},    {"metafond.tga", 320, 200, 24},
    {"cheesefond.tga", 320, 200, 24}, {"foreground3.tga", 320, 200, 24}, {"fond.tga", 320, 200, 24},
    {"fonctions.tga", 276, 198, 32},  {"noms.tga", 200, 432, 32},       {"checkfun.tga", 256, 256, 24},
    {"zelt2.tga", 256, 256, 24},      {"texphong2.tga", 256, 256, 24},  {"specu.tga", 256, 256, 24},
    {"phong3.tga", 256, 256, 24},     {"phong_w.tga", 256, 256, 24},    {"texture2.tga", 256, 256, 24},
    {"metatex.tga", 256, 256, 24},    {"credit.tga", 256, 256, 24},     {"spec.tga", 256, 256, 24},
    {"sandblur.tga", 256, 256, 24},   {"blur2.tga", 256, 256, 24},      {"logoqvx.tga", 256, 256, 24},
    {"speculaire.tga", 256, 256, 8},  {"lefond.tga", 320, 200, 8},      {"wave2.tga", 320, 200, 8},
    {"night_ciel.tga", 640, 200, 24}, {"night_s.tga", 640, 200, 24},
};
constexpr const char* kOthers[] = {"meteor4.3dm", "obj4.3dm",  "credit.3dm", "checker.spl", "credcheck.spl",
                                   "music.spl",   "design.spl", "coder.spl", "nom.spl",     "logoqvx.spl",
                                   "meeting.mp3"};

std::string DataDir() { return (std::filesystem::current_path() / "forged_a").string() + "/"; }

// Loads a forged picture through the show's own loader.
struct Loaded {
  Picture* p = nullptr;
  explicit Loaded(const char* name) {
    SetArchiveName(DataDir().c_str());
    p = LoadPicture(name);
  }
  ~Loaded() { UnloadPicture(p); }
  const uint8_t* Px(int32_t x, int32_t y) const { return p->data + (size_t(y) * p->width + x) * p->bytesPerPixel; }
  bool Black(int32_t x, int32_t y) const { const uint8_t* q = Px(x, y); return !q[0] && !q[1] && !q[2]; }
  uint16_t To565(int32_t x, int32_t y) const {
    const uint8_t* q = Px(x, y);
    return uint16_t((q[0] & 0xF8) << 8 | (q[1] & 0xFC) << 3 | q[2] >> 3);
  }
};

}  // namespace

TEST(ForgeFiles, TwoRunsGiveIdenticalFilesAndMusic) {
  ASSERT_TRUE(Forged("forged_a")) << "see forged_a.out";
  ASSERT_TRUE(Forged("forged_b")) << "see forged_b.out";
  size_t compared = 0;
  for (const auto& entry : std::filesystem::directory_iterator("forged_a")) {
    const std::string name = entry.path().filename().string();
    if (name == "meeting.mp3") continue;  // the encoder's bytes are its own; the PCM is compared
    EXPECT_EQ(ReadBytes("forged_a/" + name), ReadBytes("forged_b/" + name)) << name;
    ++compared;
  }
  // Every file the show loads is there (each is read through its loader below) and the contact sheet.
  for (const char* n : kOthers) EXPECT_TRUE(std::filesystem::exists("forged_a/" + std::string(n))) << n;
  EXPECT_TRUE(std::filesystem::exists("forged_a/contact.png"));
  EXPECT_GE(compared, std::size(kPictures) + std::size(kOthers) - 1);
  std::vector<uint8_t> a = ReadBytes("forged_a.pcm"), b = ReadBytes("forged_b.pcm");
  EXPECT_FALSE(a.empty());
  EXPECT_TRUE(a == b) << "the synthesised music differs between runs";
}

// On a full disk the forge fails and leaves only whole files: each one there is as a full run wrote it.
TEST(ForgeFiles, ASmallDiskLeavesOnlyWholeFiles) {
  ASSERT_TRUE(Forged("forged_a"));
  std::filesystem::remove_all("small");
  const std::string forge = ProgramPath("forge") + " --out small --no-music --no-contact > small.out 2>&1";
  EXPECT_NE(std::system((kSmallDisk + forge).c_str()), 0);
  size_t files = 0;
  for (const auto& entry : std::filesystem::directory_iterator("small")) {
    const std::string name = entry.path().filename().string();
    EXPECT_EQ(ReadBytes("small/" + name), ReadBytes("forged_a/" + name)) << name;
    ++files;
  }
  EXPECT_GT(files, 0u);
  EXPECT_LT(files, std::size(kPictures) + std::size(kOthers) - 1);
  EXPECT_EQ(Temporaries("small"), "");
}

TEST(ForgeFiles, PicturesLoadWithTheirSizeAndDepthThroughTheShowsLoader) {
  ASSERT_TRUE(Forged("forged_a"));
  DebugMode = 0;
  for (const Need& n : kPictures) {
    Loaded l(n.name);
    EXPECT_EQ(l.p->width, n.width) << n.name;
    EXPECT_EQ(l.p->height, n.height) << n.name;
    EXPECT_EQ(l.p->depth, n.depth) << n.name;
  }
}

TEST(ForgeFiles, PicturesUseEveryLayoutTheLoaderAcceptsAndStayUprightElsewhere) {
  ASSERT_TRUE(Forged("forged_a"));
  std::set<int32_t> types;
  bool topFirst = false, bottomFirst = false;
  for (const Need& n : kPictures) {
    std::vector<uint8_t> f = DataFile(n.name);
    ASSERT_GE(f.size(), 18u) << n.name;
    types.insert(f[2]);
    const uint8_t descriptor = f[17];
    // upright in ordinary viewers: either top-left origin, or bottom-left origin with 8 attribute bits
    EXPECT_TRUE(descriptor == 0x20 || descriptor == 0x08) << n.name;
    if (f[16] == 32) { EXPECT_EQ(descriptor, 0x08) << n.name << ": 32-bit rows must be bottom first"; }
    (descriptor == 0x20 ? topFirst : bottomFirst) = true;
  }
  EXPECT_TRUE(types.count(2) && types.count(10)) << "plain and run-length colour";
  EXPECT_TRUE(types.count(3) && types.count(11)) << "plain and run-length grey";
  EXPECT_TRUE(types.count(1) || types.count(9)) << "colour-mapped";
  EXPECT_TRUE(topFirst && bottomFirst);
}

TEST(ForgeFiles, RowOrderMatchesWhatTheShowDraws) {
  ASSERT_TRUE(Forged("forged_a"));
  DebugMode = 0;
  {  // the silhouette mask: sky (pure red) at the top, land at the bottom
    Loaded l("night_s.tga");
    for (int32_t x = 0; x < 640; x += 7) {
      EXPECT_EQ(l.To565(x, 0), 0xF800) << x;
      EXPECT_NE(l.To565(x, 150), 0xF800) << x;
    }
  }
  // The role captions in three bands of 66 rows ("code" at the top, nothing crossing from one band to
  // the next) and nine handles of 48 rows each: every band holds letters and starts clear.
  for (const auto& [name, bands, h, least] : {std::tuple{"fonctions.tga", 3, 66, 1500}, {"noms.tga", 9, 48, 600}}) {
    Loaded l(name);
    for (int32_t k = 0; k < bands; ++k) {
      int32_t opaque = 0;
      for (int32_t y = h * k; y < h * k + h; ++y)
        for (int32_t x = 0; x < l.p->width; ++x) opaque += l.Px(x, y)[3] > 128;
      EXPECT_GT(opaque, least) << name << " " << k;
      for (int32_t x = 0; x < l.p->width; ++x) {
        EXPECT_LT(l.Px(x, h * k)[3], 8) << name << " " << k;
        if (bands == 3) { EXPECT_LT(l.Px(x, h * k + h - 1)[3], 8) << name << " " << k; }
      }
    }
  }
}

TEST(ForgeFiles, HolesAndTransparentColoursAreWhereTheEffectsExpectThem) {
  ASSERT_TRUE(Forged("forged_a"));
  DebugMode = 0;
  auto blackShare = [](const Loaded& l) {
    int32_t n = 0;
    for (int32_t y = 0; y < l.p->height; ++y)
      for (int32_t x = 0; x < l.p->width; ++x) n += l.Black(x, y);
    return double(n) / (l.p->width * l.p->height);
  };
  // keyed 5-6-5 texels: nothing but pure black may convert to the key 0; the share of holes
  struct Keyed { const char* name; double least, most; };
  for (const Keyed k : {Keyed{"checkfun.tga", 0.2, 0.6}, Keyed{"zelt2.tga", 0, 0}, Keyed{"credit.tga", 0, 1},
                        Keyed{"foreground3.tga", 0.7, 1}, Keyed{"phong3.tga", 0.05, 0.4}}) {
    Loaded l(k.name);
    for (int32_t y = 0; y < l.p->height; ++y)
      for (int32_t x = 0; x < l.p->width; ++x)
        if (!l.Black(x, y)) { ASSERT_NE(l.To565(x, y), 0) << k.name << " at " << x << "," << y; }
    EXPECT_GE(blackShare(l), k.least) << k.name;
    EXPECT_LE(blackShare(l), k.most) << k.name;
  }
  {
    Loaded l("credit.tga");  // a medallion: transparent corners, opaque middle
    EXPECT_TRUE(l.Black(0, 0) && l.Black(255, 255) && l.Black(255, 0) && l.Black(0, 255));
    EXPECT_FALSE(l.Black(128, 128));
  }
  {
    Loaded l("foreground3.tga");  // a frame: transparent window, solid border on every side
    EXPECT_TRUE(l.Black(160, 100));
    for (int32_t x = 0; x < 320; x += 5) EXPECT_FALSE(l.Black(x, 0) || l.Black(x, 199)) << x;
    for (int32_t y = 0; y < 200; y += 5) EXPECT_FALSE(l.Black(0, y) || l.Black(319, y)) << y;
  }
}

TEST(ForgeFiles, LogoSpriteEdgesMeetTheCheeseScenesDarkBackground) {
  ASSERT_TRUE(Forged("forged_a"));
  DebugMode = 0;
  Loaded logo("logoqvx.tga"), scene("cheesefond.tga");
  auto luma = [](const uint8_t* q) { return 0.299 * q[0] + 0.587 * q[1] + 0.114 * q[2]; };
  std::vector<double> sky;  // the scene's background: its middle three quarters of brightness,
  for (int32_t y = 0; y < 200; ++y)  // between the darkest sky and the stars and brightest dust
    for (int32_t x = 0; x < 320; ++x) sky.push_back(luma(scene.Px(x, y)));
  std::sort(sky.begin(), sky.end());
  const double low = sky[sky.size() / 8], level = sky[sky.size() / 2], high = sky[sky.size() * 7 / 8];
  double side[4] = {};  // top, bottom, left, right
  for (int32_t i = 0; i < 256; ++i) {
    side[0] += luma(logo.Px(i, 0)) / 256;
    side[1] += luma(logo.Px(i, 255)) / 256;
    side[2] += luma(logo.Px(0, i)) / 256;
    side[3] += luma(logo.Px(255, i)) / 256;
  }
  EXPECT_LT(high, 80);  // a dark scene
  for (int32_t k = 0; k < 4; ++k) {
    EXPECT_GE(side[k], low) << "the sprite's square shows over the scene: side " << k;
    EXPECT_LE(side[k], high) << "the sprite's square shows over the scene: side " << k;
  }
  double middle = 0;  // the glow behind the lettering
  for (int32_t y = 86; y < 150; ++y)
    for (int32_t x = 96; x < 160; ++x) middle += luma(logo.Px(x, y)) / 4096;
  EXPECT_GT(middle, level + 30);
}

TEST(ForgeFiles, SandHeightFieldsGiveDunesOverPartOfTheMap) {
  ASSERT_TRUE(Forged("forged_a"));
  DebugMode = 0;
  Loaded s("sandblur.tga"), s2("blur2.tga");
  // the sand effect's height: (r + g + b) * 110 of blur2 plus (200 - r - g - b) * 150 of sandblur,
  // sand above 24109; with the pictures' relative scroll any pairing occurs, so sample pairs.
  int32_t sand = 0, total = 0;
  for (int32_t i = 0; i < 65536; i += 97)
    for (int32_t j = 0; j < 65536; j += 4099) {
      const uint8_t* a = s.p->data + size_t(i) * 3;
      const uint8_t* b = s2.p->data + size_t(j) * 3;
      int32_t h = (b[0] + b[1] + b[2]) * 110 + (200 - a[0] - a[1] - a[2]) * 150;
      sand += h > 24109;
      ++total;
    }
  EXPECT_GT(double(sand) / total, 0.25);
  EXPECT_LT(double(sand) / total, 0.8);
}

TEST(ForgeFiles, ObjectsLoadClosedAndInRange) {
  ASSERT_TRUE(Forged("forged_a"));
  DebugMode = 0;
  struct Want { const char* name; int32_t minFaces, maxFaces; bool closed; };
  for (const Want w : {Want{"meteor4.3dm", 300, 5000, true}, Want{"obj4.3dm", 300, 5000, true},
                       Want{"credit.3dm", 2, 500, false}}) {
    SetArchiveName(DataDir().c_str());
    Object3D o = {};
    ASSERT_FALSE(DiesFatally([&] { LoadObject(w.name, &o); })) << w.name;
    EXPECT_GE(o.faceCount, w.minFaces) << w.name;
    EXPECT_LE(o.faceCount, w.maxFaces) << w.name;
    for (int32_t i = 0; i < o.vertexCount; ++i) {  // texels inside one 256 x 256 map
      EXPECT_GE(o.Map[i].u, 0.0);
      EXPECT_LT(o.Map[i].u, 256.0);
      EXPECT_GE(o.Map[i].v, 0.0);
      EXPECT_LT(o.Map[i].v, 256.0);
    }
    if (w.closed) {  // every edge shared by exactly two faces, in opposite directions
      std::map<std::pair<int32_t, int32_t>, int32_t> edges;
      for (int32_t f = 0; f < o.faceCount; ++f) {
        const int32_t v[3] = {o.faces[f].a, o.faces[f].b, o.faces[f].c};
        for (int32_t k = 0; k < 3; ++k) edges[{v[k], v[(k + 1) % 3]}]++;
      }
      for (const auto& [e, n] : edges) {
        EXPECT_EQ(n, 1) << w.name;
        auto back = edges.find({e.second, e.first});
        EXPECT_TRUE(back != edges.end() && back->second == 1) << w.name << " edge " << e.first << "-" << e.second;
      }
    }
    Free(o.Verts);
    Free(o.Map);
    Free(o.faces);
  }
}

TEST(ForgeFiles, PathsLoadThroughTheSplineReader) {
  ASSERT_TRUE(Forged("forged_a"));
  DebugMode = 0;
  static SplineStore store;
  struct Want { const char* name; int32_t values; double last; };
  for (const Want w : {Want{"checker.spl", 6, 300}, Want{"credcheck.spl", 2, 500}, Want{"music.spl", 2, 200},
                       Want{"design.spl", 2, 200}, Want{"coder.spl", 2, 200}, Want{"nom.spl", 2, 200},
                       Want{"logoqvx.spl", 2, 200}}) {
    SetArchiveName(DataDir().c_str());
    ASSERT_FALSE(DiesFatally([&] { LoadSpline(&store, 0, w.name); })) << w.name;
    EXPECT_EQ(store.valueCount[0], w.values) << w.name;
    EXPECT_LE(store.keyCount[0], 49) << w.name;
    EXPECT_DOUBLE_EQ(store.keys[0][store.keyCount[0] - 1].t, w.last) << w.name;
    for (int32_t k = 1; k < store.keyCount[0]; ++k) EXPECT_GT(store.keys[0][k].t, store.keys[0][k - 1].t) << w.name;
  }
}
