// Method choice for one entry.
#include "tools/qvxpack/pack.h"

#include <algorithm>
#include <atomic>
#include <thread>

#include "runtime/archive_codecs.h"
#include "runtime/archive_format.h"
#include "runtime/log.h"
#include "tools/qvxpack/bwt_encode.h"
#include "tools/qvxpack/lzh_encode.h"
#include "tools/qvxpack/ppm_encode.h"

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

// Runs job(0) .. job(count - 1) on up to one thread per processor, each job once.
template <typename Job>
void RunInParallel(size_t count, const Job& job) {
  size_t threads = std::min<size_t>(count, std::max(1u, std::thread::hardware_concurrency()));
  std::atomic<size_t> next{0};
  auto work = [&] {
    for (size_t k; (k = next.fetch_add(1)) < count;) job(k);
  };
  std::vector<std::thread> pool;
  for (size_t t = 1; t < threads; t++) pool.emplace_back(work);
  work();
  for (std::thread& t : pool) t.join();
}

}  // namespace

bool UnpacksTo(const PackedEntry& e, const uint8_t* expected, size_t n) {
  if (e.method == METHOD_STORE) return e.data.size() == n && std::equal(e.data.begin(), e.data.end(), expected);
  std::vector<uint8_t> out(n);
  BitReader in(e.data.data(), e.data.size());
  Failure why;
  const int32_t count = int32_t(n);
  // The check logs nothing: an incomplete code would log CompCodes()'s error lines.
  const int32_t savedDebug = DebugMode;
  DebugMode = 0;
  const bool whole = e.method == METHOD_LZH   ? DecodeLZH(in, out.data(), count, why)
                     : e.method == METHOD_BWT ? DecodeBWT(in, out.data(), count, why)
                                              : DecodePPM(in, out.data(), count, why);
  DebugMode = savedDebug;
  if (!whole) return false;
  qvx::DeltaDecode(out.data(), n, e.delta);
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

  // Auto: every candidate is packed first, on as many threads as the machine has, and then
  // considered in a fixed order (delta 0 to 4; LZH, BWT, PPM), so the choice is the same as a
  // single thread's. The PPM order is chosen on the unfiltered bytes, on their first part for a
  // large entry, and kept for the filtered variants, so the whole entry is modelled once per delta.
  const int deltas = int(std::min<size_t>(n, 5));
  std::vector<std::vector<uint8_t>> inputs(static_cast<size_t>(deltas));
  for (int delta = 1; delta < deltas; delta++) {
    inputs[size_t(delta)].assign(data, data + n);
    qvx::DeltaEncode(inputs[size_t(delta)].data(), n, delta);
  }
  auto bytesOf = [&](int delta) { return delta == 0 ? data : inputs[size_t(delta)].data(); };

  const size_t sample = std::min<size_t>(n, kOrderSample);
  const int sampleOrders[3] = {2, 4, 6};
  std::vector<uint8_t> samplePacked[3];
  RunInParallel(3, [&](size_t k) { samplePacked[k] = Encode(METHOD_PPM, data, sample, sampleOrders[k]); });
  int ppmOrder = opt.order;
  size_t bestSample = SIZE_MAX;
  for (int k = 0; k < 3; k++) {
    if (samplePacked[k].empty() || samplePacked[k].size() >= bestSample) continue;
    bestSample = samplePacked[k].size();
    ppmOrder = sampleOrders[k];
  }

  struct Candidate {
    int method, delta;
    std::vector<uint8_t> packed;
  };
  std::vector<Candidate> candidates;
  for (int delta = 0; delta < deltas; delta++)
    for (int m : {METHOD_LZH, METHOD_BWT, METHOD_PPM}) candidates.push_back({m, delta, {}});
  // The slowest first, so that no long job starts last: PPM, then BWT, then LZH.
  std::vector<size_t> jobs(candidates.size());
  for (size_t k = 0; k < jobs.size(); k++) jobs[k] = k;
  std::stable_sort(jobs.begin(), jobs.end(), [&](size_t x, size_t y) { return candidates[x].method > candidates[y].method; });
  RunInParallel(jobs.size(), [&](size_t j) {
    Candidate& c = candidates[jobs[j]];
    if (c.method == METHOD_PPM && c.delta == 0 && sample == n) return;   // packed with the sample
    c.packed = Encode(c.method, bytesOf(c.delta), n, c.method == METHOD_PPM ? ppmOrder : 0);
  });
  for (Candidate& c : candidates) {
    if (c.method == METHOD_PPM && c.delta == 0 && sample == n) {
      // Each sampled order of a small entry is a whole candidate of its own.
      for (std::vector<uint8_t>& p : samplePacked) consider(METHOD_PPM, 0, std::move(p), false);
      continue;
    }
    consider(c.method, c.delta, std::move(c.packed), false);
  }
  return best;
}
