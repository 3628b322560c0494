// The .spl paths: the lattice meteor's flight, the credits plate's sway and the captions' moves.
//
// Caption paths are parameters 0 .. 200 over each window: they fly in within the first eighth,
// hold still (drifting a few pixels) while readable, and leave in the last eighth. They are
// written as dense keys sampled from eased curves, so the natural spline follows the curve.
#include <cmath>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "tools/forge/forge.h"

namespace {

struct Key {
  double t;
  std::vector<double> v;
};

Bytes Write(const std::vector<Key>& keys) {
  std::string s;
  char buf[64];
  std::snprintf(buf, sizeof buf, "%zu %zu\n", keys.size(), keys.empty() ? size_t(0) : keys[0].v.size());
  s += buf;
  for (const Key& k : keys) {
    std::snprintf(buf, sizeof buf, "%g", k.t);
    s += buf;
    for (double v : k.v) {
      std::snprintf(buf, sizeof buf, " %.4f", v);
      s += buf;
    }
    s += "\n";
  }
  return Bytes(s.begin(), s.end());
}

double EaseOut(double t) { return 1 - std::pow(1 - std::clamp(t, 0.0, 1.0), 3.0); }
double EaseIn(double t) { t = std::clamp(t, 0.0, 1.0); return t * t * t; }

// Samples (x, y) = f(t) at t = 0, 5, ..., 200: 41 keys.
Bytes Sampled(const std::function<std::pair<double, double>(double)>& f) {
  std::vector<Key> keys;
  for (int32_t i = 0; i <= 40; ++i) {
    double t = i * 5.0;
    auto [x, y] = f(t);
    keys.push_back({t, {x, y}});
  }
  return Write(keys);
}

// In over [0, inEnd], hold with a slow drift, out over [outStart, 200].
std::pair<double, double> Move(double t, double inEnd, double outStart, double x0, double y0, double x1, double y1,
                               double x2, double y2, double drift) {
  if (t <= inEnd) {
    double e = EaseOut(t / inEnd);
    return {x0 + (x1 - x0) * e, y0 + (y1 - y0) * e};
  }
  double hold = (t - inEnd) / (outStart - inEnd);
  double hx = x1 + drift * std::min(hold, 1.0);
  if (t <= outStart) return {hx, y1};
  double e = EaseIn((t - outStart) / (200 - outStart));
  return {hx + (x2 - hx) * e, y1 + (y2 - y1) * e};
}

}  // namespace

// Meteor flight over the title: far top-left, near and across, then out to the right.
Bytes MakeCheckerPath() {
  const double pts[][4] = {  // t, ox, oy, D
      {0, -260, -90, 3600}, {40, -130, -40, 1900}, {90, -80, 10, 1000}, {140, 30, 25, 720},
      {190, 110, -10, 820}, {230, 60, -35, 1150}, {265, 120, 0, 900}, {300, 420, 20, 1300}};
  std::vector<Key> keys;
  for (const auto& p : pts) {
    double t = p[0];
    keys.push_back({t, {-0.766842 + t * 0.021, 0.298442 + t * 0.013, 0.298442 + t * 0.007, p[1], p[2], p[3]}});
  }
  return Write(keys);
}

// Credits plate: slides in turning from the left, then spins once per loop (100 .. 500) and sways.
Bytes MakeCredCheckPath() {
  const double pi = 3.14159265358979;
  std::vector<Key> keys = {{0, {-3.0, -420}}, {50, {-0.9, -90}}, {100, {0, 0}}};
  for (int32_t k = 1; k <= 8; ++k) {
    double t = 100 + k * 50.0;
    keys.push_back({t, {k * pi / 4, 24 * std::sin(k * pi / 4)}});
  }
  return Write(keys);
}

Bytes MakeCoderPath() {  // top band, from the left, out to the right
  return Sampled([](double t) { return Move(t, 25, 175, -300, 4, 22, 4, 340, 4, 4); });
}

Bytes MakeDesignPath() {  // top band, from the right, out to the left
  return Sampled([](double t) { return Move(t, 25, 175, 340, 4, 22, 4, -300, 4, -4); });
}

Bytes MakeMusicPath() {  // middle band, rises from below, out to the left
  return Sampled([](double t) { return Move(t, 25, 175, 22, 210, 22, 64, -300, 64, -4); });
}

Bytes MakeNomPath() {  // lower band, from the right, drops away at the end
  return Sampled([](double t) { return Move(t, 30, 172, 330, 142, 60, 142, 60, 210, -3); });
}

Bytes MakeLogoQvxPath() {  // rises from below to where the end screen shows it, holds, and sinks away
  return Sampled([](double t) {
    if (t < 20) return std::pair<double, double>{32, 210};
    if (t < 150) return std::pair<double, double>{32, 210 + (-28 - 210) * EaseOut((t - 20) / 70)};
    return std::pair<double, double>{32, -28 + (210 + 28) * EaseIn((t - 150) / 50)};
  });
}
