// Configuration, start-up, init with device detection, and close.
#include "midas/midas.h"
#include "midas/sdevice.h"

namespace {

constexpr int32_t kDefaults[kMidasOptionCount + 1] = {0, 44100, 0, 500, 16, 0, 0, 0, 100, 1, 3, 0, 64, 0};

// Detection order.
const MidasSoundDevice* const kDevices[] = {&MidasDirectSoundDevice, &MidasWaveDevice, &MidasNoSoundDevice};

const MidasSoundDevice* device = nullptr;   // the open device, null while not initialised
bool playing = false;
bool fellBack = false;

int32_t Fail(int32_t code) {
  MidasSetLastError(code);
  return 0;
}

// Closes what init opened; the caller holds MidasLock.
void CloseLocked();

}  // namespace

int32_t MidasConfig[kMidasOptionCount + 1] = {0, 44100, 0, 500, 16, 0, 0, 0, 100, 1, 3, 0, 64, 0};
std::mutex MidasLock;

const MidasSoundDevice* MidasCurrentDevice() { return device; }
bool MidasIsPlaying() { return playing; }

void MidasStopAllStreams();   // midasdll.cpp

namespace {
void CloseLocked() {
  if (!device) return;
  MidasStopAllStreams();
  DsmCloseChannels();
  playing = false;
  device->close();
  DsmClose();
  device = nullptr;
}
}  // namespace

int32_t MIDASstartup() {
  std::lock_guard<std::mutex> hold(MidasLock);
  // A start-up while initialised would lose the open device: close it first.
  CloseLocked();
  for (int32_t i = 0; i <= kMidasOptionCount; i++) MidasConfig[i] = kDefaults[i];
  fellBack = false;
  MidasSetLastError(MIDAS_OK);
  return 1;
}

int32_t MIDASsetOption(int32_t option, int32_t value) {
  std::lock_guard<std::mutex> hold(MidasLock);
  if (option >= 1 && option <= kMidasOptionCount) MidasConfig[option] = value;
  return 1;
}

int32_t MIDASgetOption(int32_t option) {
  std::lock_guard<std::mutex> hold(MidasLock);
  return option >= 1 && option <= kMidasOptionCount ? MidasConfig[option] : 0;
}

int32_t MIDASinit() {
  std::lock_guard<std::mutex> hold(MidasLock);
  if (device) return Fail(MIDAS_ERR_DEVICE_BUSY);
  const MidasSoundDevice* chosen = nullptr;
  fellBack = false;
  if (MidasConfig[MIDAS_OPTION_FORCE_NO_SOUND]) {
    chosen = &MidasNoSoundDevice;
  } else {
    for (const MidasSoundDevice* d : kDevices) {
      bool present = false;
      int32_t error = d->detect(&present);
      if (error != MIDAS_OK) return Fail(error);
      if (present) {
        chosen = d;
        break;
      }
    }
    if (!chosen) return Fail(MIDAS_ERR_HARDWARE);
    fellBack = chosen == &MidasNoSoundDevice;
  }
  int32_t mode = MidasConfig[MIDAS_OPTION_OUTPUTMODE];
  if (MidasConfig[MIDAS_OPTION_MIXING_MODE] == 1) mode |= 128;
  int32_t error = chosen->init(MidasConfig[MIDAS_OPTION_MIXRATE], mode);
  if (error != MIDAS_OK) return Fail(error);
  device = chosen;
  playing = true;
  return 1;
}

int32_t MIDASclose() {
  std::lock_guard<std::mutex> hold(MidasLock);
  if (!device) return Fail(MIDAS_ERR_INVALID_DEVICE);
  CloseLocked();
  return 1;
}

const char* MIDASgetDeviceName() {
  std::lock_guard<std::mutex> hold(MidasLock);
  return device ? device->name : nullptr;
}

int32_t MIDASgetMixRate() {
  std::lock_guard<std::mutex> hold(MidasLock);
  return device ? device->mixRate() : 0;
}

int32_t MIDASgetOutputMode() {
  std::lock_guard<std::mutex> hold(MidasLock);
  return device ? device->outputMode() : 0;
}

bool MIDASfellBackToNoSound() {
  std::lock_guard<std::mutex> hold(MidasLock);
  return device && fellBack;
}
