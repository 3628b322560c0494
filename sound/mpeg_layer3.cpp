// Layer III frame decoding: stream set-up, side information, the bit reservoir, scalefactors (MPEG-1 and
// LSF forms), requantisation and the order of the granule stages.
//
// Sections: tables | requantisation | stream state | side information | scalefactors | granule | init | decode
#include <cmath>
#include <cstring>

#include "reader/reader.h"
#include "sound/mpeg_layer3.h"
#include "sound/mpeg_layer3_internal.h"
#include "sound/mpeg_layer3_tables.h"

namespace kvox_l3 {

// ---- tables --------------------------------------------------------------------------------------------------------
float gPow43[8207];

namespace {

constexpr int32_t kGainLow = -512, kGainHigh = 64;
float gGain[kGainHigh - kGainLow + 1];
bool gTablesBuilt = false;

void BuildTables() {
  if (gTablesBuilt) return;
  for (int32_t i = 0; i < 8207; i++) gPow43[i] = float(std::pow(double(i), 4.0 / 3.0));
  for (int32_t q = kGainLow; q <= kGainHigh; q++) gGain[q - kGainLow] = float(std::exp2(q / 4.0) * 32768.0);
  BuildHuffman();
  BuildHybrid();
  BuildStereo();
  gTablesBuilt = true;
}

}  // namespace

float GainPower(int32_t q) {
  if (q < kGainLow) q = kGainLow;
  if (q > kGainHigh) q = kGainHigh;
  return gGain[q - kGainLow];
}

// ---- requantisation ------------------------------------------------------------------------------------------------
namespace {

inline void ScaleRun(float* xr, int32_t from, int32_t to, int32_t count, float f) {
  if (to > count) to = count;
  for (int32_t i = from; i < to; i++) xr[i] *= f;
}

}  // namespace

void ScaleSpectrum(const Granule& g, const Scalefactors& sf, const Bands& b, int32_t gainAdjust, int32_t count,
                   float* xr) {
  const int32_t base = g.globalGain + gainAdjust - 210;
  const int32_t shift = g.scalefacScale ? 4 : 2;
  int32_t longBands = 22, firstShort = 13;
  if (g.blockType == 2) {
    longBands = g.mixed ? b.mixedLongBands : 0;
    firstShort = g.mixed ? 3 : 0;
  }
  for (int32_t band = 0; band < longBands; band++) {
    const int32_t from = b.l[band];
    if (from >= count) return;
    const int32_t pre = g.preflag ? kvox_l3tab::kPretab[band] : 0;
    ScaleRun(xr, from, b.l[band + 1], count, GainPower(base - shift * (sf.l[band] + pre)));
  }
  for (int32_t band = firstShort; band < 13; band++) {
    const int32_t width = b.s[band + 1] - b.s[band];
    for (int32_t w = 0; w < 3; w++) {
      const int32_t from = 3 * b.s[band] + w * width;
      if (from >= count) return;
      ScaleRun(xr, from, from + width, count, GainPower(base - 8 * g.subblockGain[w] - shift * sf.s[band][w]));
    }
  }
}

}  // namespace kvox_l3

using namespace kvox_l3;

// ---- stream state --------------------------------------------------------------------------------------------------
namespace {

constexpr int32_t kReservoir = 8192;
constexpr int32_t kMoveMark = 6692;
constexpr int32_t kSlack = 64;  // readable bytes past the reservoir for the bit reader's 8-byte looks

struct Stream {
  bool ready = false;
  KvoxMpegHeader header{};
  KvoxLayer3Setup setup{};
  bool lsf = false;
  int32_t channels = 1;
  int32_t granules = 2;
  int32_t rateIndex = 0;
  int32_t subbandLimit = 31;
  int32_t lineEndLong = 566;
  int32_t lineEndShort = 576;
  Bands bands{};
  alignas(16) uint8_t reservoir[kReservoir + kSlack];
  int32_t write = 0;
  alignas(32) float xr[2][576];
  float overlap[2][32][18];
  Scalefactors sf[2]{};   // the last granule's, per channel (MPEG-1 granule 1 reuses them by scfsi)
};

Stream gStream;

// ---- side information ----------------------------------------------------------------------------------------------
struct Side {
  int32_t mainDataBegin;
  int32_t scfsi[2][4];
  Granule gr[2][2];  // [granule][channel]
  bool bad;
};

void ReadGranule(BitReader& br, bool lsf, const Bands& b, Granule& g, bool& bad) {
  g.part23 = int32_t(br.Get(12));
  g.bigValues = int32_t(br.Get(9));
  g.globalGain = int32_t(br.Get(8));
  g.scalefacCompress = int32_t(br.Get(lsf ? 9 : 4));
  g.windowSwitching = int32_t(br.Get(1));
  g.subblockGain[0] = g.subblockGain[1] = g.subblockGain[2] = 0;
  if (g.windowSwitching) {
    g.blockType = int32_t(br.Get(2));
    g.mixed = int32_t(br.Get(1));
    g.tableSelect[0] = int32_t(br.Get(5));
    g.tableSelect[1] = int32_t(br.Get(5));
    g.tableSelect[2] = 0;
    for (int32_t w = 0; w < 3; w++) g.subblockGain[w] = int32_t(br.Get(3));
    if (g.blockType == 0) bad = true;  // window switching needs a block type
    if (g.blockType != 2) g.mixed = 0;
    g.region0Count = g.region1Count = 0;
    g.region1Start = g.blockType == 2 ? 3 * b.s[3] : b.l[8];
    g.region2Start = 576;
  } else {
    g.blockType = 0;
    g.mixed = 0;
    for (int32_t r = 0; r < 3; r++) g.tableSelect[r] = int32_t(br.Get(5));
    g.region0Count = int32_t(br.Get(4));
    g.region1Count = int32_t(br.Get(3));
    // Counts that point past the band table end at the last boundary.
    int32_t r1 = g.region0Count + 1, r2 = g.region0Count + g.region1Count + 2;
    if (r1 > 22) r1 = 22;
    if (r2 > 22) r2 = 22;
    g.region1Start = b.l[r1];
    g.region2Start = b.l[r2];
  }
  g.preflag = lsf ? 0 : int32_t(br.Get(1));
  g.scalefacScale = int32_t(br.Get(1));
  g.count1Table = int32_t(br.Get(1));
}

// Returns the side information's size in bytes.
int32_t SideBytes(bool lsf, int32_t channels) {
  if (lsf) return channels == 1 ? 9 : 17;
  return channels == 1 ? 17 : 32;
}

void ReadSide(BitReader& br, const Stream& st, Side& side) {
  side.bad = false;
  const int32_t nch = st.channels;
  side.mainDataBegin = int32_t(br.Get(st.lsf ? 8 : 9));
  br.Get(st.lsf ? (nch == 1 ? 1 : 2) : (nch == 1 ? 5 : 3));
  for (int32_t ch = 0; ch < 2; ch++)
    for (int32_t k = 0; k < 4; k++) side.scfsi[ch][k] = (!st.lsf && ch < nch) ? int32_t(br.Get(1)) : 0;
  for (int32_t gr = 0; gr < st.granules; gr++)
    for (int32_t ch = 0; ch < nch; ch++) ReadGranule(br, st.lsf, st.bands, side.gr[gr][ch], side.bad);
}

}  // namespace

// ---- scalefactors --------------------------------------------------------------------------------------------------
void kvox_l3::ScalefactorsMpeg1(HotBits& bits, const Granule& g, const int32_t* scfsi, int32_t gr, Scalefactors& sf) {
  const int32_t slen1 = kvox_l3tab::kSlen[g.scalefacCompress][0], slen2 = kvox_l3tab::kSlen[g.scalefacCompress][1];
  memset(sf.isMaxL, 7, sizeof sf.isMaxL);
  memset(sf.isMaxS, 7, sizeof sf.isMaxS);
  if (g.blockType == 2) {
    memset(sf.s, 0, sizeof sf.s);
    int32_t firstShort = 0;
    if (g.mixed) {
      for (int32_t band = 0; band < 8; band++) sf.l[band] = uint8_t(bits.Get(slen1));
      for (int32_t band = 8; band < 22; band++) sf.l[band] = 0;
      firstShort = 3;
    }
    for (int32_t band = firstShort; band < 12; band++)
      for (int32_t w = 0; w < 3; w++) sf.s[band][w] = uint8_t(bits.Get(band < 6 ? slen1 : slen2));
    return;
  }
  for (int32_t k = 0; k < 4; k++) {
    const int32_t first = kvox_l3tab::kScfsiBands[k][0], last = kvox_l3tab::kScfsiBands[k][1];
    if (gr == 1 && scfsi[k]) continue;  // granule 1 keeps granule 0's values of this group
    for (int32_t band = first; band <= last; band++) sf.l[band] = uint8_t(bits.Get(k < 2 ? slen1 : slen2));
  }
  sf.l[21] = 0;
}

void kvox_l3::ScalefactorsLsf(HotBits& bits, Granule& g, bool intensityRight, Scalefactors& sf) {
  const int32_t v = intensityRight ? g.scalefacCompress >> 1 : g.scalefacCompress;
  const kvox_l3tab::LsfSlen* row = &kvox_l3tab::kLsfSlen[0];
  for (const kvox_l3tab::LsfSlen& r : kvox_l3tab::kLsfSlen)
    if (r.isRight == intensityRight && v >= r.first && v < r.end) row = &r;
  int32_t u = v - row->first;
  int32_t slen[4] = {0, 0, 0, 0};
  for (int32_t k = 3; k >= 1; k--) {
    if (row->radix[k] > 0) { slen[k] = u % row->radix[k]; u /= row->radix[k]; }
  }
  slen[0] = u;
  g.preflag = row->preflag;
  const int32_t kind = g.blockType == 2 ? (g.mixed ? 2 : 1) : 0;
  const int8_t* counts = kvox_l3tab::kLsfNsfb[row->scase][kind];
  memset(sf.l, 0, sizeof sf.l);
  memset(sf.s, 0, sizeof sf.s);
  memset(sf.isMaxL, 0, sizeof sf.isMaxL);
  memset(sf.isMaxS, 0, sizeof sf.isMaxS);
  int32_t slot = 0;
  for (int32_t part = 0; part < 4; part++) {
    const int32_t n = slen[part];
    const uint8_t max = uint8_t((1 << n) - 1);
    for (int32_t i = 0; i < counts[part]; i++, slot++) {
      const uint8_t value = uint8_t(bits.Get(n));
      if (kind == 0 || (kind == 2 && slot < 6)) {
        sf.l[slot] = value;
        sf.isMaxL[slot] = max;
      } else {
        const int32_t at = kind == 2 ? slot - 6 : slot;
        const int32_t band = (kind == 2 ? 3 : 0) + at / 3;
        sf.s[band][at % 3] = value;
        sf.isMaxS[band] = max;
      }
    }
  }
}

namespace {

// ---- granule -------------------------------------------------------------------------------------------------------
void SilenceGranule(float sets[2][36][32], int32_t gr) {
  Stream& st = gStream;
  for (int32_t oc = 0; oc < st.setup.outChannels; oc++) {
    for (int32_t t = 0; t < 18; t++) memset(sets[oc][18 * gr + t], 0, size_t(st.subbandLimit) * sizeof(float));
    memset(st.overlap[oc], 0, sizeof st.overlap[oc]);
  }
}

// The stereo processing of the frame's mode and mode extension.
struct Joint {
  bool intensity;
  bool midside;
};

Joint JointOf(const Stream& st) {
  const bool joint = st.channels == 2 && st.header.mode == 1;
  return {joint && (st.header.modeExt & 1), joint && (st.header.modeExt & 2)};
}

// Scalefactors, Huffman-coded values and requantisation of one channel, whose part 2 and 3 runs from bit
// `pos` to `end` of the reservoir, into st.xr[ch]. Returns the lines that may be nonzero, -1 when corrupt.
int32_t DecodeChannel(const Side& side, int32_t gr, int32_t ch, Joint joint, uint64_t pos, uint64_t end,
                      Granule& g) {
  Stream& st = gStream;
  HotBits bits{st.reservoir, pos};
  if (st.lsf) ScalefactorsLsf(bits, g, joint.intensity && ch == 1, st.sf[ch]);
  else ScalefactorsMpeg1(bits, g, side.scfsi[ch], gr, st.sf[ch]);
  if (bits.pos > end) return -1;
  const int32_t lineEnd = g.blockType == 2 ? st.lineEndShort : st.lineEndLong;
  float* xr = st.xr[ch];
  const int32_t n = DecodeSpectrum(bits, end, g, lineEnd, xr);
  if (n < 0) return -1;
  memset(xr + n, 0, size_t(576 - n) * sizeof(float));
  ScaleSpectrum(g, st.sf[ch], st.bands, st.setup.gainAdjust, n, xr);
  return n;
}

// Each channel's main data in turn from bit `pos`, which moves past them; a channel the output leaves out is
// stepped over unless the stereo processing needs it (count 0). False when a channel is corrupt.
bool DecodeChannels(const Side& side, int32_t gr, Joint joint, uint64_t& pos, uint64_t bitsEnd, Granule g[2],
                    int32_t count[2]) {
  const Stream& st = gStream;
  bool skip[2] = {false, false};
  if (st.channels == 2 && !joint.intensity && !joint.midside) {
    skip[1] = st.setup.mapping == kKvoxMapLeft;
    skip[0] = st.setup.mapping == kKvoxMapRight;
  }
  for (int32_t ch = 0; ch < st.channels; ch++) {
    g[ch] = side.gr[gr][ch];
    const uint64_t end = pos + uint64_t(g[ch].part23);
    if (end > bitsEnd) return false;
    count[ch] = skip[ch] ? 0 : DecodeChannel(side, gr, ch, joint, pos, end, g[ch]);
    if (count[ch] < 0) return false;
    pos = end;
  }
  return true;
}

// Intensity and mid/side stereo; the counts of possibly nonzero lines grow to what they fill.
void JointStereo(Joint joint, const Granule g[2], int32_t count[2]) {
  Stream& st = gStream;
  if (joint.intensity) {
    Intensity(st.xr[0], st.xr[1], g[1], st.sf[1], st.bands, st.lsf, joint.midside);
    count[0] = count[1] = 576;
  } else if (joint.midside) {
    const int32_t n = count[0] > count[1] ? count[0] : count[1];
    MidSide(st.xr[0], st.xr[1], 0, n);
    count[0] = count[1] = n;
  }
}

// Short-block reordering and alias reduction; describes each channel to the filter bank with the subbands
// that may hold nonzero lines.
void ReorderAndAlias(const Granule g[2], const int32_t count[2], HybridSource src[2]) {
  Stream& st = gStream;
  for (int32_t ch = 0; ch < st.channels; ch++) {
    float* xr = st.xr[ch];
    HybridSource& h = src[ch];
    h.xr = xr;
    h.blockType = g[ch].blockType;
    h.mixed = g[ch].mixed;
    h.longSubbands = st.bands.mixedLines / 18;
    int32_t n = count[ch];
    if (n == 0) { h.subbands = 0; continue; }
    if (g[ch].blockType == 2) {
      n = ReorderShort(g[ch], st.bands, n, xr);
      h.subbands = (n + 17) / 18;
      if (g[ch].mixed) {
        AliasReduce(xr, h.longSubbands - 1);
        if (h.subbands < h.longSubbands) h.subbands = h.longSubbands;
      }
    } else {
      int32_t last = (n + 17) / 18;
      if (last > st.subbandLimit) last = st.subbandLimit;
      AliasReduce(xr, last);
      h.subbands = last + 1;
    }
    if (h.subbands > 32) h.subbands = 32;
  }
}

// The channel transform of the mapping, then the hybrid filter bank into granule gr's time slots of `sets`.
void FilterBank(HybridSource src[2], int32_t gr, float sets[2][36][32]) {
  Stream& st = gStream;
  const int32_t limit = st.subbandLimit;
  float* out0 = &sets[0][18 * gr][0];
  if (st.channels == 1) {
    Hybrid(&src[0], 1, st.overlap[0], limit, out0);
    return;
  }
  switch (st.setup.mapping) {
    case kKvoxMapStereo:
      Hybrid(&src[0], 1, st.overlap[0], limit, out0);
      Hybrid(&src[1], 1, st.overlap[1], limit, &sets[1][18 * gr][0]);
      break;
    case kKvoxMapMix:
      if (src[0].blockType == src[1].blockType && src[0].mixed == src[1].mixed) {
        // The same filter on both channels: mix the spectra and filter once.
        const int32_t sbs = src[0].subbands > src[1].subbands ? src[0].subbands : src[1].subbands;
        for (int32_t i = 0; i < 18 * sbs; i++) st.xr[0][i] += st.xr[1][i];
        src[0].subbands = sbs;
        Hybrid(&src[0], 1, st.overlap[0], limit, out0);
      } else {
        Hybrid(src, 2, st.overlap[0], limit, out0);
      }
      break;
    case kKvoxMapLeft:
      Hybrid(&src[0], 1, st.overlap[0], limit, out0);
      break;
    default:  // kKvoxMapRight
      Hybrid(&src[1], 1, st.overlap[0], limit, out0);
      break;
  }
}

// Decodes granule gr of the frame whose main data starts at bit `pos` of the reservoir; returns the bit
// position after it, or a position past `bitsEnd` when the granule is corrupt (it then decodes to silence).
uint64_t DecodeGranule(const Side& side, int32_t gr, uint64_t pos, uint64_t bitsEnd, float sets[2][36][32]) {
  const Joint joint = JointOf(gStream);
  Granule g[2];
  int32_t count[2] = {0, 0};
  if (!DecodeChannels(side, gr, joint, pos, bitsEnd, g, count)) {
    SilenceGranule(sets, gr);
    return bitsEnd + 1;
  }
  JointStereo(joint, g, count);
  HybridSource src[2];
  ReorderAndAlias(g, count, src);
  FilterBank(src, gr, sets);
  return pos;
}

// A frame that is not decoded at all (the caller writes the zero level): the filter bank's tails are dropped
// too, so the next decoded frame does not pick up an old one.
int32_t SilentFrame() {
  memset(gStream.overlap, 0, sizeof gStream.overlap);
  return 0;
}

}  // namespace

// ---- init ----------------------------------------------------------------------------------------------------------
bool KvoxLayer3Init(const KvoxMpegHeader& header, const KvoxLayer3Setup& setup) {
  Stream& st = gStream;
  st.ready = false;
  if (header.option != 1 || header.srIndex < 0 || header.srIndex > 2) return false;
  if (header.sync == 2 && header.id) return false;  // MPEG 2.5 has no MPEG-1 form
  BuildTables();
  st.header = header;
  st.setup = setup;
  if (st.setup.outChannels < 1) st.setup.outChannels = 1;
  if (st.setup.outChannels > 2) st.setup.outChannels = 2;
  st.lsf = header.id == 0;
  st.channels = header.mode == 3 ? 1 : 2;
  if (st.channels == 1) { st.setup.mapping = kKvoxMapMono; st.setup.outChannels = 1; }
  else if (st.setup.mapping < kKvoxMapStereo || st.setup.mapping > kKvoxMapRight) st.setup.mapping = kKvoxMapStereo;
  if (st.setup.mapping != kKvoxMapStereo) st.setup.outChannels = 1;
  st.granules = header.id ? 2 : 1;
  st.rateIndex = (header.id ? 0 : header.sync == 2 ? 6 : 3) + header.srIndex;
  int32_t limit = setup.subbandLimit;
  if (limit < 1) limit = 1;
  if (limit > 32) limit = 32;
  st.subbandLimit = limit;
  BuildBands(st.rateIndex, &st.bands);
  // Decoded lines: the synthesised subbands plus the 8 lines their alias butterflies read above them; short
  // blocks interleave their windows band by band, so they decode whole bands up to the same frequency.
  st.lineEndLong = 18 * limit + 8 < 576 ? 18 * limit + 8 : 576;
  int32_t band = 0;
  while (band < 13 && st.bands.s[band] < 6 * limit) band++;
  st.lineEndShort = 3 * st.bands.s[band];
  st.write = 0;
  memset(st.reservoir, 0, sizeof st.reservoir);
  memset(st.overlap, 0, sizeof st.overlap);
  memset(st.xr, 0, sizeof st.xr);
  memset(st.sf, 0, sizeof st.sf);
  st.ready = true;
  return true;
}

// ---- decode --------------------------------------------------------------------------------------------------------
int32_t KvoxLayer3Decode(const uint8_t* frame, int32_t available, int32_t* consumed, float sets[2][36][32]) {
  Stream& st = gStream;
  if (!st.ready || !frame || available < 4 || frame[0] != 0xFF) return -1;
  const int32_t syncBits = frame[1] >> 4;
  if (!(syncBits == 0xF || (st.lsf && syncBits == 0xE))) return -1;
  KvoxMpegHeader fh;
  KvoxReadHeader(frame, &fh);
  // The frame's own bit rate (variable bit rate streams change it from frame to frame) over the stream's
  // version and rate; free format keeps the length found at init.
  KvoxMpegHeader lengthOf = st.header;
  lengthOf.brIndex = fh.brIndex;
  int32_t length = KvoxFrameLength(lengthOf);
  if (length == 0) length = st.setup.frameLength;
  length += fh.pad;
  if (length < 1) return -1;  // a frame that cannot be stepped over ends the stream like a bad sync
  if (consumed) *consumed = length;

  // The stream's format is fixed at init: a frame of another version, layer, rate or channel count is not
  // decoded.
  if (fh.id != st.header.id || fh.option != 1 || fh.srIndex != st.header.srIndex || fh.sync != st.header.sync ||
      (fh.mode == 3) != (st.channels == 1))
    return SilentFrame();
  st.header.mode = fh.mode;
  st.header.modeExt = fh.modeExt;
  const int32_t crc = fh.prot ? 0 : 2;

  const int32_t sideBytes = SideBytes(st.lsf, st.channels);
  const int32_t sideAt = 4 + crc;
  const int32_t mainAt = sideAt + sideBytes;
  const int32_t mainLen = length - mainAt;
  if (mainLen < 0) return SilentFrame();  // shorter than its side information
  const int32_t readable = available < length ? available : length;
  Side side;
  BitReader br(frame + (sideAt < readable ? sideAt : readable), size_t(readable > sideAt ? readable - sideAt : 0));
  ReadSide(br, st, side);

  // Bit reservoir.
  int32_t start = st.write - side.mainDataBegin;
  if (st.write > kMoveMark || st.write + mainLen > kReservoir) {
    const int32_t keep = side.mainDataBegin < st.write ? side.mainDataBegin : st.write;
    memmove(st.reservoir, st.reservoir + st.write - keep, size_t(keep));
    st.write = keep;
    start = keep - side.mainDataBegin;
  }
  if (st.write + mainLen > kReservoir) {  // larger than any room the reservoir has: drop what it holds
    st.write = 0;
    return SilentFrame();
  }
  const int32_t have = readable > mainAt ? readable - mainAt : 0;
  const int32_t copy = have < mainLen ? have : mainLen;
  if (copy > 0) memcpy(st.reservoir + st.write, frame + mainAt, size_t(copy));
  if (copy < mainLen) memset(st.reservoir + st.write + copy, 0, size_t(mainLen - copy));
  st.write += mainLen;
  if (start < 0) return SilentFrame();
  if (side.bad) {
    for (int32_t gr = 0; gr < st.granules; gr++) SilenceGranule(sets, gr);
    return st.granules;
  }

  const uint64_t limit = uint64_t(st.write) * 8;
  uint64_t pos = uint64_t(start) * 8;
  for (int32_t gr = 0; gr < st.granules; gr++) {
    if (pos > limit) SilenceGranule(sets, gr);
    else pos = DecodeGranule(side, gr, pos, limit, sets);
  }
  return st.granules;
}
