// Golden stills: frames of the whole show rendered from the forged data, compared with the PNGs kept
// beside this file. Regenerate them (after a deliberate change of a frame) with one command:
//
//   tools/update-golden.sh [MS...]      (no MS: the stills already kept here)
//
// For every tests/golden/still-MS.png the test renders the show offline once
// (tarvon3 --render DIR --stills MS,... --no-video), with the data folder or archive of the
// checkout, and compares each frame with its golden picture. Tolerance, per still: PSNR over the
// RGB bytes of at least 40 dB, and no more than 0.5 % of the pixels (320 of 64000) off by more than
// 16 in any channel. The data is the checkout's data.qvx or data/, or the archive or folder named
// by the environment variable TARVON_DATA. The test is skipped, with the reason, when there is no
// data, no tarvon3 program or no golden still.
#include <gtest/gtest.h>
#include <zlib.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "support/logfile.h"
#include "support/programs.h"

namespace {

namespace fs = std::filesystem;

uint32_t Be32(const uint8_t* p) { return uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | p[3]; }

// The RGB bytes of a 320 x 200 8-bit RGB PNG as the renderer writes them (filter 0 on every row,
// which the golden pictures share, being its output); empty otherwise.
std::vector<uint8_t> ReadPng(const fs::path& path) {
  const std::string s = Slurp(path.string());
  const std::vector<uint8_t> f(s.begin(), s.end());
  constexpr size_t kRow = 320 * 3 + 1;
  std::vector<uint8_t> packed, raw(kRow * 200), rgb;
  bool header = false;
  for (size_t at = 8; f.size() >= 8 && at + 12 <= f.size();) {
    const uint32_t length = Be32(&f[at]);
    if (length > f.size() - at - 12) return {};
    const std::string type(f.begin() + long(at + 4), f.begin() + long(at + 8));
    const uint8_t* data = &f[at + 8];
    if (type == "IHDR")
      header = length >= 13 && Be32(data) == 320 && Be32(data + 4) == 200 && data[8] == 8 && data[9] == 2 && data[12] == 0;
    if (type == "IDAT") packed.insert(packed.end(), data, data + length);
    at += 12 + length;
  }
  uLongf size = uLongf(raw.size());
  if (!header || uncompress(raw.data(), &size, packed.data(), uLong(packed.size())) != Z_OK || size != raw.size())
    return {};
  for (size_t y = 0; y < 200; y++) {
    if (raw[y * kRow] != 0) return {};
    rgb.insert(rgb.end(), raw.begin() + long(y * kRow + 1), raw.begin() + long((y + 1) * kRow));
  }
  return rgb;
}

TEST(Golden, StillsOfTheShowMatchTheirPictures) {
  const fs::path source = TARVON_SOURCE_DIR, golden = source / "tests" / "golden";
  fs::path data = source / "data.qvx";
  if (const char* chosen = getenv("TARVON_DATA")) data = chosen;
  else if (!fs::exists(data)) data = source / "data";
  const bool archive = fs::is_regular_file(data);
  if (!archive && !fs::exists(data / "meeting.mp3"))
    GTEST_SKIP() << "no data/ or data.qvx in " << source << ": make the show's data first (make data)";
  const fs::path program = ProgramPath("tarvon3");
  if (!fs::exists(program)) GTEST_SKIP() << "no program " << program;
  std::vector<int32_t> times;
  for (const auto& entry : fs::directory_iterator(golden)) {
    const std::string name = entry.path().filename().string();
    if (name.rfind("still-", 0) == 0 && entry.path().extension() == ".png") times.push_back(std::atoi(name.c_str() + 6));
  }
  std::sort(times.begin(), times.end());
  if (times.empty()) GTEST_SKIP() << "no still-MS.png in " << golden << " (tools/update-golden.sh MS...)";

  // The program reads data.qvx or data/ from its working folder: give it the checkout's.
  const fs::path work = fs::current_path() / "golden-run";
  fs::remove_all(work);
  fs::create_directories(work);
  if (archive) fs::create_symlink(fs::absolute(data), work / "data.qvx");
  else fs::create_directory_symlink(fs::absolute(data), work / "data");
  std::string list;
  for (int32_t ms : times) {
    if (!list.empty()) list += ',';
    list += std::to_string(ms);
  }
  const std::string command = "cd '" + work.string() + "' && '" + program.string() + "' --render out --stills " + list +
                              " --no-video --to " + std::to_string(times.back() + 100) + " > render.txt 2>&1";
  ASSERT_EQ(std::system(command.c_str()), 0) << command << "\n(see " << (work / "render.txt") << ")";

  for (int32_t ms : times) {
    const std::string name = "still-" + std::to_string(ms) + ".png";
    const std::vector<uint8_t> want = ReadPng(golden / name), got = ReadPng(work / "out" / name);
    ASSERT_FALSE(want.empty()) << name << " (golden) is not a 320 x 200 PNG of 8-bit RGB";
    ASSERT_FALSE(got.empty()) << name << " was not rendered as a 320 x 200 PNG";
    double squares = 0.0;
    int32_t off = 0;   // pixels with a channel off by more than 16
    for (size_t p = 0; p < want.size(); p += 3) {
      int32_t worst = 0;
      for (size_t k = p; k < p + 3; k++) {
        const int32_t d = int32_t(want[k]) - int32_t(got[k]);
        squares += double(d) * d;
        worst = std::max(worst, std::abs(d));
      }
      off += worst > 16;
    }
    const double psnr = squares == 0.0 ? INFINITY : 10.0 * std::log10(255.0 * 255.0 * double(want.size()) / squares);
    EXPECT_GE(psnr, 40.0) << name << ": " << off << " pixels off (rendered: " << (work / "out" / name)
                          << "; regenerate with tools/update-golden.sh " << ms << " if the change is meant)";
    EXPECT_LE(off, 320) << name << ": PSNR " << psnr << " dB";
  }
}

}  // namespace
