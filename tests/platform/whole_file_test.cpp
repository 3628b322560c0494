// Files written whole or not at all: when the helper replaces a file and when it keeps one,
// screenshots that never replace an earlier one, and a render whose files cannot be written whole.
#include <gtest/gtest.h>
#if !defined(_WIN32)
#include <sys/resource.h>
#endif

#include <cerrno>
#include <csignal>
#include <filesystem>

#include "platform/platform.h"
#include "platform/png.h"
#include "platform/whole_file.h"
#include "support/logfile.h"
#include "support/small_disk.h"

namespace fs = std::filesystem;

namespace {

#if !defined(_WIN32)
// While it lives no file of this process grows past `bytes`: writes past it fail as on a full disk.
// (Windows has no such limit.)
struct FileSizeLimit {
  rlimit saved{};
  explicit FileSizeLimit(rlim_t bytes) {
    signal(SIGXFSZ, SIG_IGN);
    getrlimit(RLIMIT_FSIZE, &saved);
    const rlimit small = {bytes, saved.rlim_max};
    setrlimit(RLIMIT_FSIZE, &small);
  }
  ~FileSizeLimit() { setrlimit(RLIMIT_FSIZE, &saved); }
};
#endif

void Fresh(const char* dir) {
  fs::remove_all(dir);
  fs::create_directories(dir);
}

}  // namespace

TEST(WholeFile, ReplacesOnlyWhenAskedAndLeavesNothingBehindOnFailure) {
  Fresh("w");
  WriteText("w/kept", "precious");
  EXPECT_EQ(PlatWriteFile("w/kept", "new", 3, false), PLAT_FILE_EXISTS);
  EXPECT_EQ(Slurp("w/kept"), "precious");
  EXPECT_EQ(PlatWriteFile("w/kept", "new", 3, true), PLAT_FILE_WRITTEN);
  EXPECT_EQ(Slurp("w/kept"), "new");
  int error = 0;
  EXPECT_EQ(PlatWriteFile("w/no-such/file", "x", 1, true, &error), PLAT_FILE_FAILED);
  EXPECT_EQ(error, ENOENT);
  fs::create_directories("w/dir");   // written whole, but the rename over a folder fails
  EXPECT_EQ(PlatWriteFile("w/dir", "x", 1, true), PLAT_FILE_FAILED);
#if !defined(_WIN32)
  {
    FileSizeLimit limit(4096);
    const std::string big(10000, 'x');
    EXPECT_EQ(PlatWriteFile("w/kept", big.data(), big.size(), true, &error), PLAT_FILE_FAILED);
    EXPECT_EQ(error, EFBIG);
  }
#endif
  EXPECT_EQ(Slurp("w/kept"), "new");
  EXPECT_EQ(Temporaries("w"), "");
}

TEST(WholeFile, ScreenshotsTakeTheNextFreeNameAndNeverReplaceOne) {
  Fresh("s");
  WriteText("s/shot-001.png", "precious");
  const std::vector<uint16_t> frame(320 * 200, 0xF800);
  EXPECT_EQ(PlatSaveScreenshot("s/shot", frame.data(), 320, 200), "s/shot-002.png");
  EXPECT_EQ(PlatSaveScreenshot("s/shot", frame.data(), 320, 200), "s/shot-003.png");
  EXPECT_EQ(Slurp("s/shot-001.png"), "precious");
  EXPECT_EQ(Slurp("s/shot-002.png").substr(1, 3), "PNG");
}

// A thousand frames make a frames.txt of about 30 KB, more than the limit lets through.
TEST(WholeFile, ARenderWhoseFilesCannotBeWrittenWholeFailsAndLeavesNone) {
#if defined(_WIN32)
  GTEST_SKIP() << "Windows has no file size limit to stand for a full disk";
#else
  Fresh("out");
  WriteText("out/frames.txt", "an earlier render's");
  const int32_t still = 0;
  PlatSetRenderSettings({"out", 60, &still, 1, false, false});
  const PlatPresenter* render = PlatFindPresenter("render");
  {
    FileSizeLimit limit(16384);
    ASSERT_TRUE(render->open(320, 200, false, "test"));
    for (int i = 0; i < 1000; i++) {
      void* pixels;
      int32_t pitch;
      ASSERT_EQ(render->lock(&pixels, &pitch), PLAT_OK);
      static_cast<uint16_t*>(pixels)[i] = uint16_t(i);
      render->present();
    }
    render->close();
  }
  EXPECT_FALSE(PlatFinishRender(false));
  EXPECT_EQ(Slurp("out/frames.txt"), "an earlier render's");
  EXPECT_EQ(Slurp("out/still-0.png").substr(1, 3), "PNG");   // small enough: written whole
  EXPECT_EQ(Temporaries("out"), "");
#endif
}
