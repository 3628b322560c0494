// Shared pieces of the sound tests: a fake MPEG decoder, the fake wave-out, a fatal-error handler
// that shows the message on standard error (for death tests) and the library's reset between tests.
#pragma once
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "../midas/fake_waveout.h"
#include "midas/midas.h"
#include "sound/kvox.h"

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

inline void ShowFatal(const char* message) { fprintf(stderr, "fatal: %s\n", message); }

// Each test works in a folder of its own (the tests of one program may run side by side, and they write
// log.txt, output.wav and their inputs).
inline void EnterTestFolder() {
  const ::testing::TestInfo* t = ::testing::UnitTest::GetInstance()->current_test_info();
  const std::string dir = std::string(t->test_suite_name()) + "." + t->name();
  mkdir(dir.c_str(), 0755);
  if (chdir(dir.c_str()) != 0) ADD_FAILURE() << "cannot enter " << dir;
}
inline void LeaveTestFolder() {
  if (chdir("..") != 0) ADD_FAILURE() << "cannot leave the test folder";
}

// Every sound test starts from the same library state: no stream, the fake decoder, the fake wave-out,
// errors returned as codes, and a current driver of the test's choice.
struct SoundTest : ::testing::Test {
  void SetUp() override {
    EnterTestFolder();
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
    LeaveTestFolder();
  }
};
