// The "render" wave-out sink: plays the queue into a RIFF/WAVE file in step with the current clock.
//
// Sample 0 of the file is the first sample of the first block written. From then on, each queue call
// plays (appends to the file) as many frames as the clock time since that first write is worth, so with
// the virtual clock of the offline render the file is the same on every run. When the queue runs dry
// nothing is padded: the file is the blocks in the order written. The file is written beside its name
// and renamed into place when the device closes (platform/whole_file.h): a failed write leaves none.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <string>

#include "platform/platform.h"
#include "platform/waveout.h"
#include "platform/whole_file.h"

namespace {

std::mutex renderLock;
std::string filePath;
PlatWholeFile out;
FILE* file = nullptr;   // out.file while the file is open
bool fileFailed = false;
bool started = false;
uint32_t startMs = 0;
uint64_t framesPlayed = 0;
uint32_t dataBytes = 0;
PlatWaveFormat format = {2, 44100, 16};

void Put32(uint8_t* p, uint32_t v) { for (int i = 0; i < 4; i++) p[i] = uint8_t(v >> (8 * i)); }
void Put16(uint8_t* p, uint32_t v) { p[0] = uint8_t(v); p[1] = uint8_t(v >> 8); }

void WriteHeader() {
  uint8_t h[44];
  int32_t frameBytes = format.channels * format.bits / 8;
  memcpy(h, "RIFF", 4);
  Put32(h + 4, 36 + dataBytes);
  memcpy(h + 8, "WAVEfmt ", 8);
  Put32(h + 16, 16);
  Put16(h + 20, 1);
  Put16(h + 22, uint32_t(format.channels));
  Put32(h + 24, uint32_t(format.rate));
  Put32(h + 28, uint32_t(format.rate * frameBytes));
  Put16(h + 32, uint32_t(frameBytes));
  Put16(h + 34, uint32_t(format.bits));
  memcpy(h + 36, "data", 4);
  Put32(h + 40, dataBytes);
  fseek(file, 0, SEEK_SET);
  fwrite(h, 1, sizeof h, file);
  fseek(file, 0, SEEK_END);
}

bool Rendering() {
  const PlatPresenter* p = PlatCurrentPresenter();
  return p && strcmp(p->name, "render") == 0;
}

int32_t RenderDeviceCount() {
  std::lock_guard<std::mutex> hold(renderLock);
  return filePath.empty() && !Rendering() ? 0 : 1;
}

bool RenderSupports(const PlatWaveFormat& f) { return f.channels == 2 && f.rate == 44100 && f.bits == 16; }

bool deviceOpen = false;

bool RenderOpen(const PlatWaveFormat& f) {
  std::lock_guard<std::mutex> hold(renderLock);
  if (deviceOpen) return false;
  deviceOpen = true;
  fileFailed = false;
  format = f;
  started = false;
  framesPlayed = 0;
  dataBytes = 0;
  return true;
}

// The file opens with the first block: the sound device opens before the render's folder is made
// (and emptied), the music starts once it is there.
bool OpenFile() {
  std::string path = filePath;
  if (path.empty()) {
    const char* folder = PlatRenderFolder();
    if (!folder) return false;
    path = std::string(folder) + "/show.wav";
  }
  fileFailed = !PlatBeginFile(out, path.c_str());
  if (fileFailed) {
    fprintf(stderr, "render: cannot write %s: %s\n", path.c_str(), strerror(out.error));
    return false;
  }
  file = out.file;
  WriteHeader();
  return true;
}

void RenderUpdate() {
  std::lock_guard<std::mutex> hold(renderLock);
  if (!deviceOpen) return;
  uint32_t now = PlatMilliseconds();
  if (!started) {
    if (PlatWaveOutQueuedBytes() == 0) return;
    started = true;
    startMs = now;
    OpenFile();
  }
  const int32_t frameBytes = format.channels * format.bits / 8;
  const uint64_t due = uint64_t(uint32_t(now - startMs)) * uint64_t(format.rate) / 1000;
  uint8_t buffer[16384];
  while (framesPlayed < due) {
    int32_t want = int32_t(std::min<uint64_t>(due - framesPlayed, sizeof buffer / size_t(frameBytes)));
    int32_t got = PlatWaveOutPull(buffer, want * frameBytes);
    if (got > 0 && file) fwrite(buffer, 1, size_t(got), file);
    dataBytes += uint32_t(got);
    framesPlayed += uint64_t(got / frameBytes);
    if (got < want * frameBytes) break;   // the queue ran dry: the next block plays on from here
  }
}

void RenderClose() {
  std::lock_guard<std::mutex> hold(renderLock);
  deviceOpen = false;
  if (!file) return;
  WriteHeader();
  file = nullptr;
  fileFailed = PlatFinishFile(out, true) != PLAT_FILE_WRITTEN;
  if (fileFailed) fprintf(stderr, "render: cannot write %s: %s\n", out.path.c_str(), strerror(out.error));
}

}  // namespace

const PlatWaveSink PlatWaveRenderSink = {"render", RenderDeviceCount, RenderSupports, RenderOpen, RenderUpdate,
                                         RenderClose, nullptr};

bool PlatWaveFileFailed() {
  std::lock_guard<std::mutex> hold(renderLock);
  return fileFailed;
}

void PlatSetWaveOutFile(const char* path) {
  std::lock_guard<std::mutex> hold(renderLock);
  filePath = path ? path : "";
}
