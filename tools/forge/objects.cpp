// The three .3dm objects: the lumpy meteor, the Phong knot and the flat credits plate.
//
// Closed objects are wound for the culling effects: a face is drawn when its vertices run
// clockwise on the screen, which for (B - A) x (C - A) means the normal points into the object.
// Texture coordinates mirror instead of wrapping (0 .. 1 .. 0 around), so no face spans a seam.
#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <map>

#include "tools/forge/forge.h"
#include "tools/forge/noise.h"

namespace {

struct V3 {
  double x, y, z;
};
V3 operator+(V3 a, V3 b) { return {a.x + b.x, a.y + b.y, a.z + b.z}; }
V3 operator-(V3 a, V3 b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
V3 operator*(V3 a, double s) { return {a.x * s, a.y * s, a.z * s}; }
double Dot(V3 a, V3 b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
V3 Cross(V3 a, V3 b) { return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x}; }
V3 Unit(V3 a) { return a * (1.0 / std::sqrt(Dot(a, a))); }

struct Mesh {
  std::vector<V3> pos;
  std::vector<std::array<double, 2>> uv;
  std::vector<std::array<int32_t, 3>> faces;
};

// Orders a face so that its normal points against `outward`.
void Orient(const Mesh& m, std::array<int32_t, 3>& f, V3 outward) {
  V3 n = Cross(m.pos[size_t(f[1])] - m.pos[size_t(f[0])], m.pos[size_t(f[2])] - m.pos[size_t(f[0])]);
  if (Dot(n, outward) > 0) std::swap(f[0], f[2]);
}

double Tri(double t) {  // 0 .. 1 .. 0 over each unit of t
  t -= std::floor(t);
  return 1.0 - std::fabs(2.0 * t - 1.0);
}

Bytes Write(const Mesh& m) {
  std::string s;
  char line[160];
  std::snprintf(line, sizeof line, "%zu\n", m.pos.size());
  s += line;
  for (size_t i = 0; i < m.pos.size(); ++i) {
    std::snprintf(line, sizeof line, "%.4f %.4f %.4f %.5f %.5f\n", m.pos[i].x, m.pos[i].y, m.pos[i].z,
                  std::clamp(m.uv[i][0], 0.0, 0.996), std::clamp(m.uv[i][1], 0.0, 0.996));
    s += line;
  }
  std::snprintf(line, sizeof line, "%zu\n", m.faces.size());
  s += line;
  for (const auto& f : m.faces) {
    std::snprintf(line, sizeof line, "%d %d %d\n", f[0], f[1], f[2]);
    s += line;
  }
  return Bytes(s.begin(), s.end());
}

}  // namespace

// Meteor: an icosphere of 1280 faces pushed out by random lumps and pitted by rimmed craters,
// mean radius 100 and never beyond 125, so it stays on screen at the cheese and multi distances.
Bytes MakeMeteor() {
  const double t = (1.0 + std::sqrt(5.0)) / 2.0;
  std::vector<V3> p = {{-1, t, 0}, {1, t, 0}, {-1, -t, 0}, {1, -t, 0}, {0, -1, t}, {0, 1, t},
                       {0, -1, -t}, {0, 1, -t}, {t, 0, -1}, {t, 0, 1}, {-t, 0, -1}, {-t, 0, 1}};
  for (V3& v : p) v = Unit(v);
  std::vector<std::array<int32_t, 3>> f = {{0, 11, 5}, {0, 5, 1}, {0, 1, 7}, {0, 7, 10}, {0, 10, 11},
                                           {1, 5, 9},  {5, 11, 4}, {11, 10, 2}, {10, 7, 6}, {7, 1, 8},
                                           {3, 9, 4},  {3, 4, 2},  {3, 2, 6},  {3, 6, 8},  {3, 8, 9},
                                           {4, 9, 5},  {2, 4, 11}, {6, 2, 10}, {8, 6, 7},  {9, 8, 1}};
  for (int32_t level = 0; level < 3; ++level) {
    std::map<std::pair<int32_t, int32_t>, int32_t> mid;
    auto middle = [&](int32_t a, int32_t b) {
      auto key = std::minmax(a, b);
      auto it = mid.find(key);
      if (it != mid.end()) return it->second;
      p.push_back(Unit(p[size_t(a)] + p[size_t(b)]));
      int32_t idx = int32_t(p.size() - 1);
      mid[key] = idx;
      return idx;
    };
    std::vector<std::array<int32_t, 3>> next;
    for (const auto& q : f) {
      int32_t ab = middle(q[0], q[1]), bc = middle(q[1], q[2]), ca = middle(q[2], q[0]);
      next.push_back({q[0], ab, ca});
      next.push_back({q[1], bc, ab});
      next.push_back({q[2], ca, bc});
      next.push_back({ab, bc, ca});
    }
    f = std::move(next);
  }
  struct Feature { V3 dir; double size, depth; bool crater; };
  std::vector<Feature> features;
  Rng rng{401};
  auto randomDir = [&] {
    double z = rng.Range(-1, 1), a = rng.Range(0, 6.2831853f);
    double r = std::sqrt(1 - z * z);
    return V3{r * std::cos(a), r * std::sin(a), z};
  };
  for (int32_t i = 0; i < 14; ++i) features.push_back({randomDir(), rng.Range(0.5f, 1.1f), rng.Range(0.06f, 0.14f), false});
  for (int32_t i = 0; i < 9; ++i) features.push_back({randomDir(), rng.Range(0.18f, 0.4f), rng.Range(0.05f, 0.1f), true});
  Mesh m;
  for (const V3& d : p) {
    double r = 1.0;
    for (const Feature& ft : features) {
      double ang = std::acos(std::clamp(Dot(d, ft.dir), -1.0, 1.0)) / ft.size;
      if (!ft.crater) r += ft.depth * std::exp(-ang * ang * 2.0);
      else if (ang < 1.6) r += ft.depth * (ang < 1.0 ? (ang * ang - 1.0) : 0.6 * std::sin((ang - 1.0) / 0.6 * 3.14159));
    }
    r += 0.025 * Perlin(float(d.x * 3 + 7), float(d.y * 3 + d.z * 2), 0, 403);
    m.pos.push_back(d * (100.0 * std::min(r, 1.24)));
    double v = std::acos(std::clamp(d.y, -1.0, 1.0)) / 3.14159265358979;
    double u = std::fabs(std::atan2(d.z, d.x)) / 3.14159265358979;
    m.uv.push_back({u, v});
  }
  for (auto q : f) {
    V3 c = (m.pos[size_t(q[0])] + m.pos[size_t(q[1])] + m.pos[size_t(q[2])]) * (1.0 / 3);
    m.faces.push_back(q);
    Orient(m, m.faces.back(), c);
  }
  return Write(m);
}

// Phong object: a (2, 3) torus knot tube, 128 x 12 quads, bounding radius under 300 for D = 2048.
Bytes MakeObj4() {
  const int32_t along = 128, around = 12;
  const double S = 82, tube = 38;
  auto centre = [&](double a) {
    double r = 2 + std::cos(3 * a);
    return V3{r * std::cos(2 * a) * S, r * std::sin(2 * a) * S, std::sin(3 * a) * S};
  };
  Mesh m;
  std::vector<V3> centres;
  for (int32_t i = 0; i < along; ++i) {
    double a = 2 * 3.14159265358979 * double(i) / along;
    V3 c = centre(a);
    V3 tangent = Unit(centre(a + 1e-4) - centre(a - 1e-4));
    V3 side = Unit(Cross(tangent, V3{0, 0, 1}));
    V3 up = Unit(Cross(side, tangent));
    for (int32_t j = 0; j < around; ++j) {
      double b = 2 * 3.14159265358979 * double(j) / around;
      m.pos.push_back(c + side * (std::cos(b) * tube) + up * (std::sin(b) * tube));
      m.uv.push_back({Tri(double(i) / along * 4.0), Tri(double(j) / around)});
      centres.push_back(c);
    }
  }
  auto idx = [&](int32_t i, int32_t j) { return ((i + along) % along) * around + (j + around) % around; };
  for (int32_t i = 0; i < along; ++i)
    for (int32_t j = 0; j < around; ++j) {
      std::array<std::array<int32_t, 3>, 2> quad = {{{idx(i, j), idx(i + 1, j), idx(i + 1, j + 1)},
                                                     {idx(i, j), idx(i + 1, j + 1), idx(i, j + 1)}}};
      for (auto q : quad) {
        V3 c = (m.pos[size_t(q[0])] + m.pos[size_t(q[1])] + m.pos[size_t(q[2])]) * (1.0 / 3);
        V3 axis = (centres[size_t(q[0])] + centres[size_t(q[1])] + centres[size_t(q[2])]) * (1.0 / 3);
        m.faces.push_back(q);
        Orient(m, m.faces.back(), c - axis);
      }
    }
  return Write(m);
}

// Credits plate: a flat 6 x 6 grid carrying the whole texture, about 187 pixels across at D = 800.
Bytes MakeCreditObject() {
  const int32_t n = 6;
  const double half = 146;
  Mesh m;
  for (int32_t j = 0; j <= n; ++j)
    for (int32_t i = 0; i <= n; ++i) {
      double u = double(i) / n, v = double(j) / n;
      m.pos.push_back({-half + 2 * half * u, -half + 2 * half * v, 0});
      m.uv.push_back({u * 0.996, v * 0.996});
    }
  for (int32_t j = 0; j < n; ++j)
    for (int32_t i = 0; i < n; ++i) {
      int32_t a = j * (n + 1) + i, b = a + 1, c = a + n + 1, d = c + 1;
      m.faces.push_back({a, b, d});
      m.faces.push_back({a, d, c});
    }
  return Write(m);
}
