// The Windows DirectDraw presenter (Windows only). Its frame conversion for surfaces of other sizes
// and formats; and Flip with faults put in place of DirectDraw's answers: busy and still-drawing
// surfaces are retried, a lost surface is restored and its frame skipped, and the next frame is
// shown (needs a display, under Wine an X server; skipped without one).
#if defined(_WIN32)
#include <gtest/gtest.h>

#include <vector>

#include "platform/platform.h"
#include "platform/win/ddraw.h"
#include "platform/win/frame.h"
#include "runtime/log.h"
#include "runtime/video.h"

namespace {

TEST(DdrawFrame, ScaledIntoDesktopFormatsWithBlackBorders) {
  // 32-bit 8-8-8 and 16-bit 5-5-5: each field widened to 8 bits, then cut to the mask's width.
  const FrameLut rgb32 = MakeFrameLut({0xFF0000, 0x00FF00, 0x0000FF, 4});
  const FrameLut rgb555 = MakeFrameLut({0x7C00, 0x03E0, 0x001F, 2});
  EXPECT_EQ((std::vector<uint32_t>{rgb32.pixel[0xFFFF], rgb32.pixel[0xF800], rgb32.pixel[0x07E0], rgb32.pixel[0x0821],
                                   rgb555.pixel[0xFFFF], rgb555.pixel[0x07E0]}),
            (std::vector<uint32_t>{0xFFFFFF, 0xFF0000, 0x00FF00, 0x080408, 0x7FFF, 0x03E0}));
  // 320 x 200 shown as 320 x 240 on a 1280 x 1024 desktop; at 2x in an 800 x 600 mode.
  const FrameArea box = LetterBox(1280, 1024, 320, 200), twice = WholeMultiple(800, 600, 320, 200);
  EXPECT_EQ((std::vector<int32_t>{box.x, box.y, box.width, box.height, twice.x, twice.y, twice.width, twice.height}),
            (std::vector<int32_t>{0, 32, 1280, 960, 80, 100, 640, 400}));
  // A 2 x 1 frame drawn 2x into the middle of a 6 x 4 surface with a wider pitch.
  const uint16_t frame[2] = {0xF800, 0x001F};
  std::vector<uint32_t> surface(8 * 4, 0xDEADBEEF);
  DrawFrame(frame, 2, 1, rgb32, {reinterpret_cast<uint8_t*>(surface.data()), 8 * 4, 6, 4}, {1, 1, 4, 2});
  const uint32_t r = 0xFF0000, b = 0x0000FF, x = 0xDEADBEEF;
  EXPECT_EQ(surface, (std::vector<uint32_t>{0, 0, 0, 0, 0, 0, x, x,  //
                                            0, r, r, b, b, 0, x, x,  //
                                            0, r, r, b, b, 0, x, x,  //
                                            0, 0, 0, 0, 0, 0, x, x}));
}

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
