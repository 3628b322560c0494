// The qvxpack program itself (build/bin/qvxpack, found through TARVON_BIN).
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <filesystem>

#include "helpers.h"

using namespace archive_test;
namespace fs = std::filesystem;

namespace {

std::string Tool() {
  const char* bin = getenv("TARVON_BIN");
  return std::string(bin ? bin : TARVON_BINARY_DIR "/bin") + "/qvxpack";
}

struct Result {
  int status;
  std::string output;
};

Result RunTool(const std::string& args) {
  std::string command = Tool() + " " + args + " 2>&1";
  FILE* p = popen(command.c_str(), "r");
  Result r{-1, ""};
  if (!p) return r;
  char buf[4096];
  size_t k;
  while ((k = fread(buf, 1, sizeof buf, p)) > 0) r.output.append(buf, k);
  int status = pclose(p);
  r.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return r;
}

void Write(const fs::path& path, const std::vector<uint8_t>& bytes) {
  FILE* f = fopen(path.c_str(), "wb");
  ASSERT_TRUE(f);
  if (!bytes.empty()) fwrite(bytes.data(), 1, bytes.size(), f);
  fclose(f);
}

std::vector<uint8_t> Read(const fs::path& path) {
  std::vector<uint8_t> v(fs::file_size(path));
  FILE* f = fopen(path.c_str(), "rb");
  if (f) {
    size_t got = fread(v.data(), 1, v.size(), f);
    v.resize(got);
    fclose(f);
  }
  return v;
}

void Be(std::vector<uint8_t>& out, uint32_t v, int bytes) {
  for (int i = bytes - 1; i >= 0; i--) out.push_back(uint8_t(v >> (8 * i)));
}

// A stored entry written by hand.
void Stored(std::vector<uint8_t>& out, const std::string& name, const std::vector<uint8_t>& data) {
  Be(out, uint32_t(22 + name.size()), 2);
  Be(out, uint32_t(data.size()), 4);
  Be(out, uint32_t(name.size()), 2);
  out.insert(out.end(), name.begin(), name.end());
  Be(out, uint32_t(data.size()), 4);
  out.push_back(0);
  out.push_back(0);
  Be(out, qvx::Adler32(data.data(), data.size()), 4);
  Be(out, 0, 4);
  out.insert(out.end(), data.begin(), data.end());
}

class Qvxpack : public ::testing::Test {
 protected:
  void SetUp() override {
    fs::remove_all("cli");
    fs::create_directories("cli/in/sub");
    Write("cli/in/text.txt", TextBytes(20000, 1));
    Write("cli/in/picture.raw", PictureBytes(3 * 256 * 32, 2));
    Write("cli/in/random.bin", RandomBytes(3000, 3));
    Write("cli/in/empty", {});
    Write("cli/in/sub/skipped", {1, 2, 3});     // directories are taken flat
    Write("cli/extra.dat", TextBytes(500, 4));
  }
};

}  // namespace

TEST_F(Qvxpack, HelpAndBadUsage) {
  Result r = RunTool("--help");
  EXPECT_EQ(r.status, 0);
  EXPECT_NE(r.output.find("qvxpack create ARCHIVE PATH..."), std::string::npos);
  // A command line it cannot take is status 2; a failure on good words is 1.
  for (const char* bad : {"", "frob x", "list", "create cli/a.qvx", "create cli/a.qvx cli/in --method zip",
                          "create cli/a.qvx cli/in --order 16", "create cli/a.qvx cli/in --bogus"})
    EXPECT_EQ(RunTool(bad).status, 2) << bad;
  EXPECT_EQ(RunTool("list cli/none.qvx").status, 1);
}

TEST_F(Qvxpack, CreateListExtractVerifyEveryMethod) {
  for (const char* method : {"store", "lzh", "bwt", "ppm", "auto"}) {
    SCOPED_TRACE(method);
    std::string archive = std::string("cli/") + method + ".qvx";
    Result r = RunTool("create " + archive + " cli/in cli/extra.dat --method " + method);
    ASSERT_EQ(r.status, 0) << r.output;
    r = RunTool("list " + archive);
    ASSERT_EQ(r.status, 0) << r.output;
    for (const char* name : {"text.txt", "picture.raw", "random.bin", "empty", "extra.dat"})
      EXPECT_NE(r.output.find(name), std::string::npos) << r.output;
    EXPECT_EQ(r.output.find("skipped"), std::string::npos);
    if (std::string(method) != "auto") {
      std::string upper = method;
      for (char& c : upper) c = char(toupper(c));
      EXPECT_NE(r.output.find(upper), std::string::npos) << r.output;
    }
    r = RunTool("verify " + archive);
    EXPECT_EQ(r.status, 0) << r.output;
    std::string out = std::string("cli/out_") + method;
    r = RunTool("extract " + archive + " -C " + out);
    ASSERT_EQ(r.status, 0) << r.output;
    for (const char* name : {"text.txt", "picture.raw", "random.bin", "empty"})
      EXPECT_EQ(Read(fs::path(out) / name), Read(fs::path("cli/in") / name)) << name;
    EXPECT_EQ(Read(fs::path(out) / "extra.dat"), Read("cli/extra.dat"));
  }
  // Only the named entries.
  Result r = RunTool("extract cli/lzh.qvx text.txt -C cli/some");
  EXPECT_EQ(r.status, 0) << r.output;
  EXPECT_TRUE(fs::exists("cli/some/text.txt"));
  EXPECT_FALSE(fs::exists("cli/some/random.bin"));
  EXPECT_EQ(RunTool("extract cli/lzh.qvx nothere -C cli/some").status, 1);
}

TEST_F(Qvxpack, VerifyNamesTheFirstBadEntry) {
  ASSERT_EQ(RunTool("create cli/v.qvx cli/in --method lzh").status, 0);
  std::vector<uint8_t> bytes = Read("cli/v.qvx");
  // Entries are sorted by name: empty, picture.raw, random.bin, text.txt. Damage picture.raw's data.
  size_t at = 4;
  auto u16 = [&](size_t p) { return size_t(bytes[p]) << 8 | bytes[p + 1]; };
  auto u32 = [&](size_t p) { return size_t(u16(p)) << 16 | u16(p + 2); };
  at += u16(at) + u32(at + 2);                      // past "empty"
  ASSERT_EQ(std::string(bytes.begin() + long(at) + 8, bytes.begin() + long(at) + 19), "picture.raw");
  size_t data = at + u16(at);
  bytes[data + u32(at + 2) / 2] ^= 0x10;
  Write("cli/v.qvx", bytes);
  Result r = RunTool("verify cli/v.qvx");
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.output.find("BAD picture.raw"), std::string::npos) << r.output;
  EXPECT_EQ(r.output.find("text.txt"), std::string::npos) << r.output;
}

TEST_F(Qvxpack, ExtractRefusesNamesThatLeaveTheDirectory) {
  std::vector<uint8_t> file = {'Q', 'A', 'r', 0};
  Stored(file, "../escape.txt", {'x'});
  Stored(file, "..", {'y'});
  Stored(file, "sub/inner.txt", {'z'});
  Stored(file, "fine.txt", {'f'});
  Be(file, 0, 2);
  Write("cli/evil.qvx", file);
  Result r = RunTool("extract cli/evil.qvx -C cli/dest");
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.output.find("refusing the entry name \"../escape.txt\""), std::string::npos) << r.output;
  EXPECT_NE(r.output.find("refusing the entry name \"sub/inner.txt\""), std::string::npos) << r.output;
  EXPECT_FALSE(fs::exists("cli/escape.txt"));
  EXPECT_FALSE(fs::exists("cli/dest/sub"));
  EXPECT_TRUE(fs::exists("cli/dest/fine.txt"));
}

TEST_F(Qvxpack, AFailedCreateLeavesTheOldArchive) {
  ASSERT_EQ(RunTool("create cli/keep.qvx cli/extra.dat").status, 0);
  std::vector<uint8_t> before = Read("cli/keep.qvx");
  Result r = RunTool("create cli/keep.qvx cli/extra.dat cli/missing.file");
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(Read("cli/keep.qvx"), before);
  // Two inputs of one name.
  fs::create_directories("cli/other");
  Write("cli/other/extra.dat", {1});
  EXPECT_EQ(RunTool("create cli/keep.qvx cli/extra.dat cli/other").status, 1);
  EXPECT_EQ(Read("cli/keep.qvx"), before);
  for (const auto& e : fs::directory_iterator("cli"))
    EXPECT_EQ(e.path().filename().string().find("keep.qvx."), std::string::npos) << "left behind: " << e.path();
}
