// The qvxpack program itself (build/bin/qvxpack, found through TARVON_BIN).
#include <gtest/gtest.h>
#include <filesystem>

#include "helpers.h"
#include "support/logfile.h"
#include "support/programs.h"
#include "support/small_disk.h"

using namespace archive_test;
namespace fs = std::filesystem;

namespace {

RunResult RunTool(const std::string& args) { return RunCommand(ProgramPath("qvxpack") + " " + args); }
void Write(const fs::path& path, const std::vector<uint8_t>& bytes) { WriteBytes(path.string(), bytes); }
std::vector<uint8_t> Read(const fs::path& path) { return ReadBytes(path.string()); }

class Qvxpack : public ::testing::Test {
 protected:
  void SetUp() override {
#if defined(_WIN32)
    GTEST_SKIP() << "runs qvxpack through a POSIX shell, which Windows has not";
#endif
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
  RunResult r = RunTool("--help");
  EXPECT_EQ(r.status, 0);
  EXPECT_NE(r.out.find("qvxpack create ARCHIVE PATH..."), std::string::npos);
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
    RunResult r = RunTool("create " + archive + " cli/in cli/extra.dat --method " + method);
    ASSERT_EQ(r.status, 0) << r.out;
    r = RunTool("list " + archive);
    ASSERT_EQ(r.status, 0) << r.out;
    for (const char* name : {"text.txt", "picture.raw", "random.bin", "empty", "extra.dat"})
      EXPECT_NE(r.out.find(name), std::string::npos) << r.out;
    EXPECT_EQ(r.out.find("skipped"), std::string::npos);
    if (std::string(method) != "auto") {
      std::string upper = method;
      for (char& c : upper) c = char(toupper(c));
      EXPECT_NE(r.out.find(upper), std::string::npos) << r.out;
    }
    r = RunTool("verify " + archive);
    EXPECT_EQ(r.status, 0) << r.out;
    std::string out = std::string("cli/out_") + method;
    r = RunTool("extract " + archive + " -C " + out);
    ASSERT_EQ(r.status, 0) << r.out;
    for (const char* name : {"text.txt", "picture.raw", "random.bin", "empty"})
      EXPECT_EQ(Read(fs::path(out) / name), Read(fs::path("cli/in") / name)) << name;
    EXPECT_EQ(Read(fs::path(out) / "extra.dat"), Read("cli/extra.dat"));
  }
  // Only the named entries.
  RunResult r = RunTool("extract cli/lzh.qvx text.txt -C cli/some");
  EXPECT_EQ(r.status, 0) << r.out;
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
  RunResult r = RunTool("verify cli/v.qvx");
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.out.find("BAD picture.raw: Bad CRC"), std::string::npos) << r.out;
  EXPECT_EQ(r.out.find("text.txt"), std::string::npos) << r.out;
  // Cut inside the entry's data: the decoder's own message, handed back to the tool, which writes
  // and reads no log file.
  bytes.resize(data + u32(at + 2) / 2);
  Write("cli/v.qvx", bytes);
  r = RunTool("verify cli/v.qvx");
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.out.find("BAD picture.raw: GetBit"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("(): unexpected EOF in input stream"), std::string::npos) << r.out;
  EXPECT_FALSE(fs::exists("log.txt"));
}

TEST_F(Qvxpack, ExtractRefusesNamesThatLeaveTheDirectory) {
  std::vector<uint8_t> file = {'Q', 'A', 'r', 0};
  PutStored(file, "../escape.txt", {'x'});
  PutStored(file, "..", {'y'});
  PutStored(file, "sub/inner.txt", {'z'});
  PutStored(file, "fine.txt", {'f'});
  Be(file, 0, 2);
  Write("cli/evil.qvx", file);
  RunResult r = RunTool("extract cli/evil.qvx -C cli/dest");
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.out.find("refusing the entry name \"../escape.txt\""), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("refusing the entry name \"sub/inner.txt\""), std::string::npos) << r.out;
  EXPECT_FALSE(fs::exists("cli/escape.txt"));
  EXPECT_FALSE(fs::exists("cli/dest/sub"));
  EXPECT_TRUE(fs::exists("cli/dest/fine.txt"));
}

// Like gzip and xz, extract keeps a file that is there unless told; on a full disk it leaves no
// cut-off entry (random.bin is bigger than the small disk lets a file grow), nor create a half archive.
TEST_F(Qvxpack, ExtractKeepsFilesThatAreThereAndLeavesNoneCutOff) {
  Write("cli/in/random.bin", RandomBytes(40000, 5));
  ASSERT_EQ(RunTool("create cli/x.qvx cli/in --method store").status, 0);
  fs::create_directories("cli/x");
  Write("cli/x/text.txt", {'p', 'r', 'e', 'c', 'i', 'o', 'u', 's'});
  RunResult r = RunTool("extract cli/x.qvx -C cli/x");
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.out.find("\"cli/x/text.txt\" already exists"), std::string::npos) << r.out;
  EXPECT_EQ(Read("cli/x/text.txt").size(), 8u);
  EXPECT_EQ(Read("cli/x/picture.raw"), Read("cli/in/picture.raw"));   // the others come out
  EXPECT_EQ(RunTool("extract cli/x.qvx -C cli/x --force").status, 0);
  EXPECT_EQ(Read("cli/x/text.txt"), Read("cli/in/text.txt"));

  r = RunCommand(kSmallDisk + ProgramPath("qvxpack") + " extract cli/x.qvx -C cli/small");
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.out.find("cannot write \"cli/small/random.bin\": File too large"), std::string::npos) << r.out;
  EXPECT_FALSE(fs::exists("cli/small/random.bin"));
  EXPECT_EQ(Temporaries("cli/small"), "");
  // create on the small disk keeps the archive it could not replace.
  const std::vector<uint8_t> archive = Read("cli/x.qvx");
  EXPECT_EQ(RunCommand(kSmallDisk + ProgramPath("qvxpack") + " create cli/x.qvx cli/in --method lzh").status, 1);
  EXPECT_EQ(Read("cli/x.qvx"), archive);
  EXPECT_EQ(Temporaries("cli"), "");
}

TEST_F(Qvxpack, AFailedCreateLeavesTheOldArchive) {
  ASSERT_EQ(RunTool("create cli/keep.qvx cli/extra.dat").status, 0);
  std::vector<uint8_t> before = Read("cli/keep.qvx");
  RunResult r = RunTool("create cli/keep.qvx cli/extra.dat cli/missing.file");
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
