// What the effect benchmarks share: a frame to draw on over a fixed background, the median time of
// a draw over 600 frames, and the result table with its RESULT lines.
#pragma once
#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <vector>

#include "demo/engine/frame.h"

namespace frametimer {

constexpr int32_t kFrames = 600;

struct Row {
  const char* name;
  double ms;
};

inline std::vector<uint16_t> frame(320 * 200), background(320 * 200);

inline void MakeBackground() {
  for (size_t i = 0; i < background.size(); i++) background[i] = uint16_t(i * 2654435761u >> 16);
}

// The median time of one frame over the window (the median, not the mean, so that a busy machine's
// pauses do not count), in milliseconds; each frame starts from the background, as after the row
// that draws it.
template <class Draw>
double MsPerFrame(Draw draw) {
  std::vector<double> times;
  for (int32_t i = 0; i < kFrames; i++) {
    const auto start = std::chrono::steady_clock::now();
    memcpy(frame.data(), background.data(), frame.size() * 2);
    draw(FrameTarget{frame.data(), 320, 200, 0}, float(i) / kFrames);
    times.push_back(std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count());
  }
  std::sort(times.begin(), times.end());
  return times[times.size() / 2];
}

// The table against the peer (one plain frame copy) and one RESULT line per effect.
inline void PrintRows(const std::vector<Row>& rows, double copy) {
  const double peer = copy > 0 ? copy : 1e-9;
  printf("peer: frame copy %.4f ms per frame\n", copy);
  printf("%-14s %12s %14s %8s\n", "effect", "ms/frame", "x frame copy", "goal");
  for (const Row& r : rows)
    printf("%-14s %12.4f %14.1f %8s\n", r.name, r.ms, r.ms / peer, r.ms < 1.0 ? "< 1 ms" : "OVER");
  for (const Row& r : rows) printf("RESULT effect=%s ms_per_frame=%.4f ratio_to_frame_copy=%.1f\n", r.name, r.ms, r.ms / peer);
}

}  // namespace frametimer
