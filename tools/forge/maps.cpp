// The 256 x 256 maps: textures, environment and highlight maps, masks, height fields, the
// credits medallion and the closing logo; and the 8-bit light spot, height map and wipe mask.
#include <algorithm>
#include <array>
#include <cmath>

#include "tools/forge/art.h"
#include "tools/forge/forge.h"
#include "tools/forge/noise.h"
#include "tools/forge/text.h"

namespace {

constexpr int32_t N = 256;

// Shortest distance on the 256-wide torus, so that features wrap seamlessly.
float WrapDelta(float d) {
  d = std::fmod(d + 128.0f, 256.0f);
  if (d < 0) d += 256.0f;
  return d - 128.0f;
}

// Environment sphere: for a map cell, the unit normal (nx, ny, nz) of the mirror ball seen along
// the view axis, cells beyond the rim clamped onto it. S is the map radius used by the effect.
void BallNormal(float u, float v, float cx, float cy, float radius, float& nx, float& ny, float& nz) {
  nx = (u - cx) / radius;
  ny = (v - cy) / radius;
  float r = std::hypot(nx, ny);
  if (r > 0.999f) {
    nx *= 0.999f / r;
    ny *= 0.999f / r;
    r = 0.999f;
  }
  nz = std::sqrt(1.0f - r * r);
}

// No texel may truncate to 5-6-5 zero (the keyed fillers would punch a hole): lift the darkest.
Rgb Floor565(Rgb c) {
  if (c.r < 8.5f / 255 && c.g < 4.5f / 255 && c.b < 8.5f / 255) c.b = 9.0f / 255;
  return c;
}

}  // namespace

Bytes MakeCheckfun() {
  Image im = MakeImage(N, N);
  std::vector<float> hgt(size_t(N) * N);
  for (int32_t y = 0; y < N; ++y)
    for (int32_t x = 0; x < N; ++x) {
      // rounded square holes on a 32-texel lattice
      float qx = std::fabs(float(x % 32) - 15.5f) - 6.0f, qy = std::fabs(float(y % 32) - 15.5f) - 6.0f;
      float d = std::hypot(std::max(qx, 0.0f), std::max(qy, 0.0f)) + std::min(std::max(qx, qy), 0.0f) - 4.0f;
      hgt[size_t(y) * N + x] = Clamp01(d / 4.0f);
    }
  for (int32_t y = 0; y < N; ++y)
    for (int32_t x = 0; x < N; ++x) {
      float h = hgt[size_t(y) * N + x];
      if (h <= 0) continue;  // pure black: a hole in the lattice
      Lit l = Relief(hgt, N, N, x, y, 3.0f, -0.5f, -0.6f, 0.7f, 20.0f);
      Set(im, x, y, Floor565(Add(Scale(Hex(0xC0C4D0), 0.35f + 0.6f * l.diffuse), Scale(Rgb{1, 1, 1}, 0.4f * l.specular))));
    }
  return SaveTga(im, TgaPixels::Rgb24, true, false);
}

Bytes MakeZelt2() {
  Image im = MakeImage(N, N);
  for (int32_t y = 0; y < N; ++y)
    for (int32_t x = 0; x < N; ++x) {
      float nx, ny, nz;  // the effects look maps up with inward normals: the ball is turned half round
      BallNormal(255.5f - float(x), 255.5f - float(y), 128, 128, 128, nx, ny, nz);
      // reflected direction of a ray along the view axis; its y decides sky or ground
      float ry = 2 * ny * nz, rx = 2 * nx * nz;
      float t = ry * 0.5f + 0.5f;
      Rgb c;
      if (ry < 0)
        c = Ramp(std::array<Rgb, 4>{Hex(0x10245A), Hex(0x2A5AB0), Hex(0x9AC8F0), Hex(0xF0F4FF)}.data(), 4, Clamp01(t * 2));
      else
        c = Ramp(std::array<Rgb, 4>{Hex(0xFFD8A0), Hex(0xC0602A), Hex(0x5A2A14), Hex(0x1A0C08)}.data(), 4,
                 Clamp01((t - 0.5f) * 2.4f));
      float stripes = 0.5f + 0.5f * std::sin(rx * 9.0f + Fbm(rx * 3, ry * 3, 3, 0, 201) * 2.0f);
      c = Mix(c, Scale(c, 0.7f), stripes * 0.35f);
      float sun = std::exp(-std::hypot(rx + 0.45f, ry + 0.55f) * 9.0f);
      c = Add(c, Scale(Rgb{1, 0.95f, 0.85f}, sun));
      Set(im, x, y, Floor565({Clamp01(c.r), Clamp01(c.g), Clamp01(c.b)}));
    }
  return SaveTga(im, TgaPixels::Rgb24, false, true);
}

Bytes MakeTexPhong2() {
  Image im = MakeImage(N, N);
  for (int32_t y = 0; y < N; ++y)
    for (int32_t x = 0; x < N; ++x) {
      float fx = float(x) / 64.0f, fy = float(y) / 64.0f;
      float turb = Fbm(fx, fy, 5, 4, 211);
      float vein = std::fabs(std::sin((fx + fy) * 3.14159f + turb * 5.0f));
      vein = std::pow(vein, 0.35f);
      Rgb c = Mix(Hex(0x0E1C46), Hex(0x3A6AB0), vein);
      c = Mix(c, Hex(0x8A5AC0), SmoothStep(0.2f, 0.7f, Fbm(fx * 2, fy * 2, 3, 8, 213)) * 0.4f);
      Set(im, x, y, Scale(c, 0.85f));
    }
  return SaveTga(im, TgaPixels::Rgb24, false, false);
}

// Highlight for the Phong object: the effect looks up a 180-texel area centred on (90, 90).
Bytes MakeSpecu() {
  Image im = MakeImage(N, N);
  for (int32_t y = 0; y < N; ++y)
    for (int32_t x = 0; x < N; ++x) {
      float dx = (float(x) + 0.5f - 90) / 90, dy = (float(y) + 0.5f - 90) / 90;
      float r = std::hypot(dx, dy);
      if (r >= 1) continue;
      float nz = std::sqrt(1 - r * r);
      float hx = (float(x) + 0.5f - 112) / 90, hy = (float(y) + 0.5f - 110) / 90;
      float spot = std::exp(-(hx * hx + hy * hy) * 28.0f);
      float diffuse = std::pow(nz, 1.5f);
      Rgb c = Add(Scale(Hex(0x6A8AC0), diffuse * 0.55f), Scale(Hex(0xFFF8F0), spot * 1.1f));
      c = Add(c, Scale(Hex(0xC080FF), std::exp(-std::pow((r - 0.93f) / 0.05f, 2.0f)) * 0.25f));  // rim light
      Set(im, x, y, {Clamp01(c.r), Clamp01(c.g), Clamp01(c.b)});
    }
  return SaveTga(im, TgaPixels::Rgb24, true, true);
}

// Cheese: warm yellow paste with round holes of pure black (holes of the cheese effect).
Bytes MakePhong3() {
  Image im = MakeImage(N, N);
  struct Hole { float x, y, r; };
  std::vector<Hole> holes;
  Rng rng{221};
  for (int32_t tries = 0; tries < 4000 && holes.size() < 46; ++tries) {
    Hole h{rng.Range(0, 256), rng.Range(0, 256), 4.0f + 14.0f * std::pow(rng.Unit(), 2.0f)};
    bool ok = true;
    for (const Hole& o : holes)
      if (std::hypot(WrapDelta(h.x - o.x), WrapDelta(h.y - o.y)) < h.r + o.r + 5) ok = false;
    if (ok) holes.push_back(h);
  }
  for (int32_t y = 0; y < N; ++y)
    for (int32_t x = 0; x < N; ++x) {
      float best = 1e9f, lx = 0, ly = 0;
      for (const Hole& h : holes) {
        float dx = WrapDelta(float(x) + 0.5f - h.x), dy = WrapDelta(float(y) + 0.5f - h.y);
        float d = std::hypot(dx, dy) - h.r;
        if (d < best) {
          best = d;
          lx = dx / h.r;
          ly = dy / h.r;
        }
      }
      if (best < 0) continue;  // hole
      float grain = Fbm(float(x) / 32.0f, float(y) / 32.0f, 4, 8, 223) * 0.5f + 0.5f;
      Rgb c = Mix(Hex(0xD89A20), Hex(0xFFD860), grain);
      float rim = std::exp(-best / 2.5f);  // the hole's lip: darker on the lit side, bright opposite
      c = Scale(c, 1.0f - rim * (0.35f + 0.3f * (-lx - ly)));
      Set(im, x, y, Floor565({Clamp01(c.r), Clamp01(c.g), Clamp01(c.b)}));
    }
  return SaveTga(im, TgaPixels::Rgb24, true, true);
}

// Cheese highlight: mostly dark, one soft spot and a faint rim, added to the paste.
Bytes MakePhongW() {
  Image im = MakeImage(N, N);
  for (int32_t y = 0; y < N; ++y)
    for (int32_t x = 0; x < N; ++x) {
      float nx, ny, nz;
      BallNormal(float(x) + 0.5f, float(y) + 0.5f, 128, 128, 128, nx, ny, nz);
      float spot = std::pow(Clamp01(nx * 0.35f + ny * 0.4f + nz * 0.85f), 40.0f);
      float soft = std::pow(nz, 3.0f) * 0.12f;
      Rgb c = Add(Scale(Hex(0xFFF4D0), spot * 0.9f), Scale(Hex(0x806040), soft));
      Set(im, x, y, {Clamp01(c.r), Clamp01(c.g), Clamp01(c.b)});
    }
  return SaveTga(im, TgaPixels::Rgb24, false, false);
}

// Meteor rock: layered grey-brown stone with craters.
Bytes MakeTexture2() {
  Image im = MakeImage(N, N);
  for (int32_t y = 0; y < N; ++y)
    for (int32_t x = 0; x < N; ++x) {
      float fx = float(x) / 32.0f, fy = float(y) / 32.0f;
      float n = Fbm(fx, fy, 6, 8, 231) * 0.5f + 0.5f;
      float cell = Cellular(fx * 0.75f, fy * 0.75f, 6, 233);
      float crater = SmoothStep(0.35f, 0.2f, cell) * 0.5f - std::exp(-std::pow((cell - 0.36f) / 0.05f, 2.0f)) * 0.35f;
      Rgb c = Mix(Hex(0x3A2E26), Hex(0xA8948A), n);
      c = Scale(c, 1.0f - crater);
      c = Mix(c, Hex(0x8A5A3A), SmoothStep(0.55f, 0.8f, Fbm(fx * 0.5f, fy * 0.5f, 3, 4, 235)) * 0.3f);
      Set(im, x, y, Floor565({Clamp01(c.r), Clamp01(c.g), Clamp01(c.b)}));
    }
  return SaveTga(im, TgaPixels::Rgb24, false, false);
}

// Glassy environment for the metaballs: violet to cyan with a hot highlight.
Bytes MakeMetaTex() {
  Image im = MakeImage(N, N);
  for (int32_t y = 0; y < N; ++y)
    for (int32_t x = 0; x < N; ++x) {
      float nx, ny, nz;  // turned half round, like zelt2
      BallNormal(255.5f - float(x), 255.5f - float(y), 128, 128, 128, nx, ny, nz);
      float t = ny * 0.5f + 0.5f;
      Rgb c = Ramp(std::array<Rgb, 4>{Hex(0x60F0FF), Hex(0x2A6AD0), Hex(0x4A1A8A), Hex(0x14062A)}.data(), 4, t);
      c = Scale(c, 0.45f + 0.55f * nz);
      c = Add(c, Scale(Hex(0xFFFFFF), std::pow(Clamp01(-nx * 0.3f - ny * 0.45f + nz * 0.84f), 60.0f)));
      c = Add(c, Scale(Hex(0xFF60C0), std::exp(-std::pow((nz - 0.12f) / 0.1f, 2.0f)) * 0.5f));
      Set(im, x, y, {Clamp01(c.r), Clamp01(c.g), Clamp01(c.b)});
    }
  return SaveTga(im, TgaPixels::Rgb24, true, false);
}

// The credits plate: a metal medallion (it turns in the screen plane); black around it is transparent.
Bytes MakeCreditTga() {
  Image im = MakeImage(N, N);
  std::vector<float> hgt(size_t(N) * N, 0.0f);
  for (int32_t y = 0; y < N; ++y)
    for (int32_t x = 0; x < N; ++x) {
      float dx = float(x) + 0.5f - 128, dy = float(y) + 0.5f - 128;
      float r = std::hypot(dx, dy), a = std::atan2(dy, dx);
      float ring = SmoothStep(96, 100, r) * (1 - SmoothStep(120, 123, r));
      float notch = std::fabs(std::sin(a * 12.0f)) > 0.9f ? 0.5f : 1.0f;
      float star = std::max(0.0f, 1.0f - std::fabs(std::sin(a * 4.0f)) * r / 18.0f) * (1 - SmoothStep(60, 90, r));
      hgt[size_t(y) * N + x] = ring * notch + star * 0.35f + SmoothStep(90, 92, r) * 0.1f;
    }
  for (int32_t y = 0; y < N; ++y)
    for (int32_t x = 0; x < N; ++x) {
      float dx = float(x) + 0.5f - 128, dy = float(y) + 0.5f - 128;
      float r = std::hypot(dx, dy);
      if (r > 123) continue;
      Lit l = Relief(hgt, N, N, x, y, 8.0f, -0.5f, -0.7f, 0.6f, 24.0f);
      Rgb c;
      if (r > 96) {
        c = Add(Mix(Hex(0x5A4020), Hex(0xF0C870), l.diffuse), Scale(Rgb{1, 1, 0.9f}, l.specular));
      } else {
        float n = Fbm(float(x) / 24.0f, float(y) / 24.0f, 4, 0, 241) * 0.5f + 0.5f;
        c = Mix(Hex(0x0A1638), Hex(0x1E3A78), n * (1 - r / 130.0f));
        c = Add(c, Scale(Hex(0x8AA8FF), hgt[size_t(y) * N + x] * l.diffuse * 0.6f));
        c = Add(c, Scale(Rgb{1, 1, 1}, l.specular * 0.3f * hgt[size_t(y) * N + x]));
      }
      Set(im, x, y, Floor565({Clamp01(c.r), Clamp01(c.g), Clamp01(c.b)}));
    }
  return SaveTga(im, TgaPixels::Rgb24, true, true);
}

// Moonlight on the dunes, indexed by slope: the centre is flat sand, up-left faces the moon.
Bytes MakeSpec() {
  Image im = MakeImage(N, N);
  for (int32_t y = 0; y < N; ++y)
    for (int32_t x = 0; x < N; ++x) {
      float gx = float(x) - 128, gy = float(y) - 128;
      float nx = -gx / 48.0f, ny = -gy / 48.0f, nz = 1.0f;
      float nl = std::sqrt(nx * nx + ny * ny + nz * nz);
      float d = Clamp01((nx * 0.55f + ny * 0.35f + nz * 0.75f) / nl);
      float s = std::pow(d, 18.0f);
      Rgb c = Add(Scale(Hex(0x4A3C2A), 0.45f + 0.55f * d), Scale(Hex(0xC8D0E8), s * 0.6f));
      Set(im, x, y, {Clamp01(c.r), Clamp01(c.g), Clamp01(c.b)});
    }
  return SaveTga(im, TgaPixels::Rgb24, false, true);
}

// Dune ridges: steep lee faces, long gentle backs, bent by noise; grey, blurred, tiling.
Bytes MakeSandBlur() {
  std::vector<float> v(size_t(N) * N);
  for (int32_t y = 0; y < N; ++y)
    for (int32_t x = 0; x < N; ++x) {
      float fx = float(x) / 256.0f, fy = float(y) / 256.0f;
      float bend = Fbm(fx * 4, fy * 4, 3, 4, 251) * 0.6f;
      float p = (fx * 5 + fy * 1 + bend) ;
      float saw = p - std::floor(p);
      float dune = saw < 0.8f ? saw / 0.8f : (1 - saw) / 0.2f;
      v[size_t(y) * N + x] = dune * 0.8f + (Fbm(fx * 16, fy * 16, 3, 16, 253) * 0.5f + 0.5f) * 0.2f;
    }
  BoxBlurPlane(v, N, N, 2, 3, true);
  Image im = MakeImage(N, N);
  for (int32_t i = 0; i < N * N; ++i) {
    float g = (60.0f + 110.0f * (1.0f - v[size_t(i)])) / 255.0f;
    im.px[size_t(i) * 4] = im.px[size_t(i) * 4 + 1] = im.px[size_t(i) * 4 + 2] = g;
  }
  return SaveTga(im, TgaPixels::Rgb24, true, false);
}

// Broad swells that the dunes ride on; grey, blurred, tiling.
Bytes MakeBlur2() {
  std::vector<float> v(size_t(N) * N);
  for (int32_t y = 0; y < N; ++y)
    for (int32_t x = 0; x < N; ++x)
      v[size_t(y) * N + x] = Fbm(float(x) / 64.0f, float(y) / 64.0f, 4, 4, 261) * 0.5f + 0.5f;
  BoxBlurPlane(v, N, N, 3, 3, true);
  Image im = MakeImage(N, N);
  for (int32_t i = 0; i < N * N; ++i) {
    float g = (95.0f + 100.0f * v[size_t(i)]) / 255.0f;
    im.px[size_t(i) * 4] = im.px[size_t(i) * 4 + 1] = im.px[size_t(i) * 4 + 2] = g;
  }
  return SaveTga(im, TgaPixels::Rgb24, false, false);
}

// The closing logo, also the sprite that flies over the cheese scene: a warm glow around the
// lettering on a dark starry sky like the scene's, so the picture's square edges do not show much
// where the sprite is copied over the scene. The sky is a plain gradient without the scene's dust
// clouds: their noise would double the picture's packed size, and the site's download is tight.
Bytes MakeLogoQvx() {
  Image im = MakeImage(N, N);
  for (int32_t y = 0; y < N; ++y)
    for (int32_t x = 0; x < N; ++x) {
      Rgb sky = Mix(Hex(0x1C1006), Hex(0x201208), float(y) / N);
      float d = std::hypot((float(x) - 128) / 128.0f, (float(y) - 118) / 100.0f);
      float g = 1 - SmoothStep(0.0f, 0.9f, d);
      Rgb c = Add(Mix(sky, Hex(0x1A0C04), g), Add(Scale(Hex(0x9A5A20), g * g), Scale(Hex(0x303848), g * g * g * g)));
      Set(im, x, y, {Clamp01(c.r), Clamp01(c.g), Clamp01(c.b)});
    }
  Stars(im, 40, 283, N);
  ChromeTitle(im, "DejaVuSans-Bold.ttf", 86, 128, 140, "qvx", -2, 0.6f);
  for (int32_t x = 40; x < 216; ++x) Blend(im, x, 156, Hex(0xD09A5A), 0.6f * (1 - std::fabs(float(x) - 128) / 88.0f));
  float tw = MeasureText("DejaVuSans.ttf", 12, "t a r v o n 3");
  ShadowText(im, "DejaVuSans.ttf", 12, 128 - tw / 2, 176, "t a r v o n 3", Hex(0xF0E0C0));
  tw = MeasureText("DejaVuSans-Oblique.ttf", 9, "thanks for watching");
  ShadowText(im, "DejaVuSans-Oblique.ttf", 9, 128 - tw / 2, 196, "thanks for watching", Hex(0xC0A880));
  return SaveTga(im, TgaPixels::Rgb24, true, false);
}

// Light spot for the bump effect: 8-bit grey, bright core and a long soft falloff.
Bytes MakeSpeculaire() {
  Image im = MakeImage(N, N);
  for (int32_t y = 0; y < N; ++y)
    for (int32_t x = 0; x < N; ++x) {
      float r = std::hypot(float(x) - 127.5f, float(y) - 127.5f) / 127.0f;
      float v = Clamp01(1 - r);
      v = 1.6f * v * v + 0.3f * std::pow(v, 10.0f);  // the effect averages two lights: be generous
      im.px[(size_t(y) * N + x) * 4] = Clamp01(v);
    }
  return SaveTga(im, TgaPixels::Grey8, false, true, "light spot");
}

// Height map for the bump effect: embossed title, domes and a cellular stone floor; colour-mapped.
Bytes MakeLeFond() {
  const int32_t w = 320, h = 200;
  std::vector<float> v(size_t(w) * h);
  for (int32_t y = 0; y < h; ++y)
    for (int32_t x = 0; x < w; ++x) {
      float c = Cellular(float(x) / 22.0f, float(y) / 22.0f, 0, 271);
      v[size_t(y) * w + x] = 0.12f + 0.42f * SmoothStep(0.08f, 0.4f, c) + 0.06f * Fbm(float(x) / 8, float(y) / 8, 3, 0, 273);
    }
  std::vector<float> cov(size_t(w) * h, 0.0f);
  float tw = MeasureText("DejaVuSans-Bold.ttf", 54, "tarvon3");
  DrawText(cov, w, h, "DejaVuSans-Bold.ttf", 54, 160 - tw / 2, 122, "tarvon3", 1);
  BoxBlurPlane(cov, w, h, 1, 2, false);
  for (size_t i = 0; i < v.size(); ++i) v[i] = std::max(v[i], v[i] * (1 - cov[i]) + 1.0f * cov[i]);
  for (int32_t k = 0; k < 6; ++k) {  // domes along the bottom
    float cx = 40.0f + float(k) * 48.0f, cy = 165.0f;
    for (int32_t y = 140; y < 190; ++y)
      for (int32_t x = int32_t(cx) - 20; x <= int32_t(cx) + 20; ++x) {
        float d = std::hypot(float(x) - cx, float(y) - cy) / 16.0f;
        if (d < 1) v[size_t(y) * w + x] = std::max(v[size_t(y) * w + x], 0.3f + 0.55f * std::sqrt(1 - d * d));
      }
  }
  BoxBlurPlane(v, w, h, 1, 1, false);
  std::vector<uint8_t> idx(v.size());
  for (size_t i = 0; i < v.size(); ++i) idx[i] = Quantise(v[i]);
  std::vector<Rgb> palette(256);
  for (int32_t i = 0; i < 256; ++i)  // copper ramp, so viewers show the relief
    palette[size_t(i)] = Ramp(std::array<Rgb, 4>{Hex(0x100804), Hex(0x6A3018), Hex(0xD08A4A), Hex(0xFFF0D0)}.data(), 4,
                              float(i) / 255.0f);
  TgaLayout layout;
  layout.rle = true;
  return EncodeTgaMapped(w, h, idx, palette, layout);
}

// Wipe mask: waves that sweep from left to right as the threshold rises.
Bytes MakeWave2() {
  Image im = MakeImage(320, 200);
  for (int32_t y = 0; y < 200; ++y)
    for (int32_t x = 0; x < 320; ++x) {
      float fx = float(x), fy = float(y);
      float v = fx / 320.0f * 0.8f + 0.06f * std::sin(fy / 9.0f + fx / 50.0f) + 0.04f * std::sin(fy / 23.0f - fx / 31.0f) + 0.1f;
      im.px[(size_t(y) * 320 + x) * 4] = Clamp01(v);
    }
  return SaveTga(im, TgaPixels::Grey8, true, false);
}
