// Helpers of the MPEG decoder tests: the generated test streams, whole-stream decoding through the decoder
// record (the way the player drives it), start alignment against ffmpeg's float decode, and error figures.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "sound/mpeg.h"

namespace mpegtest {

// Folder of the generated streams (made once per build by make-streams.sh); "" and a test failure when
// the script fails.
const std::string& StreamDir();

std::vector<uint8_t> ReadFile(const std::string& path);
std::vector<float> ReadFloats(const std::string& path);  // scaled to the 16-bit range (x 32768)

struct Decoded {
  KvoxMpegHeader header{};
  int32_t frameLength = 0;
  KvoxStreamInfo info{};
  int64_t frames = 0;
  bool ok = false;
  std::vector<uint8_t> pcm;
  std::vector<float> Samples() const;  // PCM as floats (8-bit: centred and x 256)
};

// Decodes the whole stream as the player does (stop at a bad sync or when fewer than the first frame's
// length are left).
Decoded Decode(const std::vector<uint8_t>& stream, int32_t reduction = 0, int32_t conversion = 0,
               int32_t frequencyLimit = 24000);

// Offset (in sample frames) d that best maps ours[i] onto ref[i - d], searched in [lo, hi].
int32_t Align(const std::vector<float>& ours, const std::vector<float>& ref, int channels, int32_t lo,
              int32_t hi);

struct Error {
  double rms = 0, max = 0;
  int64_t count = 0;
};
// Error of ours against ref[i - d] (per sample frame), skipping reference samples within `clipMargin` of the
// 16-bit limits; only reference sample frames from `skipRef` to `endRef` (exclusive) count.
Error Compare(const std::vector<float>& ours, const std::vector<float>& ref, int channels, int32_t d,
              double clipMargin = 2.0, int64_t skipRef = 0, int64_t endRef = INT64_MAX);

// One channel, or the average of both, of an interleaved stereo reference.
std::vector<float> Channel(const std::vector<float>& stereo, int which);  // 0 left, 1 right, 2 average
// Windowed-sinc low-pass at `cutoff` (fraction of the sample rate), zero delay, then every `factor`-th
// sample starting at `phase` (per channel).
std::vector<float> LowpassDecimate(const std::vector<float>& x, int channels, double cutoff, int factor,
                                   int phase);

// Rewrites every frame header of a constant-bit-rate stream to bit-rate index 0 (free format).
std::vector<uint8_t> ToFreeFormat(const std::vector<uint8_t>& stream);

}  // namespace mpegtest
