// Data files made in memory for the effects' set-up routines, and frames to draw them on.
#pragma once
#include <cstdint>
#include <cstring>
#include <deque>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "demo/effects/effect_files.h"
#include "demo/engine/frame.h"
#include "demo/engine/object.h"
#include "demo/engine/spline.h"
#include "runtime/log.h"
#include "runtime/memory.h"
#include "support/logfile.h"

namespace fx {

struct Rgb {
  uint8_t r, g, b;
};

// Pictures, objects and paths by name, handed out by the loaders of Files().
struct Disk {
  std::map<std::string, Picture> pictures;           // data owned by the vectors below
  std::map<std::string, std::vector<uint8_t>> bytes;
  std::map<std::string, std::string> texts;          // .3dm and .spl files
  std::deque<Picture> handedOut;                     // what loadPicture returned, kept to the end
  int32_t loaded = 0, unloaded = 0;
};
inline Disk disk;

inline void AddPicture(const std::string& name, int32_t w, int32_t h, int32_t bpp,
                       const std::function<Rgb(int32_t x, int32_t y)>& colour) {
  std::vector<uint8_t>& b = disk.bytes[name];
  b.assign(size_t(w) * size_t(h) * size_t(bpp), 0xFF);
  for (int32_t y = 0; y < h; y++)
    for (int32_t x = 0; x < w; x++) {
      Rgb c = colour(x, y);
      uint8_t* p = b.data() + (size_t(y) * w + x) * bpp;
      p[0] = c.r;
      if (bpp >= 3) {
        p[1] = c.g;
        p[2] = c.b;
      }
    }
  Picture pic = {};
  pic.width = w;
  pic.height = h;
  pic.depth = bpp * 8;
  pic.bytesPerPixel = bpp;
  pic.data = b.data();
  disk.pictures[name] = pic;
}

inline void AddFlat(const std::string& name, int32_t w, int32_t h, Rgb c, int32_t bpp = 3) {
  AddPicture(name, w, h, bpp, [c](int32_t, int32_t) { return c; });
}

inline const EffectFiles& Files() {
  static const EffectFiles files = {
      [](const char* name, Object3D* o) {
        const std::string& t = disk.texts.at(name);
        ParseObject((const uint8_t*)t.data(), t.size(), name, o);
      },
      [](const char* name) -> Picture* {
        auto it = disk.pictures.find(name);
        if (it == disk.pictures.end()) Fatal("LoadPicture(): no test picture \"%s\"", name);
        disk.loaded++;
        disk.handedOut.push_back(it->second);
        return &disk.handedOut.back();
      },
      [](Picture* p) {
        disk.unloaded++;
        p->data = nullptr;   // a picture used after its release reads nothing
      },
      [](SplineStore* store, int32_t slot, const char* name) {
        const std::string& t = disk.texts.at(name);
        Failure why;
        ParseSpline(store, slot, (const uint8_t*)t.data(), t.size(), why);
      },
  };
  return files;
}

// A frame of w x h inside a larger buffer with a border of sentinel pixels on every side.
struct Canvas {
  static constexpr int32_t kBorder = 8;
  static constexpr uint16_t kSentinel = 0xA5A5;
  int32_t w, h;
  std::vector<uint16_t> buffer;
  Canvas(int32_t width = 320, int32_t height = 200, uint16_t fill = 0)
      : w(width), h(height), buffer(size_t(width + 2 * kBorder) * size_t(height + 2 * kBorder), kSentinel) {
    for (int32_t y = 0; y < h; y++)
      for (int32_t x = 0; x < w; x++) At(x, y) = fill;
  }
  int32_t Stride() const { return w + 2 * kBorder; }
  uint16_t& At(int32_t x, int32_t y) { return buffer[size_t(y + kBorder) * Stride() + x + kBorder]; }
  FrameTarget Target() { return {&At(0, 0), w, h, Stride()}; }
  bool BorderIntact() const {
    for (int32_t y = 0; y < h + 2 * kBorder; y++)
      for (int32_t x = 0; x < Stride(); x++) {
        const bool inside = y >= kBorder && y < h + kBorder && x >= kBorder && x < w + kBorder;
        if (!inside && buffer[size_t(y) * Stride() + x] != kSentinel) return false;
      }
    return true;
  }
  int32_t CountNot(uint16_t value) {
    int32_t n = 0;
    for (int32_t y = 0; y < h; y++)
      for (int32_t x = 0; x < w; x++) n += At(x, y) != value;
    return n;
  }
  bool SameFrame(Canvas& o) {
    for (int32_t y = 0; y < h; y++)
      for (int32_t x = 0; x < w; x++)
        if (At(x, y) != o.At(x, y)) return false;
    return true;
  }
};

// A closed cube of edge 2 * r around the origin (12 faces, outward windings), texture coordinates
// spread over the map.
inline std::string CubeObject(double r) {
  std::string s = "8\n";
  for (int i = 0; i < 8; i++) {
    double x = (i & 1) ? r : -r, y = (i & 2) ? r : -r, z = (i & 4) ? r : -r;
    s += std::to_string(x) + " " + std::to_string(y) + " " + std::to_string(z) + " " +
         std::to_string((i & 1) * 0.5 + 0.1) + " " + std::to_string((i & 2) * 0.25 + 0.1) + "\n";
  }
  s += "12\n0 2 1\n1 2 3\n4 5 6\n5 7 6\n0 1 4\n1 5 4\n2 6 3\n3 6 7\n0 4 2\n2 4 6\n1 3 5\n3 7 5\n";
  return s;
}

inline void FreshLog() {
  DebugMode = 1;
  InitLog();
}

}  // namespace fx
