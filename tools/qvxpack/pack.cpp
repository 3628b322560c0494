// Method choice for one entry.
#include "tools/qvxpack/pack.h"

#include <algorithm>

#include "runtime/archive_codecs.h"
#include "runtime/archive_format.h"
#include "runtime/log.h"
#include "tools/qvxpack/bwt_encode.h"
#include "tools/qvxpack/lzh_encode.h"
#include "tools/qvxpack/ppm_encode.h"
#include "tools/qvxpack/quiet.h"

namespace {

constexpr size_t kOrderSample = 1 << 18;   // bytes on which auto chooses the PPM order

std::vector<uint8_t> Encode(int method, const uint8_t* data, size_t n, int order) {
  switch (method) {
    case METHOD_LZH: return LzhEncode(data, n);
    case METHOD_BWT: return BwtEncode(data, n);
    case METHOD_PPM: {
      for (int o = order; o >= 0; o--) {
        std::vector<uint8_t> out = PpmEncode(data, n, o);
        if (!out.empty()) return out;
      }
      return {};
    }
    default: return std::vector<uint8_t>(data, data + n);
  }
}

// The decoders end a refused stream through Fatal; RunGuarded brings it back here.
struct UnpackJob {
  const PackedEntry* entry;
  std::vector<uint8_t>* out;
};
UnpackJob gJob;

void RunUnpack() {
  const PackedEntry& e = *gJob.entry;
  BitReader in(e.data.data(), e.data.size());
  uint8_t* out = gJob.out->data();
  int32_t n = int32_t(gJob.out->size());
  if (e.method == METHOD_LZH) DecodeLZH(in, out, n);
  else if (e.method == METHOD_BWT) DecodeBWT(in, out, n);
  else DecodePPM(in, out, n);
  qvx::DeltaDecode(out, size_t(n), e.delta);
}

}  // namespace

bool UnpacksTo(const PackedEntry& e, const uint8_t* expected, size_t n) {
  if (e.method == METHOD_STORE) return e.data.size() == n && std::equal(e.data.begin(), e.data.end(), expected);
  std::vector<uint8_t> out(n);
  gJob = {&e, &out};
  int32_t savedDebug = DebugMode;
  DebugMode = 0;
  bool died = RunQuietly(RunUnpack, nullptr);
  DebugMode = savedDebug;
  if (died) return false;
  return std::equal(out.begin(), out.end(), expected);
}

int MethodFromName(const std::string& name) {
  if (name == "store") return METHOD_STORE;
  if (name == "lzh") return METHOD_LZH;
  if (name == "bwt") return METHOD_BWT;
  if (name == "ppm") return METHOD_PPM;
  if (name == "auto") return kMethodAuto;
  return -2;
}

PackedEntry PackEntry(const uint8_t* data, size_t n, int method, const PackOptions& opt) {
  PackedEntry best;
  best.checksum = qvx::Adler32(data, n);
  best.method = METHOD_STORE;
  best.data.assign(data, data + n);

  std::vector<uint8_t> filtered;
  auto input = [&](int delta) -> const uint8_t* {
    if (delta == 0) return data;
    filtered.assign(data, data + n);
    qvx::DeltaEncode(filtered.data(), n, delta);
    return filtered.data();
  };
  auto consider = [&](int m, int delta, std::vector<uint8_t>&& packed, bool forced) {
    if (packed.empty() && n > 0) return false;
    if (!forced && packed.size() >= best.data.size()) return false;
    PackedEntry candidate;
    candidate.method = m;
    candidate.delta = delta;
    candidate.checksum = best.checksum;
    candidate.data = std::move(packed);
    if (opt.verify && !UnpacksTo(candidate, data, n)) return false;
    best = std::move(candidate);
    return true;
  };

  if (method == METHOD_STORE || n == 0) return best;   // nothing to gain on no bytes
  if (method != kMethodAuto) {
    const uint8_t* in = input(opt.delta);
    if (consider(method, opt.delta, Encode(method, in, n, opt.order), true)) return best;
    best.note = std::string(qvx::kMethodNames[method]) + " cannot take this entry, packed with LZH";
    if (method != METHOD_LZH && consider(METHOD_LZH, opt.delta, LzhEncode(in, n), true)) return best;
    best.note = std::string(qvx::kMethodNames[method]) + " cannot take this entry, stored";
    return best;
  }

  int ppmOrder = opt.order;
  for (int delta = 0; delta <= 4 && size_t(delta) < n; delta++) {
    const uint8_t* in = input(delta);
    consider(METHOD_LZH, delta, LzhEncode(in, n), false);
    consider(METHOD_BWT, delta, BwtEncode(in, n), false);
    if (delta == 0) {
      // The model order that suits these bytes, then kept for the filtered variants. A large
      // entry chooses it on its first part, so the whole entry is modelled once.
      const size_t sample = std::min<size_t>(n, kOrderSample);
      size_t bestSize = SIZE_MAX;
      for (int o : {2, 4, 6}) {
        std::vector<uint8_t> p = Encode(METHOD_PPM, in, sample, o);
        if (p.empty()) continue;
        if (p.size() < bestSize) { bestSize = p.size(); ppmOrder = o; }
        if (sample == n) consider(METHOD_PPM, delta, std::move(p), false);
      }
      if (sample < n) consider(METHOD_PPM, delta, Encode(METHOD_PPM, in, n, ppmOrder), false);
    } else {
      consider(METHOD_PPM, delta, Encode(METHOD_PPM, in, n, ppmOrder), false);
    }
  }
  return best;
}
