// "meeting.mp3" before encoding: a 189-second piece in A minor at 120 beats per minute, composed
// here as a table of sections and synthesised from oscillators, filters and noise.
//
// Sections follow the show's changes (10, 30, 50, 70, 85, 97, 117, 153, 181 s); every change falls
// on a beat. Voices: kick, snare, hats, bass, pads (detuned saws), lead (square with echo), arpeggio
// and bell (two-operator FM). Pads and bells go through a small reverb, the lead through a
// ping-pong echo, the pads duck under the kick. The mix is scaled once so its peak sits below full
// scale: nothing clips.
//
// Sections open with a crash where the drums play.
//
// Index: voices, score tables, arrangement, effects and master.
#include <algorithm>
#include <array>
#include <cmath>

#include "tools/forge/forge.h"

namespace {

constexpr double kRate = kMusicRate;
constexpr double kBeat = 0.5;  // seconds, 120 bpm
constexpr double kPi = 3.14159265358979;

struct Stereo {
  std::vector<float> l, r;
  explicit Stereo(size_t n) : l(n, 0.0f), r(n, 0.0f) {}
};

struct Buses {
  Stereo dry, pads, verb, echo;
  std::vector<float> duck;  // kick envelope, for the pads' ducking
  explicit Buses(size_t n) : dry(n), pads(n), verb(n), echo(n), duck(n, 0.0f) {}
};

double Freq(int32_t midi) { return 440.0 * std::pow(2.0, (midi - 69) / 12.0); }

struct Noise {  // xorshift32 white noise in -1..1
  uint32_t s = 0x1234567u;
  float Next() {
    s ^= s << 13;
    s ^= s >> 17;
    s ^= s << 5;
    return float(int32_t(s)) * (1.0f / 2147483648.0f);
  }
};

// State-variable filter (Chamberlin), low-pass output; cutoff in Hz, q about 0.5 .. 2.
struct Svf {
  float low = 0, band = 0;
  static float Coef(float cutoff) { return float(2.0 * std::sin(kPi * std::min(cutoff, 8000.0f) / kRate)); }
  float Run(float in, float cutoff, float q) { return RunCoef(in, Coef(cutoff), q); }
  float RunCoef(float in, float f, float q) {
    low += f * band;
    float high = in - low - band / q;
    band += f * high;
    return low;
  }
};

float PolySaw(double phase, double dt) {  // band-limited saw, phase in 0..1
  double v = 2.0 * phase - 1.0;
  auto blep = [](double t, double d) {
    if (t < d) { t /= d; return t + t - t * t - 1.0; }
    if (t > 1.0 - d) { t = (t - 1.0) / d; return t * t + t + t + 1.0; }
    return 0.0;
  };
  return float(v - blep(phase, dt));
}

size_t At(double seconds) { return size_t(std::max(0.0, seconds) * kRate + 0.5); }

void Put(Stereo& s, size_t i, float v, float pan) {  // pan -1 left .. 1 right
  if (i >= s.l.size()) return;
  s.l[i] += v * (1.0f - std::max(0.0f, pan));
  s.r[i] += v * (1.0f + std::min(0.0f, pan));
}

// ---- voices ----

void Kick(Buses& b, double t, float vel) {
  size_t s0 = At(t), n = At(0.42);
  double phase = 0;
  for (size_t k = 0; k < n; ++k) {
    double x = double(k) / kRate;
    double f = 45.0 + 110.0 * std::exp(-x * 28.0);
    phase += f / kRate;
    float env = float(std::exp(-x * 7.5));
    float click = float(std::exp(-x * 400.0)) * 0.3f;
    float v = (float(std::sin(2 * kPi * phase)) * env + click) * vel * 0.9f;
    Put(b.dry, s0 + k, v, 0);
    if (s0 + k < b.duck.size()) b.duck[s0 + k] = std::max(b.duck[s0 + k], float(std::exp(-x * 5.0)) * vel);
  }
}

void Snare(Buses& b, double t, float vel, Noise& nz) {
  size_t s0 = At(t), n = At(0.3);
  float hp = 0, prev = 0;
  for (size_t k = 0; k < n; ++k) {
    double x = double(k) / kRate;
    float w = nz.Next();
    hp = 0.7f * (hp + w - prev);
    prev = w;
    float tone = float(std::sin(2 * kPi * 185.0 * x)) * float(std::exp(-x * 30.0)) * 0.5f;
    float v = (hp * float(std::exp(-x * 16.0)) * 0.8f + tone) * vel * 0.55f;
    Put(b.dry, s0 + k, v, 0.05f);
    Put(b.verb, s0 + k, v * 0.25f, 0);
  }
}

void Hat(Buses& b, double t, float vel, bool open, Noise& nz) {
  size_t s0 = At(t), n = At(open ? 0.3 : 0.06);
  float hp = 0, prev = 0;
  const double decay = open ? 11.0 : 70.0;
  for (size_t k = 0; k < n; ++k) {
    double x = double(k) / kRate;
    float w = nz.Next();
    hp = 0.4f * (hp + w - prev);
    prev = w;
    Put(b.dry, s0 + k, hp * float(std::exp(-x * decay)) * vel * 0.28f, 0.3f);
  }
}

// Crash: bright noise with a long tail, marking the start of a section.
void Crash(Buses& b, double t, float vel, Noise& nz) {
  size_t s0 = At(t), n = At(1.6);
  float hp = 0, prev = 0;
  for (size_t k = 0; k < n; ++k) {
    double x = double(k) / kRate;
    float w = nz.Next();
    hp = 0.55f * (hp + w - prev);
    prev = w;
    float v = hp * float(std::exp(-x * 2.6)) * vel * 0.16f;
    Put(b.dry, s0 + k, v, -0.3f);
    Put(b.verb, s0 + k, v * 0.4f, 0.3f);
  }
}

// Bass: saw plus sub sine through a resonant low-pass whose cutoff falls after each attack.
void Bass(Buses& b, double t, double len, int32_t midi, float vel, float bright, float reso) {
  size_t s0 = At(t), n = At(len + 0.05);
  double f = Freq(midi), dt = f / kRate, ph = 0, sub = 0;
  Svf flt;
  for (size_t k = 0; k < n; ++k) {
    double x = double(k) / kRate;
    ph += dt;
    ph -= std::floor(ph);
    sub += dt * 0.5;
    float env = float(std::min(1.0, x / 0.004) * (x < len ? 1.0 : std::max(0.0, 1.0 - (x - len) / 0.05)));
    float cut = float(80.0 + bright * 2400.0 * std::exp(-x * 9.0) + bright * 300.0);
    float v = flt.Run(PolySaw(ph, dt), cut, reso) * 0.8f + float(std::sin(2 * kPi * sub)) * 0.5f;
    Put(b.dry, s0 + k, v * env * vel * 0.42f, 0);
  }
}

// Pad: three detuned saws per note, slow attack and release, filtered, spread over both sides.
void Pad(Buses& b, double t, double len, int32_t midi, float vel, float cutoff) {
  const double attack = 0.6, release = 1.2;
  size_t s0 = At(t), n = At(len + release);
  const double detune[3] = {-0.09, 0.0, 0.1};
  const float pan[3] = {-0.7f, 0.0f, 0.7f};
  double ph[3] = {0.13, 0.57, 0.81}, dt[3];
  float coef[3] = {};
  for (int32_t v = 0; v < 3; ++v) dt[v] = Freq(midi) * std::pow(2.0, detune[v] / 12.0) / kRate;
  Svf flt[3];
  for (size_t k = 0; k < n; ++k) {
    double x = double(k) / kRate;
    double env = std::min(1.0, x / attack);
    if (x > len) env *= std::max(0.0, 1.0 - (x - len) / release);
    if (k % 64 == 0)
      for (int32_t v = 0; v < 3; ++v) coef[v] = Svf::Coef(cutoff * float(0.8 + 0.2 * std::sin(x * 1.3 + v)));
    for (int32_t v = 0; v < 3; ++v) {
      ph[v] += dt[v];
      ph[v] -= std::floor(ph[v]);
      float s = flt[v].RunCoef(PolySaw(ph[v], dt[v]), coef[v], 0.7f);
      float out = s * float(env) * vel * 0.09f;
      Put(b.pads, s0 + k, out, pan[v]);
      Put(b.verb, s0 + k, out * 0.5f, -pan[v]);
    }
  }
}

// Lead: square with gentle vibrato after the attack, filtered; sent to the echo.
void Lead(Buses& b, double t, double len, int32_t midi, float vel) {
  size_t s0 = At(t), n = At(len + 0.15);
  double ph = 0;
  Svf flt;
  for (size_t k = 0; k < n; ++k) {
    double x = double(k) / kRate;
    double vib = 1.0 + 0.004 * std::sin(2 * kPi * 5.5 * x) * std::min(1.0, x / 0.3);
    double dt = Freq(midi) * vib / kRate;
    ph += dt;
    ph -= std::floor(ph);
    double sq = PolySaw(ph, dt) - PolySaw(std::fmod(ph + 0.5, 1.0), dt);
    double env = std::min(1.0, x / 0.01) * (0.75 + 0.25 * std::exp(-x * 6.0));
    if (x > len) env *= std::max(0.0, 1.0 - (x - len) / 0.15);
    float v = flt.Run(float(sq), float(1800.0 + 2200.0 * std::exp(-x * 4.0)), 0.8f) * float(env) * vel * 0.16f;
    Put(b.dry, s0 + k, v, -0.1f);
    Put(b.echo, s0 + k, v * 0.45f, 0);
  }
}

// Bell / pluck: two-operator FM, the modulation fading faster than the tone.
void Bell(Buses& b, double t, int32_t midi, float vel, double ratio, double decay, float pan) {
  size_t s0 = At(t), n = At(decay * 5.0);
  const double w = 2 * kPi * Freq(midi) / kRate;
  const double tone = std::exp(-1.0 / (decay * kRate)), fade = std::exp(-1.0 / (decay * 0.35 * kRate));
  double amp = 1.0, depth = 2.2;
  for (size_t k = 0; k < n; ++k) {
    const double x = double(k) / kRate;
    const double mod = std::sin(w * ratio * double(k)) * depth;
    float v = float(std::sin(w * double(k) + mod) * amp * std::min(1.0, x / 0.002)) * vel * 0.13f;
    amp *= tone;
    depth *= fade;
    Put(b.dry, s0 + k, v, pan);
    Put(b.verb, s0 + k, v * 0.6f, -pan);
    Put(b.echo, s0 + k, v * 0.2f, 0);
  }
}

// Rising noise sweep leading into a section change.
void Riser(Buses& b, double t, double len, float vel, Noise& nz) {
  size_t s0 = At(t), n = At(len);
  Svf flt;
  for (size_t k = 0; k < n; ++k) {
    double x = double(k) / kRate, p = x / len;
    float v = flt.Run(nz.Next(), float(200.0 + 6000.0 * p * p), 1.5f) * float(p * p) * vel * 0.3f;
    Put(b.dry, s0 + k, v, float(std::sin(x * 6.0) * 0.5));
    Put(b.verb, s0 + k, v * 0.5f, 0);
  }
}

// ---- score tables ----

struct Chord {
  int32_t root;             // bass note (octave 2)
  std::array<int32_t, 4> pad;  // pad notes
};
constexpr Chord kAm{45, {57, 60, 64, 69}}, kF{41, {57, 60, 65, 69}}, kC{48, {55, 60, 64, 67}},
    kG{43, {55, 59, 62, 67}}, kDm{50, {57, 62, 65, 69}}, kE{40, {56, 59, 64, 68}};
const std::array<Chord, 4> kProgA = {kAm, kF, kC, kG};
const std::array<Chord, 4> kProgB = {kDm, kF, kC, kE};

struct Note {
  double beat, len;
  int32_t midi;
};
// Four-bar themes over the two progressions (beats from the phrase start).
constexpr Note kThemeA[] = {{0, 1, 76},   {1, .5, 74},  {1.5, .5, 72}, {2, 1, 74},  {3, 1, 76},
                            {4, 1.5, 77}, {5.5, .5, 76}, {6, 1, 72},   {7, 1, 69},  {8, 1, 72},
                            {9, 1, 76},   {10, 1.5, 79}, {11.5, .5, 76}, {12, 2, 74}, {14, 1, 71},
                            {15, 1, 67}};
constexpr Note kThemeB[] = {{0, 1, 74},  {1, 1, 77},   {2, 1, 81},  {3, .5, 79},  {3.5, .5, 77}, {4, 1.5, 76},
                            {5.5, .5, 72}, {6, 2, 77},  {8, 1, 79},  {9, 1, 76},   {10, 1, 72},  {11, 1, 76},
                            {12, 2, 80}, {14, 1, 76},  {15, 1, 71}};

struct Section {
  double start, end;
  int32_t kick;    // 0 none, 1 four on the floor, 2 half time
  int32_t snare;   // 0 none, 1 on 2 and 4, 2 half time (on 3)
  int32_t hats;    // 0 none, 1 off-beat eighths, 2 sixteenths
  int32_t bass;    // 0 none, 1 roots per bar, 2 eighths, 3 sixteenths with octaves
  int32_t lead;    // 0 none, 1 theme on each phrase, 2 bells play the theme
  int32_t arp;     // 0 none, 1 sixteenth arpeggio
  int32_t progs;   // 0 progression A, 1 B, 2 alternate A and B per phrase
  float padCut;    // pad filter cutoff, Hz
  float bright;    // bass brightness 0..1
};

constexpr Section kSections[] = {
    {0, 10, 0, 0, 0, 0, 0, 1, 0, 900, 0.2f},        // intro: pads and a slow arpeggio
    {10, 30, 1, 0, 1, 2, 0, 1, 0, 1500, 0.4f},      // drums and bass enter
    {30, 50, 2, 2, 1, 1, 1, 0, 0, 1200, 0.3f},      // night: half time, theme
    {50, 70, 1, 1, 2, 2, 1, 1, 0, 2200, 0.6f},      // full
    {70, 85, 1, 0, 0, 1, 0, 1, 1, 1400, 0.3f},      // light: break, other progression
    {85, 97, 0, 0, 0, 0, 2, 0, 1, 1000, 0.2f},      // the held picture: pads and bells
    {97, 117, 1, 1, 2, 3, 0, 1, 0, 1800, 0.8f},     // build with a busy bass
    {117, 153, 1, 1, 2, 2, 1, 1, 2, 2400, 0.6f},    // credits: the whole theme
    {153, 181, 1, 1, 2, 3, 1, 1, 2, 2600, 0.9f},    // last part, brightest
};

// ---- arrangement ----

void Arrange(Buses& b) {
  Noise nz;
  for (const Section& s : kSections) {
    const int32_t beats = int32_t(std::lround((s.end - s.start) / kBeat));
    const int32_t bars = (beats + 3) / 4;
    for (int32_t bar = 0; bar < bars; ++bar) {
      const int32_t phrase = bar / 4;
      const bool useB = s.progs == 1 || (s.progs == 2 && phrase % 2 == 1);
      const Chord& ch = (useB ? kProgB : kProgA)[size_t(bar % 4)];
      const double barT = s.start + bar * 4 * kBeat;
      const int32_t barBeats = std::min(4, beats - bar * 4);
      const double barLen = barBeats * kBeat;
      const bool lastBar = bar == bars - 1;
      if (bar == 0 && s.kick == 1) Crash(b, barT, 1.0f, nz);
      if (bar > 0 && bar % 8 == 0 && s.snare) Crash(b, barT, 0.6f, nz);
      for (int32_t note : ch.pad) Pad(b, barT, barLen, note, 1.0f, s.padCut);
      for (int32_t q = 0; q < barBeats * 4; ++q) {  // sixteenths
        const double t = barT + q * kBeat / 4;
        const int32_t beat = q / 4, sub = q % 4;
        if (sub == 0 && (s.kick == 1 || (s.kick == 2 && (beat == 0)))) Kick(b, t, 1.0f);
        if (s.kick == 2 && q == 10) Kick(b, t, 0.8f);
        if (s.snare == 1 && sub == 0 && (beat == 1 || beat == 3)) Snare(b, t, 0.9f, nz);
        if (s.snare == 2 && sub == 0 && beat == 2) Snare(b, t, 0.9f, nz);
        if (s.snare && lastBar && beat == barBeats - 1) Snare(b, t, 0.35f + 0.15f * float(sub), nz);
        if (s.hats == 1 && sub == 2) Hat(b, t, 0.9f, false, nz);
        if (s.hats == 2) Hat(b, t, sub == 2 ? 0.9f : 0.45f, sub == 2 && beat == 3, nz);
        if (s.bass == 1 && q == 0) Bass(b, t, barLen * 0.95, ch.root, 1.0f, s.bright, 0.9f);
        if (s.bass == 2 && sub % 2 == 0)
          Bass(b, t, kBeat * 0.45, ch.root + ((q / 2) % 4 == 3 ? 12 : 0), sub == 0 ? 1.0f : 0.8f, s.bright, 1.1f);
        if (s.bass == 3)
          Bass(b, t, kBeat * 0.22, ch.root + (q % 8 == 6 ? 12 : (q % 8 == 3 ? 7 : 0)), sub == 0 ? 1.0f : 0.75f,
               s.bright * (0.6f + 0.4f * float((q * 5) % 7) / 6.0f), 1.6f);
        if (s.arp && (s.kick == 0 ? sub % 2 == 0 : true)) {
          static constexpr int32_t order[8] = {0, 1, 2, 3, 2, 1, 3, 1};
          const int32_t n = ch.pad[size_t(order[q % 8])] + 12;
          const double sinceStart = t - s.start;
          const float swell = s.start == 0 ? float(std::min(1.0, 0.25 + sinceStart / 8.0)) : 0.8f;
          Bell(b, t, n, 0.45f * swell * (sub == 0 ? 1.0f : 0.7f), 1.0, 0.18, q % 2 ? 0.5f : -0.5f);
        }
      }
      if (s.lead && bar % 4 == 0) {
        const Note* theme = useB ? kThemeB : kThemeA;
        const size_t count = useB ? std::size(kThemeB) : std::size(kThemeA);
        const double phraseEnd = s.end - 0.01;
        for (size_t i = 0; i < count; ++i) {
          const double t = barT + theme[i].beat * kBeat;
          if (t >= phraseEnd) break;
          const double len = std::min(theme[i].len * kBeat * 0.9, phraseEnd - t);
          if (s.lead == 1) Lead(b, t, len, theme[i].midi + (s.start >= 153 ? 12 : 0), 1.0f);
          else Bell(b, t, theme[i].midi, 0.9f, 3.5, 0.9, 0.2f);
        }
      }
    }
  }
  // risers into the big changes
  Riser(b, 8.0, 2.0, 1.0f, nz);
  Riser(b, 95.0, 2.0, 0.8f, nz);
  Riser(b, 113.0, 4.0, 0.9f, nz);
  // the end: one long A minor chord with a bell, fading out before the show stops
  Kick(b, 181.0, 1.0f);
  for (int32_t note : kAm.pad) Pad(b, 181.0, 5.2, note, 1.1f, 1200);
  Bass(b, 181.0, 4.0, 33, 1.0f, 0.3f, 0.8f);
  Bell(b, 181.0, 69, 1.0f, 3.5, 1.6, 0.0f);
  Bell(b, 181.5, 76, 0.6f, 3.5, 1.4, 0.4f);
}

// ---- effects and master ----

void Echo(const Stereo& in, Stereo& out) {  // ping-pong, three eighths apart
  const size_t d = At(kBeat * 0.75);
  std::vector<float> l(in.l.size(), 0.0f), r(in.l.size(), 0.0f);
  for (size_t i = 0; i < in.l.size(); ++i) {
    float fl = i >= d ? r[i - d] * 0.45f : 0.0f;
    float fr = i >= d ? l[i - d] * 0.45f : 0.0f;
    l[i] = in.l[i] + fr;
    r[i] = in.r[i] * 0.3f + fl;
    out.l[i] += i >= d ? l[i - d] : 0.0f;
    out.r[i] += i >= d ? r[i - d] : 0.0f;
  }
}

void Reverb(const Stereo& in, Stereo& out) {  // four combs and two all-passes per side
  const int32_t combs[2][4] = {{1557, 1617, 1491, 1422}, {1580, 1640, 1514, 1445}};
  const int32_t allpass[2][2] = {{556, 441}, {579, 464}};
  for (int32_t side = 0; side < 2; ++side) {
    const std::vector<float>& x = side ? in.r : in.l;
    std::vector<float>& y = side ? out.r : out.l;
    std::vector<float> acc(x.size(), 0.0f);
    for (int32_t c = 0; c < 4; ++c) {
      std::vector<float> buf(size_t(combs[side][c]), 0.0f);
      float damp = 0;
      size_t pos = 0;
      for (size_t i = 0; i < x.size(); ++i) {
        float o = buf[pos];
        damp = o * 0.6f + damp * 0.4f;
        buf[pos] = x[i] + damp * 0.84f;
        acc[i] += o;
        if (++pos == buf.size()) pos = 0;
      }
    }
    for (int32_t a = 0; a < 2; ++a) {
      std::vector<float> buf(size_t(allpass[side][a]), 0.0f);
      size_t pos = 0;
      for (size_t i = 0; i < acc.size(); ++i) {
        float b = buf[pos];
        float o = -acc[i] + b;
        buf[pos] = acc[i] + b * 0.5f;
        acc[i] = o;
        if (++pos == buf.size()) pos = 0;
      }
    }
    for (size_t i = 0; i < y.size(); ++i) y[i] += acc[i] * 0.12f;
  }
}

}  // namespace

std::vector<int16_t> SynthesiseMusic() {
  const size_t n = At(kMusicSeconds);
  Buses b(n);
  Arrange(b);
  Stereo mix(n);
  for (size_t i = 0; i < n; ++i) {
    float duck = 1.0f - 0.45f * std::min(1.0f, b.duck[i]);
    mix.l[i] = b.dry.l[i] + b.pads.l[i] * duck;
    mix.r[i] = b.dry.r[i] + b.pads.r[i] * duck;
  }
  Echo(b.echo, mix);
  Reverb(b.verb, mix);
  // fade in over the first 50 ms and out to silence by 188.6 s
  for (size_t i = 0; i < n; ++i) {
    double t = double(i) / kRate;
    float g = float(std::min(1.0, t / 0.05) * std::clamp((188.6 - t) / 5.0, 0.0, 1.0));
    mix.l[i] *= g;
    mix.r[i] *= g;
  }
  float peak = 1e-6f;
  for (size_t i = 0; i < n; ++i) peak = std::max({peak, std::fabs(mix.l[i]), std::fabs(mix.r[i])});
  const float gain = 0.84f / peak;
  std::vector<int16_t> pcm(n * 2);
  for (size_t i = 0; i < n; ++i) {
    pcm[2 * i] = int16_t(std::lround(std::clamp(mix.l[i] * gain, -1.0f, 1.0f) * 32767.0f));
    pcm[2 * i + 1] = int16_t(std::lround(std::clamp(mix.r[i] * gain, -1.0f, 1.0f) * 32767.0f));
  }
  return pcm;
}
