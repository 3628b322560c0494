// A scripted presenter and a settable clock, standing in for the display and the timer in tests.
#pragma once
#include <cstdint>
#include <deque>
#include <vector>

#include "platform/platform.h"

struct FakeDisplay {
  PlatDisplayFormat format = {0xF800, 0x07E0, 0x001F};
  int32_t width = 0, height = 0, pitch = 0;
  std::vector<uint8_t> surface;
  std::deque<PlatResult> lockResults, unlockResults, presentResults;   // then PLAT_OK
  int32_t locks = 0, unlocks = 0, presents = 0, restores = 0, opens = 0, closes = 0;
  bool failOpen = false;
  uint32_t now = 0;
  uint32_t step = 0;          // added to the clock by every successful present
  void (*onPresent)() = nullptr;
};

inline FakeDisplay fake;

inline PlatResult FakeNext(std::deque<PlatResult>& q) {
  if (q.empty()) return PLAT_OK;
  PlatResult r = q.front();
  q.pop_front();
  return r;
}

inline const PlatPresenter kFakePresenter = {
    "fake",
    [](int32_t w, int32_t h, bool, const char*) {
      fake.opens++;
      if (fake.failOpen) return false;
      fake.width = w;
      fake.height = h;
      fake.pitch = w * 2 + 64;   // a pitch wider than the row, as real surfaces have
      fake.surface.assign(size_t(fake.pitch) * size_t(h), 0xEE);
      return true;
    },
    [] { return fake.format; },
    [](void** pixels, int32_t* pitch) {
      fake.locks++;
      PlatResult r = FakeNext(fake.lockResults);
      if (r == PLAT_OK) {
        *pixels = fake.surface.data();
        *pitch = fake.pitch;
      }
      return r;
    },
    [] {
      fake.unlocks++;
      return FakeNext(fake.unlockResults);
    },
    [] {
      fake.presents++;
      PlatResult r = FakeNext(fake.presentResults);
      if (r == PLAT_OK) {
        fake.now += fake.step;
        if (fake.onPresent) fake.onPresent();
      }
      return r;
    },
    [] { fake.restores++; },
    [] {},
    [] { fake.closes++; },
};

inline const PlatClock kFakeClock = {"fake", [] { return fake.now; }, [](uint32_t ms) { fake.now += ms; }};

inline void UseFakePlatform() {
  fake = FakeDisplay{};
  PlatUsePresenter(&kFakePresenter);
  PlatUseClock(&kFakeClock);
}
