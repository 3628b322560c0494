// Golden stills: frames of the whole show rendered from the forged data, compared with the PNGs kept
// beside this file. Regenerate them (after a deliberate change of a frame) with one command:
//
//   tools/update-golden.sh [MS...]      (no MS: the stills already kept here)
//
// For every tests/golden/still-MS.png the test renders the show offline once
// (tarvon3 --render DIR --stills MS,... --no-video), with the data folder or archive of the
// checkout, and compares each frame with its golden picture. Tolerance, per still: PSNR over the
// RGB bytes of at least 40 dB, and no more than 0.5 % of the pixels (320 of 64000) off by more than
// 16 in any channel. An identical render gives an infinite PSNR and 0 pixels off; moving an object
// by one pixel or changing a colour table fails. The data is the checkout's data.qvx or data/, or
// the archive or folder named by the environment variable TARVON_DATA. The test is skipped, with
// the reason, when there is no data, no tarvon3 program or no golden still.
#include <gtest/gtest.h>
#include <unistd.h>
#include <zlib.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "support/programs.h"

namespace {

namespace fs = std::filesystem;

struct Image {
  int32_t width = 0, height = 0;
  std::vector<uint8_t> rgb;   // rows from the top
};

uint32_t Be32(const uint8_t* p) { return uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | p[3]; }

int32_t Paeth(int32_t a, int32_t b, int32_t c) {
  const int32_t p = a + b - c, pa = std::abs(p - a), pb = std::abs(p - b), pc = std::abs(p - c);
  return (pa <= pb && pa <= pc) ? a : (pb <= pc ? b : c);
}

// Reads an 8-bit RGB, non-interlaced PNG (the form the renderer writes); false otherwise.
bool ReadPng(const std::string& path, Image* image) {
  std::ifstream in(path, std::ios::binary);
  std::vector<uint8_t> f((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  static const uint8_t kMagic[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  if (f.size() < 8 || !std::equal(kMagic, kMagic + 8, f.begin())) return false;
  std::vector<uint8_t> packed;
  size_t at = 8;
  while (at + 12 <= f.size()) {
    const uint32_t length = Be32(&f[at]);
    if (length > f.size() - at - 12) return false;
    const std::string type(f.begin() + long(at + 4), f.begin() + long(at + 8));
    const uint8_t* data = &f[at + 8];
    if (type == "IHDR") {
      if (length < 13 || data[8] != 8 || data[9] != 2 || data[12] != 0) return false;
      image->width = int32_t(Be32(data));
      image->height = int32_t(Be32(data + 4));
    } else if (type == "IDAT") {
      packed.insert(packed.end(), data, data + length);
    } else if (type == "IEND") {
      break;
    }
    at += 12 + length;
  }
  if (image->width <= 0 || image->height <= 0 || image->width > 4096 || image->height > 4096) return false;
  const size_t row = size_t(image->width) * 3;
  std::vector<uint8_t> raw((row + 1) * size_t(image->height));
  uLongf rawSize = uLongf(raw.size());
  if (uncompress(raw.data(), &rawSize, packed.data(), uLong(packed.size())) != Z_OK || rawSize != raw.size())
    return false;
  image->rgb.assign(row * size_t(image->height), 0);
  for (int32_t y = 0; y < image->height; y++) {
    const uint8_t filter = raw[size_t(y) * (row + 1)];
    const uint8_t* src = &raw[size_t(y) * (row + 1) + 1];
    uint8_t* out = &image->rgb[size_t(y) * row];
    const uint8_t* up = y > 0 ? out - row : nullptr;
    for (size_t x = 0; x < row; x++) {
      const int32_t a = x >= 3 ? out[x - 3] : 0, b = up ? up[x] : 0, c = (up && x >= 3) ? up[x - 3] : 0;
      int32_t v = src[x];
      switch (filter) {
        case 0: break;
        case 1: v += a; break;
        case 2: v += b; break;
        case 3: v += (a + b) / 2; break;
        case 4: v += Paeth(a, b, c); break;
        default: return false;
      }
      out[x] = uint8_t(v);
    }
  }
  return true;
}

struct Difference {
  double psnr;
  int32_t pixelsOff;   // pixels with a channel off by more than 16
};

Difference Compare(const Image& a, const Image& b) {
  double squares = 0.0;
  int32_t off = 0;
  for (size_t p = 0; p + 2 < a.rgb.size(); p += 3) {
    int32_t worst = 0;
    for (size_t k = 0; k < 3; k++) {
      const int32_t d = int32_t(a.rgb[p + k]) - int32_t(b.rgb[p + k]);
      squares += double(d) * d;
      worst = std::max(worst, std::abs(d));
    }
    off += worst > 16;
  }
  const double mse = squares / double(a.rgb.size());
  return {mse == 0.0 ? INFINITY : 10.0 * std::log10(255.0 * 255.0 / mse), off};
}

std::vector<int32_t> GoldenTimes(const fs::path& folder) {
  std::vector<int32_t> times;
  for (const auto& entry : fs::directory_iterator(folder)) {
    const std::string name = entry.path().filename().string();
    if (name.rfind("still-", 0) != 0 || entry.path().extension() != ".png") continue;
    const std::string digits = name.substr(6, name.size() - 10);
    if (digits.empty() || digits.find_first_not_of("0123456789") != std::string::npos) continue;
    times.push_back(std::atoi(digits.c_str()));
  }
  std::sort(times.begin(), times.end());
  return times;
}

TEST(Golden, StillsOfTheShowMatchTheirPictures) {
  const fs::path source = TARVON_SOURCE_DIR;
  const fs::path golden = source / "tests" / "golden";
  fs::path data = source / "data.qvx";
  if (const char* chosen = getenv("TARVON_DATA")) data = chosen;
  else if (!fs::exists(data)) data = source / "data";
  const bool archive = fs::is_regular_file(data);
  if (!archive && !fs::exists(data / "meeting.mp3"))
    GTEST_SKIP() << "no data/ or data.qvx in " << source << ": make the show's data first (make data)";
  const fs::path program = ProgramPath("tarvon3");
  if (!fs::exists(program)) GTEST_SKIP() << "no program " << program;
  const std::vector<int32_t> times = GoldenTimes(golden);
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
    Image want, got;
    ASSERT_TRUE(ReadPng((golden / name).string(), &want)) << name << " (golden) is not a PNG of 8-bit RGB";
    ASSERT_TRUE(ReadPng((work / "out" / name).string(), &got)) << name << " was not rendered";
    ASSERT_EQ(got.width, want.width) << name;
    ASSERT_EQ(got.height, want.height) << name;
    const Difference d = Compare(want, got);
    EXPECT_GE(d.psnr, 40.0) << name << ": " << d.pixelsOff << " pixels off (rendered: " << (work / "out" / name)
                            << "; regenerate with tools/update-golden.sh " << ms << " if the change is meant)";
    EXPECT_LE(d.pixelsOff, 320) << name << ": PSNR " << d.psnr << " dB";
  }
}

}  // namespace
