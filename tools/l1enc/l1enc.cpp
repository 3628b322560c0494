// l1enc: a small Layer I encoder that makes test streams for the MPEG decoder (no other Layer I encoder
// is at hand). Polyphase analysis with the standard window (C = D / 32), one scalefactor per subband and
// frame, and a greedy bit allocation that always refines the subband with the loudest quantisation noise.
//
//   l1enc IN.wav OUT.mp1 [--bitrate KBPS] [--mode stereo|joint|dual|mono] [--bound 4|8|12|16] [--crc] [--free]
//             [--sblimit N] [--alloc N]
//
// IN.wav is 16-bit PCM, one or two channels, at 32, 44.1 or 48 kHz (MPEG-1) or 16, 22.05 or 24 kHz (MPEG-2).
// --mode joint codes subbands from --bound upwards as intensity stereo (one sample set, two scalefactors).
// --sblimit N leaves subbands N..31 uncoded (default 32).
// --free writes bit-rate index 0 (free format) with the frame lengths of --bitrate. --crc adds the CRC word.
// --alloc N (1..14) gives every subband that carries signal the allocation N (N + 1 bits a sample) in place
// of the greedy choice, from subband 0 upwards as long as the frame has room: loud input then reaches the
// long sample codes with the large scalefactors.
#include <sys/stat.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "sound/mpeg_tables12.h"

namespace {
using namespace kvox_tables;

struct Wav {
  int rate = 0, channels = 0;
  std::vector<int16_t> samples;  // interleaved
};

bool ReadWav(const char* name, Wav& w) {
  FILE* f = fopen(name, "rb");
  if (!f) return false;
  std::vector<uint8_t> d;
  uint8_t buf[65536];
  size_t n;
  while ((n = fread(buf, 1, sizeof buf, f)) > 0) d.insert(d.end(), buf, buf + n);
  fclose(f);
  if (d.size() < 12 || memcmp(d.data(), "RIFF", 4) || memcmp(&d[8], "WAVE", 4)) return false;
  auto u16 = [&](size_t p) { return uint32_t(d[p] | d[p + 1] << 8); };
  auto u32 = [&](size_t p) { return u16(p) | u16(p + 2) << 16; };
  int bits = 0;
  for (size_t p = 12; p + 8 <= d.size();) {
    uint32_t size = u32(p + 4);
    size_t body = p + 8;
    if (!memcmp(&d[p], "fmt ", 4) && body + 16 <= d.size()) {
      w.channels = int(u16(body + 2));
      w.rate = int(u32(body + 4));
      bits = int(u16(body + 14));
    } else if (!memcmp(&d[p], "data", 4)) {
      size_t end = body + size <= d.size() ? body + size : d.size();
      for (size_t q = body; q + 1 < end; q += 2) w.samples.push_back(int16_t(u16(q)));
    }
    p = body + size + (size & 1);
  }
  return bits == 16 && (w.channels == 1 || w.channels == 2) && w.rate > 0;
}

struct BitWriter {
  std::vector<uint8_t> bytes;
  uint32_t acc = 0;
  int n = 0;
  void Put(uint32_t v, int bits) {
    for (int i = bits - 1; i >= 0; i--) {
      acc = (acc << 1) | ((v >> i) & 1);
      if (++n == 8) { bytes.push_back(uint8_t(acc)); acc = 0; n = 0; }
    }
  }
  size_t Bits() const { return bytes.size() * 8 + size_t(n); }
};

// CRC-16, polynomial 0x8005, over the given bits (most significant first).
struct Crc {
  uint16_t crc = 0xFFFF;
  void Add(uint32_t v, int bits) {
    for (int i = bits - 1; i >= 0; i--) {
      bool top = ((crc >> 15) & 1) != (((v >> i) & 1) != 0);
      crc = uint16_t(crc << 1);
      if (top) crc ^= 0x8005;
    }
  }
};

// Polyphase analysis, one set of 32 subband samples per 32 input samples.
struct Analysis {
  double x[512] = {};
  double m[32][64];
  double c[512];
  Analysis() {
    for (int i = 0; i < 32; i++)
      for (int k = 0; k < 64; k++) m[i][k] = std::cos((2 * i + 1) * (k - 16) * M_PI / 64.0);
    for (int i = 0; i < 512; i++) c[i] = kWindow[i] / 65536.0 / 32.0;
  }
  void Run(const double* in, double* out) {  // in: 32 new samples, oldest first
    memmove(x + 32, x, sizeof(double) * 480);
    for (int i = 0; i < 32; i++) x[i] = in[31 - i];
    double y[64];
    for (int k = 0; k < 64; k++) {
      double s = 0;
      for (int j = 0; j < 8; j++) s += c[k + 64 * j] * x[k + 64 * j];
      y[k] = s;
    }
    for (int i = 0; i < 32; i++) {
      double s = 0;
      for (int k = 0; k < 64; k++) s += m[i][k] * y[k];
      out[i] = s;
    }
  }
};

int ScaleIndex(double peak) {
  int best = 0;
  for (int i = 0; i < 63; i++)
    if (kScalefactor[i] >= peak) best = i;
  return best;
}

void Usage() {
  fprintf(stderr,
          "usage: l1enc IN.wav OUT.mp1 [--bitrate KBPS] [--mode stereo|joint|dual|mono] [--bound 4|8|12|16]"
          " [--crc] [--free] [--sblimit N] [--alloc N]\n");
}
}  // namespace

int main(int argc, char** argv) {
  const char* in = nullptr;
  const char* outName = nullptr;
  int kbps = 384, mode = -1, bound = 16;
  bool crc = false, freeFormat = false;
  int sblimit = 32, forced = 0;
  for (int i = 1; i < argc; i++) {
    std::string a = argv[i];
    if (a == "--bitrate" && i + 1 < argc) kbps = atoi(argv[++i]);
    else if (a == "--mode" && i + 1 < argc) {
      std::string m = argv[++i];
      mode = m == "stereo" ? 0 : m == "joint" ? 1 : m == "dual" ? 2 : m == "mono" ? 3 : -2;
      if (mode == -2) { Usage(); return 2; }
    } else if (a == "--bound" && i + 1 < argc) bound = atoi(argv[++i]);
    else if (a == "--sblimit" && i + 1 < argc) sblimit = atoi(argv[++i]);
    else if (a == "--alloc" && i + 1 < argc) forced = atoi(argv[++i]);
    else if (a == "--crc") crc = true;
    else if (a == "--free") freeFormat = true;
    else if (a == "--help") { Usage(); return 0; }
    else if (!in) in = argv[i];
    else if (!outName) outName = argv[i];
    else { Usage(); return 2; }
  }
  if (!in || !outName) { Usage(); return 2; }
  Wav w;
  if (!ReadWav(in, w)) { fprintf(stderr, "l1enc: \"%s\" is not a 16-bit PCM WAV file\n", in); return 1; }
  int id = -1, sri = -1;
  for (int v = 0; v < 2; v++)
    for (int s = 0; s < 3; s++)
      if (kSampleRate[v][s] == w.rate) { id = v; sri = s; }
  if (id < 0) { fprintf(stderr, "l1enc: unsupported sample rate %d\n", w.rate); return 1; }
  int bri = -1;
  for (int b = 1; b < 15; b++)
    if (kBitrate[id][0][b] == kbps) bri = b;
  if (bri < 0) { fprintf(stderr, "l1enc: unsupported bit rate %d\n", kbps); return 1; }
  if (forced < 0 || forced > 14) { fprintf(stderr, "l1enc: --alloc must be 1 to 14\n"); return 1; }
  if (mode < 0) mode = w.channels == 2 ? 0 : 3;
  if ((mode == 3) != (w.channels == 1)) { fprintf(stderr, "l1enc: mode does not fit the channels\n"); return 1; }
  int modeExt = 0;
  if (mode == 1) {
    modeExt = -1;
    for (int e = 0; e < 4; e++)
      if (kJointBound[0][e] == bound) modeExt = e;
    if (modeExt < 0) { fprintf(stderr, "l1enc: bound must be 4, 8, 12 or 16\n"); return 1; }
  } else {
    bound = 32;
  }
  const int nch = w.channels;
  const size_t frames = (w.samples.size() / size_t(nch) + 383) / 384 + 1;  // one more to flush the filter
  std::vector<Analysis> filters(static_cast<size_t>(nch));
  FILE* out = fopen(outName, "wb");
  if (!out) { fprintf(stderr, "l1enc: cannot write \"%s\"\n", outName); return 1; }
  double slotRest = 0;
  bool written = true;
  for (size_t fr = 0; fr < frames; fr++) {
    // Frame size in 4-byte slots, with padding slots where the rate does not divide.
    double exact = 12.0 * kbps * 1000.0 / w.rate;
    int slots = int(exact);
    slotRest += exact - slots;
    int pad = 0;
    if (slotRest >= 1.0 - 1e-9) { pad = 1; slotRest -= 1.0; }
    const int totalBits = (slots + pad) * 32;

    double sb[2][12][32];
    for (int ch = 0; ch < nch; ch++)
      for (int t = 0; t < 12; t++) {
        double pcm[32];
        for (int i = 0; i < 32; i++) {
          size_t n = fr * 384 + size_t(t) * 32 + size_t(i);
          size_t at = n * size_t(nch) + size_t(ch);
          pcm[i] = at < w.samples.size() ? w.samples[at] / 32768.0 : 0.0;
        }
        filters[size_t(ch)].Run(pcm, sb[ch][t]);
      }
    // Intensity subbands carry the average of both channels.
    double coded[2][12][32];
    memcpy(coded, sb, sizeof coded);
    for (int s = bound; s < 32 && nch == 2; s++)
      for (int t = 0; t < 12; t++) coded[0][t][s] = coded[1][t][s] = 0.5 * (sb[0][t][s] + sb[1][t][s]);
    int scf[2][32];
    double level[2][32];
    for (int ch = 0; ch < nch; ch++)
      for (int s = 0; s < 32; s++) {
        double peak = 0;
        for (int t = 0; t < 12; t++) peak = std::fmax(peak, std::fabs(coded[ch][t][s]));
        scf[ch][s] = ScaleIndex(peak);
        level[ch][s] = peak;
      }
    // Greedy allocation.
    int alloc[2][32] = {};
    int used = 32 + (crc ? 16 : 0);
    for (int s = 0; s < 32; s++) used += s < bound ? 4 * nch : 4;
    for (int s = 0; s < sblimit && forced; s++) {
      int chans = s < bound ? nch : 1;
      double peak = std::fmax(level[0][s], nch == 2 ? level[1][s] : 0);
      int cost = chans * (6 + 12 * (forced + 1)) + (s < bound ? 0 : 6 * (nch - 1));
      if (peak < 1e-7 || used + cost > totalBits) break;
      used += cost;
      for (int ch = 0; ch < nch; ch++) alloc[ch][s] = forced;
    }
    for (; !forced;) {
      int bestCh = -1, bestSb = -1;
      double bestNoise = -1e9;
      for (int s = 0; s < 32; s++)
        for (int ch = 0; ch < (s < bound ? nch : 1); ch++) {
          if (alloc[ch][s] >= 14 || s >= sblimit) continue;
          double peak = s < bound ? level[ch][s] : std::fmax(level[0][s], nch == 2 ? level[1][s] : 0);
          if (peak < 1e-7) continue;
          double noise = 20 * std::log10(peak) - 6.02 * (alloc[ch][s] ? alloc[ch][s] + 1 : 0);
          int cost = alloc[ch][s] ? 12 : 24 + 6 * (s < bound ? 1 : nch);
          if (noise > bestNoise && used + cost <= totalBits) { bestNoise = noise; bestCh = ch; bestSb = s; }
        }
      if (bestCh < 0 || bestNoise < -100) break;
      int s = bestSb;
      used += alloc[bestCh][s] ? 12 : 24 + 6 * (s < bound ? 1 : nch);
      alloc[bestCh][s]++;
      if (s >= bound && nch == 2) alloc[1][s] = alloc[0][s];
    }
    BitWriter bw;
    uint32_t h = 0xFFF00000u | uint32_t(id) << 19 | 3u << 17 | (crc ? 0u : 1u) << 16 |
                 uint32_t(freeFormat ? 0 : bri) << 12 | uint32_t(sri) << 10 | uint32_t(pad) << 9 |
                 uint32_t(mode) << 6 | uint32_t(modeExt) << 4;
    bw.Put(h, 32);
    Crc c;
    c.Add(h & 0xFFFF, 16);
    for (int s = 0; s < 32; s++)
      for (int ch = 0; ch < (s < bound ? nch : 1); ch++) c.Add(uint32_t(alloc[ch][s]), 4);
    if (crc) bw.Put(c.crc, 16);
    for (int s = 0; s < 32; s++)
      for (int ch = 0; ch < (s < bound ? nch : 1); ch++) bw.Put(uint32_t(alloc[ch][s]), 4);
    for (int s = 0; s < 32; s++)
      for (int ch = 0; ch < nch; ch++)
        if (alloc[ch][s]) bw.Put(uint32_t(scf[ch][s]), 6);
    for (int t = 0; t < 12; t++)
      for (int s = 0; s < 32; s++)
        for (int ch = 0; ch < (s < bound ? nch : 1); ch++) {
          int a = alloc[ch][s];
          if (!a) continue;
          int nb = a + 1;
          double x = coded[ch][t][s] / kScalefactor[scf[ch][s]];
          double levels = double((1 << nb) - 1);
          long q = lround(x * levels / 2 + (1 << (nb - 1)) - 1);
          if (q < 0) q = 0;
          if (q > (1 << nb) - 2) q = (1 << nb) - 2;
          bw.Put(uint32_t(q), nb);
        }
    while (bw.Bits() < size_t(totalBits)) bw.Put(0, 1);
    written = fwrite(bw.bytes.data(), 1, bw.bytes.size(), out) == bw.bytes.size() && written;
  }
  // A stream that could not be written whole is not left behind as if it were one; an output that is
  // not a plain file (a device, a pipe) is never removed.
  if (fclose(out) != 0 || !written) {
    fprintf(stderr, "l1enc: cannot write \"%s\"\n", outName);
    struct stat st;
    if (stat(outName, &st) == 0 && S_ISREG(st.st_mode)) remove(outName);
    return 1;
  }
  return 0;
}
