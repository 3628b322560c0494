// Packer and reader together: every method on varied data and on sizes around the format's
// block boundaries, damaged streams, and whole archives in memory.
#include <gtest/gtest.h>

#include <filesystem>

#include "helpers.h"
#include "runtime/archive.h"
#include "runtime/memory.h"
#include "tools/qvxpack/archive_write.h"
#include "tools/qvxpack/bwt_encode.h"
#include "tools/qvxpack/lzh_encode.h"
#include "tools/qvxpack/pack.h"
#include "tools/qvxpack/rotation_sort.h"

using namespace archive_test;

namespace {

std::vector<std::pair<std::string, std::vector<uint8_t>>> Samples() {
  std::vector<std::pair<std::string, std::vector<uint8_t>>> s;
  s.push_back({"empty", {}});
  s.push_back({"one", {42}});
  s.push_back({"two", {0, 0}});
  s.push_back({"equal", std::vector<uint8_t>(70000, 7)});
  s.push_back({"zeros", std::vector<uint8_t>(1000, 0)});
  s.push_back({"random", RandomBytes(20000, 1)});
  s.push_back({"text", TextBytes(50000, 2)});
  s.push_back({"picture", PictureBytes(3 * 256 * 64, 3)});
  std::vector<uint8_t> periodic;
  for (int i = 0; i < 30000; i++) periodic.push_back(uint8_t("abcab"[i % 5]));
  s.push_back({"periodic", periodic});
  std::vector<uint8_t> far = RandomBytes(65535 + 300, 4);   // a repeat exactly 65535 back
  for (int i = 0; i < 300; i++) far.push_back(far[size_t(i)]);
  s.push_back({"far", far});
  return s;
}

void ExpectRoundTrip(int method, int delta, const std::vector<uint8_t>& data, const std::string& what) {
  PackOptions opt;
  opt.delta = delta;
  opt.verify = false;      // the test checks the result itself
  PackedEntry e = PackEntry(data.data(), data.size(), method, opt);
  std::vector<uint8_t> out(data.size(), 0x23);
  if (e.method == METHOD_STORE) {
    out = e.data;
  } else {
    out = Decode(e.method, e.data, data.size());
    qvx::DeltaDecode(out.data(), out.size(), e.delta);
  }
  EXPECT_EQ(out, data) << what << " method " << method << " delta " << delta;
  EXPECT_EQ(e.checksum, qvx::Adler32(data.data(), data.size()));
  if (method >= 0 && data.size() > 0) {
    EXPECT_EQ(e.method, method) << what << ": " << e.note;
  }
}

}  // namespace

TEST(RoundTrip, EveryMethodOnVariedData) {
  DebugMode = 0;
  for (const auto& [name, data] : Samples())
    for (int method : {METHOD_STORE, METHOD_LZH, METHOD_BWT, METHOD_PPM})
      for (int delta : {0, 3}) ExpectRoundTrip(method, delta, data, name);
  DebugMode = 1;
}

TEST(RoundTrip, SizesAroundBlockBoundaries) {
  DebugMode = 0;
  // LZH blocks hold 65536 symbols: random bytes make one literal per byte.
  for (size_t n : {65535u, 65536u, 65537u, 131073u}) ExpectRoundTrip(METHOD_LZH, 0, RandomBytes(n, uint32_t(n)), "lzh");
  // Matches of the longest lengths: 258 and the fixed 259, and one past.
  for (size_t n : {258u, 259u, 260u, 261u, 262u, 518u, 519u}) {
    std::vector<uint8_t> v(n + 1, 9);
    v[0] = 1;
    ExpectRoundTrip(METHOD_LZH, 0, v, "long match");
  }
  // BWT symbol blocks: 256 blocks at most, each up to 65536 symbols.
  for (size_t n : {255u, 256u, 257u, 25600u, 25601u, 256u * 6400u + 1}) {
    ExpectRoundTrip(METHOD_BWT, 0, RandomBytes(n, uint32_t(n)), "bwt random");
    ExpectRoundTrip(METHOD_BWT, 0, TextBytes(n, uint32_t(n)), "bwt text");
  }
  // Past 4 MiB the inverse transform walks two rows per load instead of four.
  std::vector<uint8_t> big = RandomBytes((4u << 20) + 3, 77);
  for (size_t i = 0; i < big.size(); i += 7) big[i] = 0;
  ExpectRoundTrip(METHOD_BWT, 0, big, "bwt beyond 4 MiB");
  DebugMode = 1;
}

TEST(RoundTrip, AutoPicksTheSmallestAndDeltaHelpsPictures) {
  DebugMode = 0;
  std::vector<uint8_t> pic = PictureBytes(3 * 256 * 48, 9);
  PackedEntry best = PackEntry(pic.data(), pic.size(), kMethodAuto, PackOptions{});
  EXPECT_TRUE(UnpacksTo(best, pic.data(), pic.size()));
  for (int method : {METHOD_LZH, METHOD_BWT}) {
    PackOptions opt;
    opt.delta = 0;
    PackedEntry plain = PackEntry(pic.data(), pic.size(), method, opt);
    EXPECT_LE(best.data.size(), plain.data.size());
  }
  EXPECT_GT(best.delta, 0);   // rows of a smooth picture pack better as differences
  std::vector<uint8_t> empty;
  PackedEntry e = PackEntry(empty.data(), 0, kMethodAuto, PackOptions{});
  EXPECT_EQ(e.method, METHOD_STORE);
  EXPECT_TRUE(e.data.empty());
  DebugMode = 1;
}

TEST(RotationSort, NotQuadraticOnRepetitiveData) {
  // A million equal bytes and a long period: both sort in a handful of doubling rounds.
  std::vector<uint8_t> same(1 << 20, 'z');
  std::vector<int32_t> order = SortRotations(same.data(), int32_t(same.size()));
  EXPECT_EQ(order.size(), same.size());
  std::vector<uint8_t> text = TextBytes(1 << 19, 11);
  std::vector<uint8_t> twice = text;
  twice.insert(twice.end(), text.begin(), text.end());
  order = SortRotations(twice.data(), int32_t(twice.size()));
  for (size_t k = 1; k < 2000; k++) {
    // Adjacent rotations are in order (checked on a prefix of each).
    size_t a = size_t(order[k - 1]), b = size_t(order[k]);
    for (size_t i = 0; i < twice.size(); i++) {
      uint8_t x = twice[(a + i) % twice.size()], y = twice[(b + i) % twice.size()];
      if (x != y) { ASSERT_LT(x, y); break; }
      if (i > 4096) break;
    }
  }
  DebugMode = 0;
  ExpectRoundTrip(METHOD_BWT, 0, same, "equal bytes");
  DebugMode = 1;
}

TEST(DamagedStreams, AreRefusedWithoutLeavingTheirBuffers) {
  DebugMode = 0;
  std::vector<uint8_t> text = TextBytes(3000, 21);
  std::vector<std::pair<int, std::vector<uint8_t>>> streams = {
      {METHOD_LZH, LzhEncode(text.data(), text.size())},
      {METHOD_BWT, BwtEncode(text.data(), text.size())}};
  std::mt19937 rng(5);
  int refused = 0;
  for (const auto& [method, packed] : streams) {
    for (int round = 0; round < 300; round++) {
      std::vector<uint8_t> bad = packed;
      int kind = round % 3;
      if (kind == 0) bad[rng() % bad.size()] ^= uint8_t(1 << (rng() % 8));
      else if (kind == 1) bad.resize(rng() % bad.size());
      else for (int k = 0; k < 8; k++) bad[rng() % bad.size()] = uint8_t(rng());
      // Decoded into a buffer of exactly the entry's size: AddressSanitizer builds catch any
      // write past it.
      std::vector<uint8_t> out(text.size());
      DebugMode = 0;
      BitReader in(bad.data(), bad.size());
      Failure why;
      const bool whole = method == METHOD_LZH ? DecodeLZH(in, out.data(), int32_t(out.size()), why)
                                              : DecodeBWT(in, out.data(), int32_t(out.size()), why);
      EXPECT_EQ(whole, !why.Failed());
      refused += !whole;
    }
  }
  EXPECT_GT(refused, 100);
  DebugMode = 1;
}

TEST(WholeArchive, WrittenByThePackerReadByTheReader) {
  DebugMode = 0;
  std::vector<ArchiveItem> items;
  int i = 0;
  for (const auto& [name, data] : Samples()) {
    ArchiveItem item;
    item.name = name;
    item.size = uint32_t(data.size());
    item.packed = PackEntry(data.data(), data.size(), i++ % 4, PackOptions{});
    items.push_back(item);
  }
  std::string error;
  ASSERT_TRUE(WriteArchiveFile("whole.qvx", items, error)) << error;
  DebugMode = 1;
  Failure why;
  Archive* a = OpenArchive("whole.qvx", why);
  ASSERT_TRUE(a);
  for (const auto& [name, data] : Samples()) {
    ASSERT_FALSE(a->end);
    EXPECT_EQ(std::string(a->name), name);
    EXPECT_EQ(a->unpackedSize, int32_t(data.size()));
    std::vector<uint8_t> out(data.size() + 1);
    ExtractFile(a, out.data());
    out.pop_back();
    EXPECT_EQ(out, data) << name;
    NextFile(a);
  }
  EXPECT_TRUE(a->end);
  CloseArchive(a);
}

TEST(WholeArchive, NamesLongerThanTheFormatAreRefused) {
  ArchiveItem item;
  item.name = std::string(260, 'n');
  std::string error;
  EXPECT_FALSE(CheckItem(item, error));
  EXPECT_NE(error.find("longer than 259"), std::string::npos);
  item.name = std::string(259, 'n');
  EXPECT_TRUE(CheckItem(item, error));
  EXPECT_FALSE(WriteArchiveFile("refused.qvx", {ArchiveItem{std::string(300, 'n'), 0, {}}}, error));
  EXPECT_FALSE(std::filesystem::exists("refused.qvx"));
}
