// Flip on the Windows DirectDraw presenter, with faults put in place of DirectDraw's answers: busy and
// still-drawing surfaces are retried, a lost surface is restored and its frame skipped, and the next
// frame is shown. Windows only; needs a display (under Wine, an X server), skipped without one.
#if defined(_WIN32)
#include <gtest/gtest.h>

#include "platform/platform.h"
#include "platform/win/ddraw.h"
#include "runtime/log.h"
#include "runtime/video.h"

namespace {

TEST(DdrawPresenter, BusyIsRetriedAndALostSurfaceSkipsOneFrame) {
  const PlatPresenter* p = PlatFindPresenter("sdl");   // the desktop's presenter
  ASSERT_STREQ(p->name, "ddraw");
  PlatSetWindowOptions(true, 1);
  if (!p->open(320, 200, false, "tarvon3 test")) GTEST_SKIP() << "DirectDraw has no display here";
  p->close();
  DebugMode = 1;
  InitLog();
  PlatUsePresenter(p);
  InitVideo();
  uint16_t* fb = SetVideoMode(320, 200, 16, 1, 0);
  fb[0] = 0xF800;
  const auto shown = [] { return PlatDdrawGetCounts().shown; };
  const auto restores = [] { return PlatDdrawGetCounts().restores; };
  const int32_t first = shown(), restored = restores();

  PlatDdrawInjectFault(PLAT_DDRAW_LOCK, PLAT_DDRAW_SURFACE_BUSY, 2);
  PlatDdrawInjectFault(PLAT_DDRAW_UNLOCK, PLAT_DDRAW_STILL_DRAWING, 2);
  PlatDdrawInjectFault(PLAT_DDRAW_PRESENT, PLAT_DDRAW_SURFACE_BUSY, 2);
  Flip();
  EXPECT_EQ(shown(), first + 1);
  EXPECT_EQ(restores(), restored);

  // Lost at lock: restored, nothing shown; the next frame is shown.
  PlatDdrawInjectFault(PLAT_DDRAW_LOCK, PLAT_DDRAW_SURFACE_LOST, 1);
  Flip();
  EXPECT_EQ(shown(), first + 1);
  EXPECT_EQ(restores(), restored + 1);
  Flip();
  EXPECT_EQ(shown(), first + 2);

  // Lost at unlock: restored, and the present that follows has no new frame to show.
  PlatDdrawInjectFault(PLAT_DDRAW_UNLOCK, PLAT_DDRAW_SURFACE_LOST, 1);
  Flip();
  EXPECT_EQ(shown(), first + 2);
  EXPECT_EQ(restores(), restored + 2);
  // Lost at present: restored; then frames go on.
  PlatDdrawInjectFault(PLAT_DDRAW_PRESENT, PLAT_DDRAW_SURFACE_LOST, 1);
  Flip();
  EXPECT_EQ(restores(), restored + 3);
  Flip();
  EXPECT_EQ(shown(), first + 3);
  CloseVideo();
}

}  // namespace
#endif
