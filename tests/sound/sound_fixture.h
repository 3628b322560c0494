// Shared pieces of the sound tests: a fake MPEG decoder, the fake wave-out, a fatal-error handler
// that shows the message on standard error (for death tests) and the library's reset between tests.
#pragma once
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "../midas/fake_waveout.h"
#include "midas/midas.h"
#include "sound/kvox.h"
#include "support/logfile.h"

namespace fake_mpeg {

// Frames of 100 bytes that start 0xFF 0xF0; each decodes to 400 bytes of 16-bit stereo PCM made from
// its bytes, so every frame's output is known.
constexpr int32_t kFrame = 100;
constexpr int32_t kOut = 400;

inline int32_t Parse(const uint8_t* data, int32_t count, KvoxMpegHeader* header) {
  if (count < 4 || data[0] != 0xFF || data[1] != 0xF0) return 0;
  *header = KvoxMpegHeader{1, 1, 1, 1, 9, 0, 0, 0, 0, 0, 0, 0, 0};
  return kFrame;
}
inline int32_t inits = 0;
inline int32_t Init(const KvoxMpegHeader*, int32_t, int32_t, int32_t, int32_t, int32_t) {
  inits++;
  return 1;
}
inline void Info(KvoxStreamInfo* out) { *out = KvoxStreamInfo{2, kOut / 2, 44100, 16, kFrame, 0}; }
inline void Expand(const uint8_t* frame, uint8_t* pcm) {
  for (int32_t i = 0; i < kOut; i++) pcm[i] = uint8_t(frame[i % kFrame] + i / kFrame);
}
inline KvoxDecodeResult Decode(const uint8_t* frame, int32_t available, uint8_t* pcm) {
  if (available < 2 || frame[0] != 0xFF || frame[1] != 0xF0) return {0, 0};
  uint8_t whole[kFrame] = {};
  memcpy(whole, frame, size_t(available < kFrame ? available : kFrame));
  Expand(whole, pcm);
  return {kFrame, kOut};
}
inline const KvoxDecoder kDecoder = {Init, Info, Decode};

// `count` frames, frame n carrying n in bytes 2 and 3.
inline std::vector<uint8_t> Stream(int32_t count) {
  std::vector<uint8_t> s(static_cast<size_t>(count) * kFrame);
  for (int32_t n = 0; n < count; n++) {
    uint8_t* f = s.data() + size_t(n) * kFrame;
    f[0] = 0xFF;
    f[1] = 0xF0;
    f[2] = uint8_t(n);
    f[3] = uint8_t(n >> 8);
    for (int32_t i = 4; i < kFrame; i++) f[i] = uint8_t(n * 31 + i);
  }
  return s;
}

// The PCM the whole stream decodes to.
inline std::vector<uint8_t> Pcm(const std::vector<uint8_t>& stream, size_t skip = 0) {
  std::vector<uint8_t> out;
  for (size_t at = skip; at + kFrame <= stream.size(); at += kFrame) {
    uint8_t pcm[kOut];
    Expand(stream.data() + at, pcm);
    out.insert(out.end(), pcm, pcm + kOut);
  }
  return out;
}

}  // namespace fake_mpeg

// The real decoder's output of a stream (up to about `limit` bytes), frame by frame as the player decodes.
inline std::vector<uint8_t> DecodeWhole(const std::vector<uint8_t>& mp3, KvoxStreamInfo* info,
                                        size_t limit = SIZE_MAX) {
  KvoxMpegHeader h{};
  const int32_t length = KvoxParseHeader(mp3.data(), int32_t(mp3.size()), &h);
  std::vector<uint8_t> out, pcm(8192);
  if (length <= 0 || KvoxDecoderTable[0].init(&h, length, 0, 0, 0, 24000) != 1) {
    ADD_FAILURE() << "the decoder does not take the stream";
    return out;
  }
  KvoxDecoderTable[0].info(info);
  for (size_t at = 0; out.size() < limit && mp3.size() - at >= size_t(length);) {
    KvoxDecodeResult r = KvoxDecoderTable[0].decode(mp3.data() + at, int32_t(mp3.size() - at), pcm.data());
    if (r.consumed <= 0) break;
    out.insert(out.end(), pcm.begin(), pcm.begin() + r.produced);
    at += size_t(r.consumed);
  }
  return out;
}

inline void ShowFatal(const char* message) { fprintf(stderr, "fatal: %s\n", message); }

// Every sound test starts from the same library state: no stream, the fake decoder, the fake wave-out,
// errors returned as codes, and a current driver of the test's choice.
struct SoundTest : ::testing::Test {
  void SetUp() override {
    fake_waveout::Install();
    KVOX_SetErrorHandler(ShowFatal);
    KvoxUseDecoder(&fake_mpeg::kDecoder, fake_mpeg::Parse);
    if (KVOX_Player.prepared) KVOX_FreeMPG();
    KVOX_Flags = 0;
  }
  void TearDown() override {
    if (KVOX_Player.prepared) KVOX_FreeMPG();
    if (KVOX_CurrentDriver) KVOX_Uninit();
    KvoxUseDecoder(nullptr, nullptr);
    KVOX_Flags = 0;
  }
};
