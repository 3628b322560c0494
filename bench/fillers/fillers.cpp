// Benchmark: megapixels per second of each polygon filler on fixed sets of textured triangles,
// (the fastest of 80 passes over the set) against a peer that only copies the same spans with memcpy (the memory traffic of the pixels
// with no mapping at all). Ends with RESULT lines.
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "demo/engine/fill.h"
#include "demo/engine/fixed.h"

namespace {

constexpr int32_t W = 320, H = 200;

uint32_t seed = 20261207;
double Rand() {
  seed = seed * 1664525u + 1013904223u;
  return double(seed >> 8) / double(1 << 24);
}

struct TriangleSet {
  const char* name;
  std::vector<PolyVertex> vertices;   // 3 per triangle, clockwise
  int64_t pixels = 0;                 // drawn by one pass
};

TriangleSet MakeSet(const char* name, int count, double minSide, double maxSide) {
  TriangleSet set{name, {}, 0};
  while (int(set.vertices.size()) < count * 3) {
    const double side = minSide + Rand() * (maxSide - minSide);
    const double cx = side / 2 + Rand() * (W - side), cy = side / 2 + Rand() * (H - side);
    // Texture coordinates about one texel per pixel, turned and offset at random, as a mapped
    // object shows them; environment coordinates at half that rate.
    PolyVertex p[3];
    const double angle = Rand() * 6.283, c = std::cos(angle), s = std::sin(angle);
    const double u0 = Rand() * 256, v0 = Rand() * 256;
    for (auto& v : p) {
      v.x = cx + (Rand() - 0.5) * side;
      v.y = cy + (Rand() - 0.5) * side;
      v.u = u0 + c * v.x - s * v.y;
      v.v = v0 + s * v.x + c * v.y;
      v.eu = 128 + 0.5 * (v.x - cx);
      v.ev = 128 + 0.5 * (v.y - cy);
    }
    const double cross = (p[2].y - p[0].y) * (p[1].x - p[0].x) - (p[1].y - p[0].y) * (p[2].x - p[0].x);
    if (cross < side * side * 0.1 && -cross < side * side * 0.1) continue;
    if (cross < 0) std::swap(p[0], p[2]);
    for (auto& v : p) set.vertices.push_back(v);
  }
  return set;
}

double Seconds(std::chrono::steady_clock::time_point a, std::chrono::steady_clock::time_point b) {
  return std::chrono::duration<double>(b - a).count();
}

}  // namespace

int main() {
  std::vector<uint16_t> frame(size_t(W) * H);
  std::vector<uint16_t> map16(65536);
  std::vector<uint32_t> texture(65536), env(65536);
  for (int i = 0; i < 65536; i++) {
    map16[size_t(i)] = uint16_t((i * 2654435761u) >> 16) | 1;   // never 0: keyed fillers draw all
    texture[size_t(i)] = PackTexel(i & 255, (i >> 8) & 255, (i * 7) & 255) | 1;
    env[size_t(i)] = PackTexel((i * 3) & 255, i & 255, (i >> 8) & 255);
  }
  const FillMaps maps = {map16.data(), texture.data(), env.data()};
  const FrameTarget target = {frame.data(), W, H, 0};

  TriangleSet sets[] = {MakeSet("large", 400, 60, 160), MakeSet("small", 4000, 8, 24)};
  // Pixels of one pass: each triangle alone on a cleared frame.
  for (TriangleSet& set : sets) {
    for (size_t t = 0; t < set.vertices.size(); t += 3) {
      std::fill(frame.begin(), frame.end(), 0);
      FillPolygon(kFillMeta, &set.vertices[t], 3, maps, target);
      for (uint16_t p : frame) set.pixels += p != 0;
    }
  }

  const Filler fillers[] = {kFillChecker, kFillCheckenv, kFillMeta, kFillCheese, kFillPhong, kFillMulti};
  std::printf("%-8s %-10s %12s %14s %10s\n", "set", "filler", "Mpixel/s", "peer Mpixel/s", "ratio");
  std::vector<std::pair<std::string, double>> results;
  for (TriangleSet& set : sets) {
    // The peer: memcpy of the same number of pixels in spans of the same mean length.
    const int64_t spans = int64_t(set.vertices.size() / 3) * int64_t(set.name[0] == 'l' ? 70 : 10);
    const size_t spanLength = size_t(set.pixels / (spans > 0 ? spans : 1)) + 1;
    // Each figure is the fastest of many single passes: the machine is shared, and the fastest
    // pass is the one nothing else interrupted.
    auto fastest = [&](auto pass) {
      double best = 1e30;
      for (int k = 0; k < 80; k++) {
        auto start = std::chrono::steady_clock::now();
        pass();
        const double t = Seconds(start, std::chrono::steady_clock::now());
        if (t < best) best = t;
      }
      return double(set.pixels) / best / 1e6;
    };
    const double peer = fastest([&] {
      for (int64_t s = 0; s < spans; s++) {
        const size_t at = size_t(s * 331) % (frame.size() - spanLength);
        std::memcpy(frame.data() + at, map16.data() + (size_t(s) * 977) % (65536 - spanLength), spanLength * 2);
      }
    });
    for (Filler f : fillers) {
      const double rate = fastest([&] {
        for (size_t t = 0; t < set.vertices.size(); t += 3) FillPolygon(f, &set.vertices[t], 3, maps, target);
      });
      std::printf("%-8s %-10s %12.1f %14.1f %10.3f\n", set.name, FillerName(f), rate, peer, rate / peer);
      results.push_back({std::string(set.name) + " " + FillerName(f), rate});
    }
    std::printf("%-8s %-10s %12.1f   (%lld pixels a pass)\n", set.name, "memcpy", peer, (long long)set.pixels);
  }
  for (auto& [key, rate] : results) {
    const size_t space = key.find(' ');
    std::printf("RESULT filler=%s set=%s mpix_per_s=%.1f\n", key.substr(space + 1).c_str(), key.substr(0, space).c_str(),
                rate);
  }
  return 0;
}
