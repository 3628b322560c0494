// Draws each effect of this group for 600 frames over its window and prints the median milliseconds
// per frame, against a peer measured in the same run: one plain copy of a whole frame (what showing a
// background picture costs). The data is the forged show data in data/ of the checkout (else its
// data.qvx), or the folder or archive named by TARVON_DATA; without it, pictures, objects and
// paths made here stand in.
//
//   bench_effects1            ends with lines  RESULT effect=phong ms_per_frame=0.21 ...
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "demo/effects/checker.h"
#include "demo/effects/meta.h"
#include "demo/effects/multi.h"
#include "demo/effects/phong.h"
#include "demo/effects/sable.h"
#include "runtime/files.h"
#include "runtime/log.h"
#include "runtime/memory.h"
#include "bench/support/frame_timer.h"

namespace {


// ---- stand-in data ----

std::map<std::string, Picture> pictures;
std::map<std::string, std::vector<uint8_t>> pixels;
std::map<std::string, std::string> texts;

void Make(const char* name, int32_t w, int32_t h, uint32_t (*colour)(int32_t x, int32_t y)) {
  std::vector<uint8_t>& b = pixels[name];
  b.resize(size_t(w) * size_t(h) * 3);
  for (int32_t y = 0; y < h; y++)
    for (int32_t x = 0; x < w; x++) {
      const uint32_t c = colour(x, y);
      uint8_t* p = &b[(size_t(y) * size_t(w) + size_t(x)) * 3];
      p[0] = uint8_t(c >> 16);
      p[1] = uint8_t(c >> 8);
      p[2] = uint8_t(c);
    }
  Picture p = {};
  p.width = w;
  p.height = h;
  p.depth = 24;
  p.bytesPerPixel = 3;
  p.data = b.data();
  pictures[name] = p;
}

// A lumpy sphere of about 1000 faces, like the meteor.
std::string Sphere(double radius) {
  const int32_t rings = 22, segments = 24;
  std::string s = std::to_string((rings + 1) * (segments + 1)) + "\n";
  for (int32_t r = 0; r <= rings; r++)
    for (int32_t g = 0; g <= segments; g++) {
      const double th = M_PI * r / rings, ph = 2 * M_PI * g / segments;
      const double k = radius * (1.0 + 0.08 * std::sin(5 * th) * std::cos(3 * ph));
      s += std::to_string(k * std::sin(th) * std::cos(ph)) + " " + std::to_string(k * std::cos(th)) + " " +
           std::to_string(k * std::sin(th) * std::sin(ph)) + " " + std::to_string(double(g) / segments * 0.99) +
           " " + std::to_string(double(r) / rings * 0.99) + "\n";
    }
  s += std::to_string(rings * segments * 2) + "\n";
  for (int32_t r = 0; r < rings; r++)
    for (int32_t g = 0; g < segments; g++) {
      const int32_t a = r * (segments + 1) + g, b = a + 1, c = a + segments + 1, d = c + 1;
      s += std::to_string(a) + " " + std::to_string(c) + " " + std::to_string(b) + "\n";
      s += std::to_string(b) + " " + std::to_string(c) + " " + std::to_string(d) + "\n";
    }
  return s;
}

void MakeStandIns() {
  auto texture = [](int32_t x, int32_t y) -> uint32_t { return uint32_t((x * 7) & 255) << 16 | uint32_t(y) << 8 | 128; };
  auto mask = [](int32_t x, int32_t y) -> uint32_t { return ((x / 16 + y / 16) & 1) ? 0xFFFFFF : 0; };
  auto grey = [](int32_t x, int32_t y) -> uint32_t {
    const uint32_t v = uint32_t(128 + 100 * std::sin(x * 0.05) * std::cos(y * 0.07));
    return v << 16 | v << 8 | v;
  };
  auto sky = [](int32_t x, int32_t y) -> uint32_t {
    return y < 60 || (x / 50) & 1 ? 0xFF0000 : 0x102030;
  };
  for (const char* n : {"zelt2.tga", "texphong2.tga", "specu.tga", "texture2.tga", "metatex.tga", "spec.tga"})
    Make(n, 256, 256, texture);
  Make("checkfun.tga", 256, 256, mask);
  Make("credit.tga", 256, 256, mask);
  Make("sandblur.tga", 256, 256, grey);
  Make("blur2.tga", 256, 256, grey);
  Make("night_ciel.tga", 640, 200, texture);
  Make("night_s.tga", 640, 200, sky);
  texts["meteor4.3dm"] = Sphere(180.0);
  texts["obj4.3dm"] = Sphere(300.0);
  texts["credit.3dm"] = "4\n-150 -100 0 0 0\n150 -100 0 0.99 0\n150 100 0 0.99 0.99\n-150 100 0 0 0.99\n2\n0 1 2\n0 2 3\n";
  texts["checker.spl"] = "3 6\n0 -0.7 0.3 0.3 0 0 900\n150 2 1 0.5 40 10 700\n300 4 2 1 -40 -10 900\n";
  texts["credcheck.spl"] = "3 2\n0 0 -60\n100 0.5 0\n200 1 60\n";
}

const EffectFiles& StandInFiles() {
  static const EffectFiles files = {
      [](const char* name, Object3D* o) {
        const std::string& t = texts.at(name);
        ParseObject((const uint8_t*)t.data(), t.size(), name, o);
      },
      [](const char* name) { return new Picture(pictures.at(name)); },
      [](Picture* p) { delete p; },
      [](SplineStore* store, int32_t slot, const char* name) {
        const std::string& t = texts.at(name);
        Failure why;
        ParseSpline(store, slot, (const uint8_t*)t.data(), t.size(), why);
      },
  };
  return files;
}

// ---- timing ----


char* W(const char* s) { return const_cast<char*>(s); }

}  // namespace

using namespace frametimer;

int main() {
  DebugMode = 0;
  InitMemory();
  const std::filesystem::path source = TARVON_SOURCE_DIR;
  const EffectFiles* files = &DataFiles();
  std::string data = (source / "data").string();
  if (const char* chosen = getenv("TARVON_DATA")) {
    data = chosen;
  } else if (std::filesystem::exists(source / "data" / "meteor4.3dm")) {
    // the forged files themselves
  } else if (std::filesystem::exists(source / "data.qvx")) {
    data = (source / "data.qvx").string();
  } else {
    MakeStandIns();
    files = &StandInFiles();
    data = "pictures made by the benchmark";
  }
  if (files == &DataFiles()) SetArchiveName(data.c_str());
  printf("effects1: %d frames per effect, data from %s\n", kFrames, data.c_str());
  MakeBackground();

  const double copy = MsPerFrame([](const FrameTarget&, float) {});
  std::vector<Row> rows;

  char* checkerArgs[] = {W("meteor4.3dm"), W("checkfun.tga"), W("zelt2.tga"), W("checker.spl")};
  SetUpChecker(4, checkerArgs, *files);
  rows.push_back({"checker", MsPerFrame(DrawCheckerOn)});
  FreeCheckerEffect();
  char* creditArgs[] = {W("credit.3dm"), W("credit.tga"), W("credit.tga"), W("credcheck.spl")};
  SetUpChecker(4, creditArgs, *files);
  rows.push_back({"credit_plate", MsPerFrame(DrawCreditPlateOn)});
  FreeCheckerEffect();

  char* phongArgs[] = {W("obj4.3dm"), W("texphong2.tga"), W("specu.tga")};
  SetUpPhong(3, phongArgs, *files);
  rows.push_back({"phong", MsPerFrame(DrawPhongOn)});
  FreePhongEffect();

  char* multiArgs[] = {W("meteor4.3dm"), W("texture2.tga"), W("zelt2.tga")};
  SetUpMulti(3, multiArgs, *files);
  rows.push_back({"multi", MsPerFrame(DrawMultiOn)});
  FreeMultiEffect();

  SetUpSable(*files);
  rows.push_back({"sable", MsPerFrame(DrawSableOn)});
  FreeSableEffect();

  char* metaArgs[] = {W("metatex.tga"), W("metafond.tga")};
  SetUpMeta(2, metaArgs, *files);
  rows.push_back({"meta", MsPerFrame(DrawMetaOn)});
  FreeMetaEffect();

  PrintRows(rows, copy);
  return 0;
}
