#include "mpeg/mpeg_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <numbers>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "sound/mpeg_layer3.h"
#include "support/logfile.h"

namespace mpegtest {

const std::string& StreamDir() {
  // The CTest fixture MpegStreams.Make fills the folder once per build; a program started by hand (with
  // the fixture not yet run) runs the same script, which redoes nothing that is up to date.
  static std::string dir;
  static bool tried = false;
  if (!tried) {
    tried = true;
    const char* bin = getenv("TARVON_BIN");
    std::string binDir = bin ? bin : std::string(TARVON_BINARY_DIR) + "/bin";
    std::string out = TARVON_STREAM_DIR;
    FILE* done = fopen((out + "/streams.done").c_str(), "rb");
    if (done) fclose(done);
    std::string cmd = "sh " + std::string(TARVON_SOURCE_DIR) + "/tests/mpeg/make-streams.sh " + out + " " + binDir;
#if defined(_WIN32)
    cmd.clear();   // the native build's tests make them
#endif
    if (done || (!cmd.empty() && system(cmd.c_str()) == 0)) dir = out + "/";
  }
  static bool reported = false;
  if (dir.empty() && !reported) {
    reported = true;
    ADD_FAILURE() << "the test streams could not be made (ffmpeg, lame, twolame, sox, l1enc needed)";
  }
  return dir;
}

std::vector<uint8_t> ReadFile(const std::string& path) { return ReadBytes(path); }

std::vector<float> ReadFloats(const std::string& path) {
  std::vector<uint8_t> d = ReadFile(path);
  std::vector<float> x(d.size() / 4);
  memcpy(x.data(), d.data(), x.size() * 4);
  for (float& v : x) v *= 32768.0f;
  return x;
}

std::vector<float> Decoded::Samples() const {
  std::vector<float> x;
  if (info.bits == 8) {
    x.resize(pcm.size());
    for (size_t i = 0; i < pcm.size(); i++) x[i] = (float(pcm[i]) - 128.0f) * 256.0f;
  } else {
    x.resize(pcm.size() / 2);
    for (size_t i = 0; i < x.size(); i++) x[i] = float(int16_t(pcm[2 * i] | pcm[2 * i + 1] << 8));
  }
  return x;
}

Decoded Decode(const std::vector<uint8_t>& stream, int32_t reduction, int32_t conversion, int32_t frequencyLimit) {
  Decoded r;
  const uint8_t* p = stream.data();
  int32_t left = int32_t(stream.size());
  r.frameLength = KvoxParseHeader(p, left, &r.header);
  if (r.frameLength <= 0) return r;
  const KvoxDecoder& dec = KvoxDecoderTable[0];
  if (!dec.init(&r.header, r.frameLength, reduction, 0, conversion, frequencyLimit)) return r;
  dec.info(&r.info);
  r.ok = true;
  size_t frameBytes = size_t(r.info.values) * size_t(r.info.bits / 8);
  while (left >= r.frameLength) {
    size_t at = r.pcm.size();
    r.pcm.resize(at + frameBytes);
    KvoxDecodeResult res = dec.decode(p, left, r.pcm.data() + at);
    if (res.consumed <= 0) {
      r.pcm.resize(at);
      break;
    }
    EXPECT_EQ(size_t(res.produced), frameBytes);
    r.frames++;
    if (res.consumed > left) res.consumed = left;
    p += res.consumed;
    left -= res.consumed;
  }
  return r;
}

int32_t Align(const std::vector<float>& ours, const std::vector<float>& ref, int ch, int32_t lo, int32_t hi) {
  // Match the loudest 2048-frame stretch of ours (clear of the ends by the search range). Offset 0 is
  // kept unless another is clearly better, so silence and near-silence align at 0.
  const int64_t frames = int64_t(ours.size()) / ch, len = 2048;
  int64_t start = std::max<int64_t>(0, hi);
  double bestE = -1;
  for (int64_t s = start; s + len + std::max(0, -lo) <= frames; s += len / 2) {
    double e = 0;
    for (int64_t i = s * ch; i < (s + len) * ch; i++) e += double(ours[size_t(i)]) * ours[size_t(i)];
    if (e > bestE) { bestE = e; start = s; }
  }
  auto err = [&](int32_t d) {
    double s = 0;
    int64_t n = 0;
    for (int64_t i = start; i < start + len && i < frames; i++) {
      int64_t j = i - d;
      if (j < 0 || (j + 1) * ch > int64_t(ref.size())) continue;
      for (int c = 0; c < ch; c++) {
        double e = ours[size_t(i * ch + c)] - ref[size_t(j * ch + c)];
        s += e * e;
      }
      n++;
    }
    return n > len / 2 ? s / double(n) : 1e300;
  };
  double best = err(0);
  int32_t bestD = 0;
  for (int32_t d = lo; d <= hi; d++) {
    double e = err(d);
    if (e < best * 0.9 - 1e-6) { best = e; bestD = d; }
  }
  return bestD;
}

Error Compare(const std::vector<float>& ours, const std::vector<float>& ref, int ch, int32_t d, double margin,
              int64_t skipRef, int64_t endRef) {
  Error e;
  double s = 0;
  int64_t frames = int64_t(ours.size()) / ch;
  for (int64_t i = 0; i < frames; i++) {
    int64_t j = i - d;
    if (j < skipRef || j >= endRef || (j + 1) * ch > int64_t(ref.size())) continue;
    for (int c = 0; c < ch; c++) {
      double r = ref[size_t(j * ch + c)];
      if (r > 32767.0 - margin || r < -32768.0 + margin) continue;
      double x = double(ours[size_t(i * ch + c)]) - r;
      s += x * x;
      e.max = std::fmax(e.max, std::fabs(x));
      e.count++;
    }
  }
  e.rms = e.count ? std::sqrt(s / double(e.count)) : 0;
  return e;
}

std::vector<float> Channel(const std::vector<float>& st, int which) {
  std::vector<float> x(st.size() / 2);
  for (size_t i = 0; i < x.size(); i++)
    x[i] = which == 0 ? st[2 * i] : which == 1 ? st[2 * i + 1] : (st[2 * i] + st[2 * i + 1]) * 0.5f;
  return x;
}

std::vector<float> LowpassDecimate(const std::vector<float>& x, int ch, double cutoff, int factor, int phase) {
  const int half = 400;
  std::vector<double> h(2 * half + 1);
  double sum = 0;
  for (int k = -half; k <= half; k++) {
    double w = 0.42 + 0.5 * std::cos(std::numbers::pi * k / half) + 0.08 * std::cos(2 * std::numbers::pi * k / half);
    double s = k == 0 ? 2 * cutoff : std::sin(2 * std::numbers::pi * cutoff * k) / (std::numbers::pi * k);
    h[size_t(k + half)] = s * w;
    sum += s * w;
  }
  for (double& v : h) v /= sum;
  int64_t frames = int64_t(x.size()) / ch;
  std::vector<float> out;
  for (int64_t i = phase; i < frames; i += factor)
    for (int c = 0; c < ch; c++) {
      double s = 0;
      for (int k = -half; k <= half; k++) {
        int64_t j = i + k;
        if (j >= 0 && j < frames) s += h[size_t(k + half)] * x[size_t(j * ch + c)];
      }
      out.push_back(float(s));
    }
  return out;
}

std::vector<uint8_t> ToFreeFormat(const std::vector<uint8_t>& stream) {
  std::vector<uint8_t> out = stream;
  size_t at = 0;
  while (at + 4 <= out.size()) {
    KvoxMpegHeader h;
    int32_t length = KvoxParseHeader(stream.data() + at, int32_t(stream.size() - at), &h);
    if (length <= 0) break;
    out[at + 2] &= 0x0F;
    at += size_t(length) + size_t(h.pad) * (h.option == 3 ? 4 : 1);
  }
  return out;
}

}  // namespace mpegtest
