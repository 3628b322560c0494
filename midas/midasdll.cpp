// The entry points the MIDAS driver calls for channels and polling streams.
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <thread>

#include "midas/midas.h"
#include "midas/sdevice.h"

struct MidasStream {
  bool used;
  int32_t channel;
  int32_t type;
  uint8_t* ring;
  int32_t frames;        // ring length in frames
  int32_t bytes;         // ring length in bytes
  int32_t frameBytes;
  int32_t writePos;      // byte offset of the next feed
  uint8_t silence;
};

namespace {

constexpr int32_t kMaxStreams = 32;
constexpr int32_t kFrameBytes[5] = {0, 1, 2, 2, 4};

MidasStream streams[kMaxStreams];
bool channelsOpen = false;
bool channelInUse[kDsmMaxChannels];

int32_t Fail(int32_t code) {
  MidasSetLastError(code);
  return 0;
}

bool Valid(MIDASstreamHandle s) {
  for (MidasStream& t : streams)
    if (&t == s) return t.used;
  return false;
}

// Bytes that may be fed: from the write position forward to the play position, less one frame.
int32_t FreeSpace(const MidasStream& s) {
  int32_t frame = 0;
  DsmGetPosition(s.channel, &frame);
  int32_t play = frame * s.frameBytes;
  int32_t distance = (play - s.writePos) % s.bytes;
  if (distance < 0) distance += s.bytes;
  if (distance == 0) return s.bytes - s.frameBytes;
  return distance < s.frameBytes ? 0 : distance - s.frameBytes;
}

// One feed attempt; the caller holds MidasLock.
int32_t FeedOnce(MidasStream& s, const uint8_t* data, int32_t bytes) {
  int32_t room = FreeSpace(s) & ~3;
  int32_t n = bytes < room ? bytes : room;
  int32_t first = s.bytes - s.writePos < n ? s.bytes - s.writePos : n;
  memcpy(s.ring + s.writePos, data, size_t(first));
  if (n > first) memcpy(s.ring, data + first, size_t(n - first));
  s.writePos = (s.writePos + n) % s.bytes;
  DsmSetStreamWritePosition(s.channel, s.writePos / s.frameBytes);
  return n;
}

void StopLocked(MidasStream& s) {
  DsmStopSound(s.channel);
  free(s.ring);
  if (s.channel >= 0 && s.channel < kDsmMaxChannels) channelInUse[s.channel] = false;
  s = MidasStream{};
}

}  // namespace

void MidasStopAllStreams() {
  for (MidasStream& s : streams)
    if (s.used) StopLocked(s);
}

int32_t MIDASopenChannels(int32_t count) {
  std::lock_guard<std::mutex> hold(MidasLock);
  if (!MidasCurrentDevice()) return Fail(MIDAS_ERR_INVALID_DEVICE);
  if (count < 1 || count > kDsmMaxChannels) return Fail(MIDAS_ERR_INVALID_ARGUMENTS);
  int32_t error = DsmOpenChannels(count);
  if (error != MIDAS_OK) return Fail(error);
  for (bool& b : channelInUse) b = false;
  channelsOpen = true;
  return 1;
}

int32_t MIDAScloseChannels() {
  std::lock_guard<std::mutex> hold(MidasLock);
  if (!channelsOpen) return Fail(MIDAS_ERR_CHANNELS_NOT_OPEN);
  MidasStopAllStreams();
  DsmCloseChannels();
  channelsOpen = false;
  return 1;
}

MIDASstreamHandle MIDASplayStreamPolling(int32_t sampleType, int32_t rate, int32_t lengthMs) {
  std::lock_guard<std::mutex> hold(MidasLock);
  if (!channelsOpen || !MidasCurrentDevice()) return Fail(MIDAS_ERR_CHANNELS_NOT_OPEN), nullptr;
  if (sampleType < 1 || sampleType > 8) return Fail(MIDAS_ERR_INVALID_SAMPLE_TYPE), nullptr;
  if (sampleType > 4) return Fail(MIDAS_ERR_UNSUPPORTED_FORMAT), nullptr;
  if (rate <= 0 || lengthMs <= 0) return Fail(MIDAS_ERR_INVALID_ARGUMENTS), nullptr;
  MidasStream* s = nullptr;
  for (MidasStream& t : streams)
    if (!t.used) { s = &t; break; }
  if (!s) return Fail(MIDAS_ERR_OUT_OF_RESOURCES), nullptr;
  int32_t channel = -1;
  for (int32_t c = 0; c < DsmChannelCount(); c++)
    if (!channelInUse[c]) { channel = c; break; }
  if (channel < 0) return Fail(MIDAS_ERR_OUT_OF_CHANNELS), nullptr;

  int64_t frames = (int64_t(lengthMs) * rate / 1000 + 3) & ~int64_t(3);
  int64_t bytes = frames * kFrameBytes[sampleType];
  if (frames < 4 || bytes > (int64_t(1) << 30)) return Fail(MIDAS_ERR_INVALID_ARGUMENTS), nullptr;
  uint8_t* ring = static_cast<uint8_t*>(malloc(size_t(bytes)));
  if (!ring) return Fail(MIDAS_ERR_OUT_OF_MEMORY), nullptr;
  uint8_t silence = (sampleType == 1 || sampleType == 3) ? 128 : 0;
  memset(ring, silence, size_t(bytes));

  *s = MidasStream{true, channel, sampleType, ring, int32_t(frames), int32_t(bytes), kFrameBytes[sampleType], 0,
                   silence};
  int32_t error = DsmPlaySound(channel, ring, int32_t(frames), sampleType, rate, true, true);
  if (error == MIDAS_OK) error = DsmSetVolume(channel, 64);
  if (error != MIDAS_OK) {
    free(ring);
    *s = MidasStream{};
    return Fail(error), nullptr;
  }
  channelInUse[channel] = true;
  return s;
}

int32_t MIDASfeedStreamData(MIDASstreamHandle stream, const uint8_t* data, int32_t bytes, bool wait) {
  if (bytes <= 0) return 0;
  if (!data) return Fail(MIDAS_ERR_INVALID_ARGUMENTS);
  int32_t queued = 0;
  for (;;) {
    {
      std::lock_guard<std::mutex> hold(MidasLock);
      if (!Valid(stream)) return queued ? queued : Fail(MIDAS_ERR_INVALID_HANDLE);
      queued += FeedOnce(*stream, data + queued, bytes - queued);
    }
    if (!wait || queued >= bytes) return queued;
    // Wait for room without the lock, so that a poll on another thread can play the ring meanwhile.
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
}

int32_t MIDASgetStreamBytesBuffered(MIDASstreamHandle stream) {
  std::lock_guard<std::mutex> hold(MidasLock);
  if (!Valid(stream)) return Fail(MIDAS_ERR_INVALID_HANDLE);
  return stream->bytes - FreeSpace(*stream);
}

int32_t MIDASsetStreamVolume(MIDASstreamHandle stream, int32_t volume) {
  std::lock_guard<std::mutex> hold(MidasLock);
  if (!Valid(stream)) return Fail(MIDAS_ERR_INVALID_HANDLE);
  int32_t error = DsmSetVolume(stream->channel, volume < 0 ? 0 : volume > 64 ? 64 : volume);
  return error == MIDAS_OK ? 1 : Fail(error);
}

int32_t MIDASsetStreamPanning(MIDASstreamHandle stream, int32_t panning) {
  std::lock_guard<std::mutex> hold(MidasLock);
  if (!Valid(stream)) return Fail(MIDAS_ERR_INVALID_HANDLE);
  int32_t error = DsmSetPanning(stream->channel, panning);
  return error == MIDAS_OK ? 1 : Fail(error);
}

int32_t MIDASstopStream(MIDASstreamHandle stream) {
  std::lock_guard<std::mutex> hold(MidasLock);
  if (!Valid(stream)) return Fail(MIDAS_ERR_INVALID_HANDLE);
  StopLocked(*stream);
  return 1;
}
