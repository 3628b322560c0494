// The 320 x 200 screens: loading, title, the backgrounds behind the effects, the held landscape,
// the frame over the light effect and the deform effect's picture.
#include <algorithm>
#include <array>
#include <cmath>

#include "tools/forge/art.h"
#include "tools/forge/forge.h"
#include "tools/forge/noise.h"
#include "tools/forge/text.h"

namespace {

constexpr int32_t W = 320, H = 200;
constexpr const char* kBold = "DejaVuSans-Bold.ttf";
constexpr const char* kSans = "DejaVuSans.ttf";
constexpr const char* kCond = "DejaVuSansCondensed-Bold.ttf";
constexpr const char* kSerif = "DejaVuSerif-BoldItalic.ttf";

// Deep-space backdrop: vertical gradient, coloured nebula from two octave sums, stars.
Image Nebula(Rgb top, Rgb bottom, Rgb cloudA, Rgb cloudB, uint32_t seed, float density) {
  Image im = MakeImage(W, H);
  for (int32_t y = 0; y < H; ++y)
    for (int32_t x = 0; x < W; ++x) {
      float fx = float(x) / 64.0f, fy = float(y) / 64.0f;
      float n1 = Fbm(fx, fy, 5, 0, seed) * 0.5f + 0.5f;
      float n2 = Fbm(fx * 1.7f + 3, fy * 1.7f, 4, 0, seed + 7) * 0.5f + 0.5f;
      float band = SmoothStep(0.45f, 0.85f, n1) * density;
      Rgb c = Mix(top, bottom, float(y) / H);
      c = Add(c, Scale(cloudA, band * 0.8f));
      c = Add(c, Scale(cloudB, SmoothStep(0.55f, 0.95f, n2) * band));
      Set(im, x, y, c);
    }
  Stars(im, 260, seed + 3, H);
  return im;
}

}  // namespace

Bytes MakeLoading() {
  Image im = MakeImage(W, H);
  for (int32_t y = 0; y < H; ++y)
    for (int32_t x = 0; x < W; ++x) {
      float d = std::hypot(float(x - 160) / 160.0f, float(y - 100) / 100.0f);
      Set(im, x, y, Mix(Hex(0x10183A), Hex(0x000000), Clamp01(d * 0.8f)));
    }
  ChromeTitle(im, kBold, 30, 160, 92, "tarvon3", 1, 0.8f);
  float tw = MeasureText(kSans, 10, "loading, please wait");
  ShadowText(im, kSans, 10, 160 - tw / 2, 122, "loading, please wait", Hex(0x9AB0E0));
  for (int32_t x = 100; x < 220; ++x) {  // an empty progress frame
    Set(im, x, 132, Hex(0x5060A0));
    Set(im, x, 137, Hex(0x303868));
  }
  for (int32_t y = 132; y <= 137; ++y) {
    Set(im, 100, y, Hex(0x5060A0));
    Set(im, 219, y, Hex(0x303868));
  }
  for (int32_t x = 102; x < 118; ++x)
    for (int32_t y = 134; y <= 135; ++y) Set(im, x, y, Hex(0xA0C0FF));
  return SaveTga(im, TgaPixels::Rgb24, true, false, "tarvon3 forge: loading screen");
}

Bytes MakeLogoTarvon() {
  Image im = Nebula(Hex(0x05030F), Hex(0x120826), Hex(0x5A1E78), Hex(0x1E6AA0), 11, 1.0f);
  // a planet rim low on the right
  for (int32_t y = 0; y < H; ++y)
    for (int32_t x = 0; x < W; ++x) {
      float d = std::hypot(float(x - 250), float(y - 330)) - 190.0f;
      if (d < 0) {
        float shade = Clamp01(-d / 60.0f);
        Rgb c = Mix(Hex(0x0A1830), Hex(0x02040A), shade);
        c = Add(c, Scale(Hex(0x3060A0), (Fbm(float(x) / 20.0f, float(y) / 8.0f, 3, 0, 5) * 0.5f + 0.5f) * 0.15f * (1 - shade)));
        Set(im, x, y, c);
      }
      float rim = std::exp(-std::fabs(d) / 3.0f) * Clamp01((250.0f - float(y)) / 120.0f);
      float* p = At(im, x, y);
      p[0] = std::min(1.0f, p[0] + 0.35f * rim);
      p[1] = std::min(1.0f, p[1] + 0.65f * rim);
      p[2] = std::min(1.0f, p[2] + 1.0f * rim);
    }
  ChromeTitle(im, kBold, 58, 160, 104, "TARVON", 2, 0.9f);
  ChromeTitle(im, kSerif, 40, 160, 148, "3", 0, 0.9f);
  float tw = MeasureText(kSans, 9, "a  q v x  production  -  1999");
  ShadowText(im, kSans, 9, 160 - tw / 2, 186, "a  q v x  production  -  1999", Hex(0xB8C8F0));
  return SaveTga(im, TgaPixels::Rgb24, false, true);
}

Bytes MakePhongFond() {
  Image im = MakeImage(W, H);
  const float horizon = 118;
  for (int32_t y = 0; y < H; ++y)
    for (int32_t x = 0; x < W; ++x) {
      Rgb c;
      if (y < horizon) {
        float t = float(y) / horizon;
        c = Ramp(std::array<Rgb, 4>{Hex(0x04020C), Hex(0x1A0838), Hex(0x6A1A5A), Hex(0xE0607A)}.data(), 4, t * t);
      } else {
        float dz = (float(y) - horizon) + 0.5f;
        float z = 900.0f / dz, u = (float(x) - 160.0f) * z / 90.0f;
        float gu = std::fabs(u / 24.0f - std::round(u / 24.0f)) * 24.0f;
        float gz = std::fabs(z / 24.0f - std::round(z / 24.0f)) * 24.0f;
        float line = std::max(std::exp(-gu * dz / 30.0f), std::exp(-gz * dz / 30.0f));
        float fade = Clamp01(dz / 60.0f);
        c = Mix(Hex(0x100418), Hex(0x05010A), fade);
        c = Add(c, Scale(Hex(0xFF40C0), line * (0.35f + 0.65f * fade)));
        c = Add(c, Scale(Hex(0xFF8080), std::exp(-dz / 6.0f) * 0.6f));
      }
      Set(im, x, y, c);
    }
  Stars(im, 120, 21, 80);
  // a low sun striped by the horizon, behind the object
  for (int32_t y = 40; y < int32_t(horizon); ++y)
    for (int32_t x = 100; x < 220; ++x) {
      float d = std::hypot(float(x) - 160, float(y) - 96) / 52.0f;
      if (d > 1) continue;
      float stripe = (y > 84 && (y / 3) % 3 == 0) ? 0.0f : 1.0f;
      Rgb sun = Mix(Hex(0xFFE070), Hex(0xFF3070), Clamp01((float(y) - 44) / 70.0f));
      Blend(im, x, y, sun, stripe * SmoothStep(1.0f, 0.96f, d));
    }
  return SaveTga(im, TgaPixels::Rgb24, false, false);
}

Bytes MakeMultiFond() {
  Image im = MakeImage(W, H);
  for (int32_t y = 0; y < H; ++y)
    for (int32_t x = 0; x < W; ++x) {
      float t = float(y) / 150.0f;
      Rgb c = Ramp(std::array<Rgb, 5>{Hex(0x0B1C3C), Hex(0x2E3E78), Hex(0x9A5A8A), Hex(0xF09A60), Hex(0xFFD890)}.data(), 5,
                   Clamp01(t));
      float cl = Fbm(float(x) / 70.0f, float(y) / 18.0f, 5, 0, 31) * 0.5f + 0.5f;
      float cloud = SmoothStep(0.5f, 0.8f, cl) * Clamp01(1.2f - t);
      c = Mix(c, Mix(Hex(0x402850), Hex(0xFFB080), Clamp01(t * 1.2f)), cloud * 0.7f);
      if (y >= 150) {  // sea: mirrored sky, darkened, with horizontal ripples
        int32_t my = 299 - y;
        float rip = Fbm(float(x) / 40.0f, float(y) / 2.0f, 3, 0, 33);
        float mt = float(std::clamp(my + int32_t(rip * 6), 0, 149)) / 150.0f;
        c = Scale(Ramp(std::array<Rgb, 5>{Hex(0x0B1C3C), Hex(0x2E3E78), Hex(0x9A5A8A), Hex(0xF09A60), Hex(0xFFD890)}.data(),
                       5, mt), 0.55f);
        float glitter = std::exp(-std::fabs(float(x) - 70.0f) / 18.0f) * (rip > 0.25f ? 1.0f : 0.0f);
        c = Add(c, Scale(Hex(0xFFE0A0), glitter * 0.5f));
      }
      Set(im, x, y, c);
    }
  Glow(im, 70, 146, 16, Hex(0xFFE8B0));
  Glow(im, 70, 146, 5, Hex(0xFFFFFF));
  return SaveTga(im, TgaPixels::Rgb24, true, false);
}

// The picture held alone on screen: dusk over mountain lakes, with a signature.
Bytes MakeQuenPic() {
  Image im = MakeImage(W, H);
  const float horizon = 132;
  const Rgb sky[] = {Hex(0x0A0E2A), Hex(0x233066), Hex(0x6A4A8A), Hex(0xE07A6A), Hex(0xFFC27A), Hex(0xFFE6B0)};
  auto skyAt = [&](float x, float y) {
    float t = Clamp01(y / horizon);
    Rgb c = Ramp(sky, 6, t * t * 0.85f + t * 0.15f);
    float sun = std::exp(-std::hypot((x - 208.0f) / 1.6f, y - 120.0f) / 34.0f);
    c = Add(c, Scale(Hex(0xFF9A50), sun * 0.35f));
    // layered clouds lit from below by the sun
    float n = Fbm(x / 90.0f, y / 14.0f, 6, 0, 51) * 0.5f + 0.5f;
    float cl = SmoothStep(0.52f, 0.78f, n) * SmoothStep(8.0f, 40.0f, y) * (1 - SmoothStep(100.0f, 128.0f, y));
    Rgb lit = Mix(Hex(0x3A2A5A), Hex(0xFF9A70), Clamp01(y / 110.0f + sun));
    float edge = SmoothStep(0.52f, 0.6f, n) - SmoothStep(0.6f, 0.78f, n) * 0.6f;
    c = Mix(c, Add(lit, Scale(Hex(0xFFD0A0), edge * sun * 1.5f)), cl * 0.85f);
    return c;
  };
  for (int32_t y = 0; y < int32_t(horizon); ++y)
    for (int32_t x = 0; x < W; ++x) Set(im, x, y, skyAt(float(x), float(y)));
  Stars(im, 90, 53, 40);
  Glow(im, 208, 124, 9, Hex(0xFFF0C0));
  Glow(im, 208, 124, 3.5f, Hex(0xFFFFFF));
  // four mountain ranges, far to near, each fogged towards the sky colour at the horizon
  struct Range { float base, height, scale; uint32_t seed; Rgb colour; float fog; };
  const Range ranges[] = {{126, 58, 150, 61, Hex(0x5A4A80), 0.45f},
                          {130, 44, 110, 62, Hex(0x3E3468), 0.5f},
                          {133, 36, 80, 63, Hex(0x241C40), 0.25f},
                          {134, 22, 55, 64, Hex(0x120C20), 0.05f}};
  float crest[4][W];
  for (int32_t r = 0; r < 4; ++r)
    for (int32_t x = 0; x < W; ++x) {
      const Range& g = ranges[r];
      float h = Ridged(float(x) / g.scale, float(r) * 3.1f, 6, 0, g.seed);
      crest[r][x] = g.base - g.height * (h * 1.2f - 0.2f) * (0.55f + 0.45f * std::sin(float(x) / 70.0f + float(r)));
    }
  for (int32_t r = 0; r < 4; ++r)
    for (int32_t x = 0; x < W; ++x) {
      const Range& g = ranges[r];
      for (int32_t y = std::max(0, int32_t(crest[r][x])); y < int32_t(horizon); ++y) {
        float cover = Clamp01(float(y + 1) - crest[r][x]);
        float below = float(y) - crest[r][x];
        float slope = 0;  // crest slope smoothed over nine columns: flanks facing the sun are lit
        for (int32_t k = -4; k <= 4; ++k)
          slope += crest[r][std::clamp(x + k + 1, 0, W - 1)] - crest[r][std::clamp(x + k - 1, 0, W - 1)];
        slope *= 0.5f / 9.0f;
        float tex = Fbm(float(x) / 12.0f, float(y) / 6.0f, 4, 0, g.seed + 9) * 0.5f + 0.5f;
        float gully = Ridged(float(x) / 9.0f + float(y) / 22.0f, float(y) / 7.0f, 3, 0, g.seed + 17);
        float sunSide = Clamp01(-slope * 0.8f + 0.2f) * std::exp(-below / 28.0f);
        Rgb c = Scale(g.colour, 0.75f + 0.3f * tex + 0.25f * gully * std::exp(-below / 40.0f));
        c = Add(c, Scale(Hex(0xFF9060), sunSide * (0.3f + 0.25f * gully) * (1.0f - float(r) * 0.22f)));
        float snow = std::exp(-below / 9.0f) * (r < 2 ? 0.4f : 0.0f) * SmoothStep(0.45f, 0.8f, gully * 0.6f + tex * 0.5f);
        c = Mix(c, Mix(Hex(0xB8A8D0), Hex(0xFFD8C8), sunSide), snow);
        float mist = g.fog + (1 - g.fog) * SmoothStep(horizon - 22, horizon, float(y)) * 0.6f;
        c = Mix(c, skyAt(float(x), horizon - 6), mist * 0.5f);
        Blend(im, x, y, c, cover);
      }
    }
  // the lake mirrors everything above, rippled, darker and bluer with depth
  for (int32_t y = int32_t(horizon); y < H; ++y) {
    float depth = float(y) - horizon;
    for (int32_t x = 0; x < W; ++x) {
      float rip = Fbm(float(x) / 30.0f, depth * depth / 40.0f + float(y) / 3.0f, 3, 0, 71);
      int32_t sx = std::clamp(int32_t(float(x) + rip * depth * 0.25f), 0, W - 1);
      int32_t sy = std::clamp(int32_t(2 * horizon - float(y) - 1 + rip * 2.0f), 0, int32_t(horizon) - 1);
      Rgb c = Get(im, sx, sy);
      c = Mix(Mul(c, Rgb{0.84f, 0.74f, 0.8f}), Hex(0x140C26), Clamp01(depth / 90.0f) * 0.6f);
      float sparkle = std::exp(-std::fabs(float(x) - 208.0f) / (6.0f + depth * 0.5f)) * SmoothStep(0.15f, 0.4f, rip);
      c = Add(c, Scale(Hex(0xFFD8A0), sparkle * 0.7f));
      Set(im, x, y, c);
    }
  }
  // a dark shore and reeds in the foreground corner
  for (int32_t x = 0; x < W; ++x) {
    float shore = 190.0f - 22.0f * std::exp(-float(x) / 60.0f) - 3.0f * Fbm(float(x) / 9.0f, 0.5f, 3, 0, 81);
    for (int32_t y = int32_t(shore); y < H; ++y) Blend(im, x, y, Hex(0x05040A), Clamp01(float(y + 1) - shore));
  }
  Rng rng{83};
  for (int32_t i = 0; i < 26; ++i) {
    float x0 = rng.Range(2, 70), h = rng.Range(18, 44), lean = rng.Range(-0.25f, 0.1f);
    float base = 190.0f - 22.0f * std::exp(-x0 / 60.0f) + 2;
    for (int32_t k = 0; k < int32_t(h); ++k) {
      float t = float(k) / h;
      float x = x0 + lean * float(k) * t * 1.5f;
      Blend(im, int32_t(x), int32_t(base - float(k)), Hex(0x07050C), 0.9f);
      Blend(im, int32_t(x) + 1, int32_t(base - float(k)), Hex(0x07050C), 0.4f * (1 - t));
    }
  }
  // soft vignette and the painter's signature
  for (int32_t y = 0; y < H; ++y)
    for (int32_t x = 0; x < W; ++x) {
      float v = std::hypot(float(x - 160) / 200.0f, float(y - 100) / 140.0f);
      float* p = At(im, x, y);
      float k = 1.0f - 0.35f * SmoothStep(0.5f, 1.0f, v);
      p[0] *= k; p[1] *= k; p[2] *= k;
    }
  ShadowText(im, kSerif, 11, 272, 193, "quen", Hex(0xD8B890));
  return SaveTga(im, TgaPixels::Rgb24, false, true, "quen - dusk lakes");
}

Bytes MakeMetaFond() {
  Image im = MakeImage(W, H);
  const float s = 11.0f;  // hexagon size: centre to corner
  for (int32_t y = 0; y < H; ++y)
    for (int32_t x = 0; x < W; ++x) {
      // pointy-top hexagons: axial coordinates, rounded in cube space to the cell's centre
      float px = float(x) + 0.5f, py = float(y) + 0.5f;
      float q = (0.57735f * px - py / 3.0f) / s, r = (2.0f / 3.0f * py) / s;
      float cx = q, cz = r, cy = -q - r;
      float rx = std::round(cx), ry = std::round(cy), rz = std::round(cz);
      float ex = std::fabs(rx - cx), ey = std::fabs(ry - cy), ez = std::fabs(rz - cz);
      if (ex > ey && ex > ez) rx = -ry - rz;
      else if (ey > ez) ry = -rx - rz;
      else rz = -rx - ry;
      float hx = s * 1.73205f * (rx + rz / 2), hy = s * 1.5f * rz;
      float dx = px - hx, dy = py - hy;
      float e = std::max({std::fabs(dx), std::fabs(dx / 2 + dy * 0.866f), std::fabs(dx / 2 - dy * 0.866f)});
      float edge = s * 0.866f - e;  // distance to the cell's border
      float light = std::exp(-std::hypot(hx - 235.0f, hy - 110.0f) / 110.0f);
      float pulse = Hash3(int32_t(rx), int32_t(rz), 91) % 7 == 0 ? 1.0f : 0.0f;
      Rgb c = Mix(Hex(0x021016), Hex(0x0A3A44), light);
      c = Add(c, Scale(Hex(0x30D0E0), std::exp(-edge * 2.2f) * (0.2f + 0.6f * light)));
      c = Add(c, Scale(Hex(0x1A8090), pulse * SmoothStep(0.0f, s * 0.8f, edge) * 0.35f));
      Set(im, x, y, c);
    }
  ShadowText(im, kCond, 22, 14, 40, "meta", Hex(0x7FE8F0), 1);
  ShadowText(im, kSans, 9, 15, 54, "five sources, one surface", Hex(0x4AA8B8));
  return SaveTga(im, TgaPixels::Rgb24, true, true);
}

Bytes MakeCheeseFond() {
  Image im = Nebula(Hex(0x0C0602), Hex(0x1E0E04), Hex(0xA0501A), Hex(0xF0C040), 101, 0.8f);
  Glow(im, 200, 120, 70, Hex(0x3A1C06));
  // a ring of dust behind the object
  for (int32_t y = 0; y < H; ++y)
    for (int32_t x = 0; x < W; ++x) {
      float dx = float(x) - 200, dy = (float(y) - 120) * 3.2f;
      float r = std::hypot(dx, dy);
      float band = std::exp(-std::pow((r - 120.0f) / 18.0f, 2.0f));
      float grain = Fbm(std::atan2(dy, dx) * 12.0f, r / 6.0f, 3, 0, 103) * 0.5f + 0.5f;
      float* p = At(im, x, y);
      float a = band * grain * 0.5f;
      p[0] = std::min(1.0f, p[0] + 0.9f * a);
      p[1] = std::min(1.0f, p[1] + 0.6f * a);
      p[2] = std::min(1.0f, p[2] + 0.25f * a);
    }
  return SaveTga(im, TgaPixels::Rgb24, false, false);
}

// A bevelled metal frame over the light effect; pure black is where the effect shows through.
Bytes MakeForeground3() {
  Image im = MakeImage(W, H);
  std::vector<float> hgt(size_t(W) * H, 0.0f);
  auto inside = [](float x, float y) {  // rounded window
    const float bx = 12, by = 12, r = 14;
    float qx = std::max(std::fabs(x - 159.5f) - (159.5f - bx - r), 0.0f);
    float qy = std::max(std::fabs(y - 99.5f) - (99.5f - by - r), 0.0f);
    return std::hypot(qx, qy) - r;  // < 0 inside the window
  };
  for (int32_t y = 0; y < H; ++y)
    for (int32_t x = 0; x < W; ++x) {
      float d = inside(float(x) + 0.5f, float(y) + 0.5f);
      float h = Clamp01(d / 6.0f);
      float outer = Clamp01(std::min({float(x), float(y), float(W - 1 - x), float(H - 1 - y)}) / 4.0f);
      hgt[size_t(y) * W + x] = h * (0.5f + 0.5f * outer);
    }
  // rivets in the frame corners and along the long sides
  for (int32_t k = 0; k < 10; ++k) {
    float rx = k < 5 ? 6.0f + float(k) * 77.0f : 6.0f + float(k - 5) * 77.0f, ry = k < 5 ? 6.0f : 193.0f;
    for (int32_t y = int32_t(ry) - 3; y <= int32_t(ry) + 3; ++y)
      for (int32_t x = int32_t(rx) - 3; x <= int32_t(rx) + 3; ++x) {
        if (x < 0 || y < 0 || x >= W || y >= H) continue;
        float d = std::hypot(float(x) - rx, float(y) - ry);
        if (d < 2.6f) hgt[size_t(y) * W + x] += std::sqrt(1 - d * d / 7.0f) * 0.6f;
      }
  }
  for (int32_t y = 0; y < H; ++y)
    for (int32_t x = 0; x < W; ++x) {
      float d = inside(float(x) + 0.5f, float(y) + 0.5f);
      if (d <= 0.5f) continue;  // stays pure black: transparent
      Lit l = Relief(hgt, W, H, x, y, 6.0f, -0.6f, -0.8f, 0.7f, 30.0f);
      float brushed = Fbm(float(x) / 60.0f, float(y) * 1.5f, 3, 0, 111) * 0.08f;
      Rgb c = Mix(Hex(0x3A4050), Hex(0xA8B0C0), Clamp01(l.diffuse * 0.9f + brushed));
      c = Add(c, Scale(Hex(0xFFF0D8), l.specular * 0.7f));
      c = {std::max(Clamp01(c.r), 0.06f), std::max(Clamp01(c.g), 0.06f), std::max(Clamp01(c.b), 0.07f)};
      Set(im, x, y, Mix(Rgb{0.06f, 0.06f, 0.07f}, c, Clamp01(d)));
    }
  // a small engraved plate at the bottom
  for (int32_t y = 189; y < 199; ++y)
    for (int32_t x = 118; x < 202; ++x) Set(im, x, y, Mix(Hex(0x58606E), Hex(0x2A2E38), float(y - 189) / 10.0f));
  float tw = MeasureText(kSans, 8, "bump  -  two lights");
  ShadowText(im, kSans, 8, 160 - tw / 2, 197, "bump  -  two lights", Hex(0xD8E0F0));
  return SaveTga(im, TgaPixels::Rgb24, true, false);
}

// The deform effect's picture: a dark kaleidoscopic plasma behind the credits, with a fine grid.
Bytes MakeFond() {
  Image im = MakeImage(W, H);
  for (int32_t y = 0; y < H; ++y)
    for (int32_t x = 0; x < W; ++x) {
      float fx = float(x), fy = float(y);
      float v = std::sin(fx / 23.0f) + std::sin(fy / 17.0f + fx / 41.0f) +
                std::sin(std::hypot(fx - 160, fy - 100) / 13.0f) + Fbm(fx / 50, fy / 50, 3, 0, 121) * 2.0f;
      float t = v * 0.25f + 0.5f;
      Rgb c = Ramp(std::array<Rgb, 6>{Hex(0x080420), Hex(0x2A0A5A), Hex(0x0A4A8A), Hex(0x18A0A8), Hex(0x6A2A8A),
                                      Hex(0x080420)}.data(), 6, t - std::floor(t));
      float gx = std::fabs(std::fmod(fx, 20.0f) - 10.0f), gy = std::fabs(std::fmod(fy, 20.0f) - 10.0f);
      float grid = std::max(SmoothStep(9.0f, 10.0f, gx), SmoothStep(9.0f, 10.0f, gy));
      c = Add(Scale(c, 0.75f), Scale(Hex(0x6080C0), grid * 0.25f));
      Set(im, x, y, c);
    }
  Stars(im, 70, 123, H);
  return SaveTga(im, TgaPixels::Rgb24, false, true);
}
