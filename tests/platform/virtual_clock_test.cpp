// The virtual clock keeps the extra thread in step with the frames: after each advance the thread
// has run exactly as often as its sleeps allow, however slow it is, and a join ends its sleep.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

#include "platform/backends.h"
#include "platform/platform.h"

namespace {

std::atomic<bool> stop{false};
std::vector<uint32_t> wakes;   // the clock's reading at each run of the thread's loop

// Slower than the main thread on purpose: an advance that did not wait for it would be seen.
void Poller(void*) {
  while (!stop.load()) {
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
    wakes.push_back(PlatMilliseconds());
    PlatSleep(100);
  }
}

TEST(VirtualClock, AThreadRunsOncePerSleepInStepWithTheFrames) {
  const PlatClock* saved = PlatCurrentClock();
  PlatUseClock(PlatFindClock("virtual"));
  PlatResetVirtualTime();
  stop = false;
  wakes.clear();
  PlatThread* thread = PlatStartThread(Poller, nullptr, false);
  for (uint32_t frame = 1; frame <= 45; frame++) {
    const uint32_t now = frame * 1000 / 60;
    PlatAdvanceVirtualTime(now);
    ASSERT_EQ(wakes.size(), 1 + now / 100) << "after the frame at " << now << " ms";
  }
  for (size_t i = 0; i < wakes.size(); i++) EXPECT_EQ(wakes[i], 100 * i) << "run " << i;
  stop = true;
  PlatJoinThread(thread);   // returns although the thread sleeps until 800 ms, which the clock never reaches
  if (saved) PlatUseClock(saved);
}

}  // namespace
