// The MPEG decoder's frame layer: header parse (with the free-format length search), init, info and the
// decode dispatch to Layers I/II (mpeg_layer12.cpp) or Layer III (mpeg_layer3.cpp), then the synthesis.
//
// Sections: decoder state | header parse | init | decode | decoder table
#include "sound/mpeg.h"

#include <cstring>

#include "sound/mpeg_layer12.h"
#include "sound/mpeg_layer3.h"
#include "sound/mpeg_synth.h"
#include "sound/mpeg_tables12.h"

namespace {
using namespace kvox_tables;

// ---- decoder state ----------------------------------------------------------------------------------------
enum class Layer { none, layer12, layer3 };

struct DecoderState {
  Layer layer = Layer::none;
  KvoxLayer12Setup setup12{};
  KvoxSynthRoutine synth = nullptr;
  KvoxStreamInfo info{};
  int32_t outBytes = 0;
  int32_t granules = 2;   // Layer III granules per frame of the stream (a frame never writes more)
  uint8_t zeroLevel = 0;
  alignas(64) float sets[2][36][32];
};
DecoderState gDec;

constexpr int32_t kLookLimit = 10000;
constexpr int32_t kFreeStart = 24;
constexpr int32_t kFreeEnd = 2000;

// ---- header parse --------------------------------------------------------------------------------------
int32_t LayerOf(const KvoxMpegHeader& h) { return 4 - h.option; }  // layer code 3, 2, 1 -> Layer I, II, III

// Whether the two header bytes of the first frame repeat at p.
bool HeaderAt(const uint8_t* d, int32_t p) { return d[p] == d[0] && d[p + 1] == d[1]; }

// Free format: the frame length (without padding) that walks from frame to frame to the end of the data.
int32_t FreeFormatLength(const uint8_t* d, int32_t count, const KvoxMpegHeader& h) {
  const int32_t unit = KvoxPaddingUnit(h);
  const int32_t firstPad = h.pad * unit;
  const int32_t n = count - 3;
  for (int32_t start = kFreeStart; start < kFreeEnd;) {
    int32_t p = 0;
    for (int32_t q = start; q < n; q++)
      if (HeaderAt(d, q)) { p = q; break; }
    start = p + 1;
    int32_t length = p - firstPad;
    if (length <= 0) return 0;
    int32_t matches = 0;
    int32_t pos = length + firstPad;
    bool rejected = false;
    while (pos < n) {
      if (!HeaderAt(d, pos)) { rejected = true; break; }
      matches++;
      pos += length + ((d[pos + 2] >> 1) & 1) * unit;
    }
    if (!rejected && matches > 0) return length;
  }
  return 0;
}
}  // namespace

int32_t KvoxStreamRate(const KvoxMpegHeader& h) {
  if (h.srIndex < 0 || h.srIndex > 2) return 0;
  const int32_t rate = kvox_tables::kSampleRate[h.id ? 1 : 0][h.srIndex];
  return h.sync == 2 ? rate / 2 : rate;
}

void KvoxReadHeader(const uint8_t* data, KvoxMpegHeader* header) {
  KvoxMpegHeader h;
  h.sync = (data[1] >> 4) == 0xF ? 1 : 2;
  h.id = (data[1] >> 3) & 1;
  h.option = (data[1] >> 1) & 3;
  h.prot = data[1] & 1;
  h.brIndex = data[2] >> 4;
  h.srIndex = (data[2] >> 2) & 3;
  h.pad = (data[2] >> 1) & 1;
  h.privateBit = data[2] & 1;
  h.mode = data[3] >> 6;
  h.modeExt = (data[3] >> 4) & 3;
  h.cr = (data[3] >> 3) & 1;
  h.home = (data[3] >> 2) & 1;
  h.emphasis = data[3] & 3;
  *header = h;
}

int32_t KvoxFrameLength(const KvoxMpegHeader& h) {
  if (h.option < 1 || h.option > 3 || h.brIndex < 1 || h.brIndex > 14 || h.srIndex < 0 || h.srIndex > 2) return 0;
  const int32_t id = h.id ? 1 : 0, layer = LayerOf(h);
  const int32_t br = kBitrate[id][layer - 1][h.brIndex];
  const int32_t sr50 = kSampleRate[id][h.srIndex] / 50;
  // MPEG 2.5 (sync 2) counts its half rates with the MPEG-1 multiplier over the MPEG-2 figure of sr50.
  const int32_t multiplier = kFrameMultiplier[h.sync == 2 ? 1 : id][layer - 1];
  return kSlotBytes[layer - 1] * (multiplier * br / sr50);
}

int32_t KvoxPaddingUnit(const KvoxMpegHeader& h) { return kSlotBytes[LayerOf(h) == 1 ? 0 : 1]; }

int32_t KvoxParseHeader(const uint8_t* data, int32_t count, KvoxMpegHeader* header) {
  if (!data || !header || count < 4) return 0;
  if (count > kLookLimit) count = kLookLimit;
  if (data[0] != 0xFF) return 0;
  const int32_t top = data[1] >> 4;
  if (top != 0xF && top != 0xE) return 0;
  KvoxReadHeader(data, header);
  const KvoxMpegHeader& h = *header;
  if (h.option == 0) return 0;
  if (h.sync == 2 && h.id == 1) return 0;  // sync 0xFFE with the MPEG-1 bit is a reserved version
  if (h.brIndex == 0) {
    if (h.srIndex == 3) return 0;
    return FreeFormatLength(data, count, h);
  }
  return KvoxFrameLength(h);
}

namespace {
// ---- init ------------------------------------------------------------------------------------------------------
// Subbands decoded: those below the frequency limit (rounded), at most 32 >> reduction. At a lowered rate the
// top subband of the kept band would fold back across the new Nyquist frequency, so it is left out there.
int32_t SubbandLimit(int32_t frequencyLimit, int32_t rate, int32_t reduction) {
  int64_t limit = (int64_t(frequencyLimit) * 64 + rate / 2) / rate;
  int32_t top = 32 >> reduction;
  if (limit > top) limit = top;
  if (reduction > 0 && limit > 8) limit--;
  return int32_t(limit);
}

// The record's `transform` argument selects nothing in this decoder: it is left unnamed.
int32_t Init(const KvoxMpegHeader* header, int32_t frameLength, int32_t reduction, int32_t /*transform*/,
             int32_t conversion, int32_t frequencyLimit) {
  gDec.layer = Layer::none;
  if (!header || frameLength < 1) return 0;
  const KvoxMpegHeader& h = *header;
  if (h.option < 1 || h.option > 3) return 0;
  const int32_t rate = KvoxStreamRate(h);
  if (rate == 0) return 0;  // reserved sample rate (reachable through free format)
  if (reduction < 0) reduction = 0;
  if (reduction > 2) reduction = 2;
  if (frequencyLimit < 1000) frequencyLimit = 1000;
  if (frequencyLimit > 1000000) frequencyLimit = 1000000;

  const int32_t layer = LayerOf(h);
  const int32_t channels = h.mode == 3 ? 1 : 2;
  const bool eight = (conversion & 8) != 0;
  // Conversion bits 0-1 (0 keep, 1 mix, 2 left, 3 right) in the synthesis's numbering of mappings.
  const int32_t mapping = channels == 1 ? kKvoxMapMono : kKvoxMapStereo + (conversion & 3);
  const int32_t outChannels = mapping == kKvoxMapStereo ? 2 : 1;
  int32_t limit = SubbandLimit(frequencyLimit, rate, reduction);
  int32_t values;

  KvoxLayer12Tables();
  if (layer == 3) {
    KvoxLayer3Setup s;
    s.frameLength = frameLength;
    s.subbandLimit = limit;
    s.frequencyLimit = frequencyLimit;
    s.reduction = reduction;
    s.gainAdjust = mapping == kKvoxMapMix ? -4 : 0;  // the sum of both channels at half gain each
    s.mapping = mapping;
    s.outChannels = outChannels;
    if (!KvoxLayer3Init(h, s)) return 0;
    values = (h.id ? 1152 : 576) >> reduction;
    gDec.granules = h.id ? 2 : 1;
    gDec.synth = KvoxSynthLayer3(eight, reduction, outChannels);
    gDec.layer = Layer::layer3;
  } else {
    if (h.sync != 1) return 0;
    int32_t table = -1;
    if (layer == 2) {
      table = KvoxLayer2AllocTable(h, frameLength);
      if (table < 0) return 0;
      if (limit > kAllocTable[table].sblimit) limit = kAllocTable[table].sblimit;
    }
    gDec.setup12 = {layer, channels, table, limit, frameLength, rate};
    values = (layer == 1 ? 384 : 1152) >> reduction;
    gDec.synth = KvoxSynthLayer12(eight, reduction, mapping);
    gDec.layer = Layer::layer12;
  }
  values *= outChannels;
  gDec.outBytes = eight ? values : 2 * values;
  gDec.zeroLevel = eight ? 128 : 0;
  gDec.info = {outChannels, values, rate >> reduction, eight ? 8 : 16, frameLength, 0};
  memset(gDec.sets, 0, sizeof gDec.sets);
  KvoxSynthInit();
  return 1;
}

void Info(KvoxStreamInfo* out) {
  if (out) *out = gDec.info;
}

// ---- decode ------------------------------------------------------------------------------------------------------
KvoxDecodeResult Decode(const uint8_t* frame, int32_t available, uint8_t* pcm) {
  if (!frame || !pcm || available < 4 || gDec.layer == Layer::none) return {0, 0};
  int32_t consumed = 0;
  if (gDec.layer == Layer::layer12) {
    int32_t sets = KvoxLayer12Decode(frame, available, gDec.setup12, gDec.sets, &consumed);
    if (sets < 0) return {0, 0};
    gDec.synth(gDec.sets, sets, pcm);
    return {consumed, gDec.outBytes};
  }
  int32_t granules = KvoxLayer3Decode(frame, available, &consumed, gDec.sets);
  if (granules < 0) return {0, 0};
  if (granules > gDec.granules) granules = gDec.granules;
  if (granules == 0) memset(pcm, gDec.zeroLevel, size_t(gDec.outBytes));
  else gDec.synth(gDec.sets, 18 * granules, pcm);
  return {consumed, gDec.outBytes};
}
}  // namespace

// ---- decoder table ---------------------------------------------------------------------------------------------
const KvoxDecoder KvoxDecoderTable[1] = {{Init, Info, Decode}};
