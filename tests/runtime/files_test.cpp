// Data file access over a temporary tree: the current directory before the data directory before
// the archive (hand-built bytes), the three forms of the source, sizes, destinations, the log
// lines and the fatal ends.
#include <gtest/gtest.h>
#include <filesystem>

#include "archive/helpers.h"
#include "runtime/files.h"
#include "runtime/picture.h"
#include "support/logfile.h"
#include "tools/qvxpack/ppm_encode.h"

namespace {

using Bytes = std::vector<uint8_t>;

Bytes Text(const std::string& s) { return Bytes(s.begin(), s.end()); }

// One archive entry written field by field, big-endian.
struct Entry {
  std::string name;
  Bytes data;          // unpacked bytes
  int method = 0;      // 0 stored, 3 PPM
  int order = 3;
};

Bytes Archive(const std::vector<Entry>& entries) {
  Bytes b = {'Q', 'A', 'r', 0};
  for (const Entry& e : entries)
    archive_test::PutEntry(b, e.name, uint32_t(e.data.size()), e.method, 0, qvx::Adler32(e.data.data(), e.data.size()),
                           e.method == 3 ? PpmEncode(e.data.data(), e.data.size(), e.order) : e.data);
  archive_test::Be(b, 0, 2);
  return b;
}

std::string LogText() { return Slurp("log.txt"); }
bool Has(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

Bytes LoadBytes(const char* name) {
  int32_t size = -1;
  uint8_t* p = static_cast<uint8_t*>(LoadFileSized(name, nullptr, &size));
  Bytes b(p, p + size);
  UnloadFile(p);
  return b;
}

class Files : public ::testing::Test {
 protected:
  void SetUp() override {
    DebugMode = 1;
    std::remove("log.txt");
    Clean();
    std::filesystem::create_directory("data");
  }
  void TearDown() override { Clean(); }
  static void Clean() {
    for (const char* f : {"loading.tga", "x.tga", "empty.bin", "only.txt", "plain.txt", "test.qvx",
                          "data/x.tga", "data/loading.tga", "data/only.txt", "data/empty.bin"})
      std::remove(f);
    rmdir("data");
  }
};

}  // namespace

TEST_F(Files, CurrentDirectoryComesFirst) {
  WriteBytes("test.qvx", Archive({{"loading.tga", Text("from the archive")}, {"only.txt", Text("archived")}}));
  WriteBytes("loading.tga", Text("from here"));
  WriteBytes("data/loading.tga", Text("from data"));
  SetArchiveName("test.qvx");
  EXPECT_STREQ(GetFullPath("loading.tga"), "loading.tga");
  EXPECT_EQ(LoadBytes("loading.tga"), Text("from here"));
  EXPECT_EQ(FileSize("loading.tga"), 9);
  std::remove("loading.tga");
  // The archive is the source here, so data/ is not looked at.
  EXPECT_STREQ(GetFullPath("loading.tga"), "test.qvx");
  EXPECT_EQ(LoadBytes("loading.tga"), Text("from the archive"));
  EXPECT_EQ(FileSize("loading.tga"), 16);
  EXPECT_EQ(LoadBytes("only.txt"), Text("archived"));
  std::string log = LogText();
  EXPECT_TRUE(Has(log, "Info: SetArchiveName(test.qvx)\n"));
  EXPECT_TRUE(Has(log, "Info: LoadFile(): Extracting file \"loading.tga\" from archive \"test.qvx\"\n"));
  EXPECT_TRUE(Has(log, "Info: FileSize(): Looking for file \"loading.tga\" in archive \"test.qvx\"\n"));
  EXPECT_TRUE(Has(log, "Info: Nalloc(16,\"loading.tga\")"));
}

TEST_F(Files, DataDirectoryWithOrWithoutSlash) {
  WriteBytes("data/x.tga", Text("pixels"));
  for (const char* source : {"data/", "data"}) {
    SetArchiveName(source);
    EXPECT_STREQ(GetFullPath("x.tga"), "data/x.tga") << source;
    EXPECT_EQ(FileSize("x.tga"), 6);
    EXPECT_EQ(LoadBytes("x.tga"), Text("pixels"));
  }
  // A directory of the file's name is not a file.
  std::filesystem::create_directory("x.tga");
  EXPECT_STREQ(GetFullPath("x.tga"), "data/x.tga");
  rmdir("x.tga");
}

TEST_F(Files, MissingFromTheArchive) {
  WriteBytes("test.qvx", Archive({{"a.bin", Text("a")}}));
  SetArchiveName("test.qvx");
  std::remove("log.txt");
  EXPECT_EQ(FileSize("nothere.tga"), -1);
  std::string log = LogText();
  EXPECT_TRUE(Has(log, "Info: FileSize(): Looking for file \"nothere.tga\" in archive \"test.qvx\"\n"));
  EXPECT_FALSE(Has(log, "ERROR")) << log;
  EXPECT_FALSE(Has(log, "WARNING")) << log;
  EXPECT_EQ(FatalOf(+[] { LoadFile("nothere.tga", nullptr); }),
            "FATAL ERROR: LoadFile(): Couldn't find file \"nothere.tga\" in archive \"test.qvx\" !!!");
  // An archive without entries finds nothing either.
  WriteBytes("test.qvx", Archive({}));
  EXPECT_EQ(FileSize("a.bin"), -1);
}

TEST_F(Files, DestinationAndBlocks) {
  WriteBytes("plain.txt", Text("0123456789"));
  WriteBytes("test.qvx", Archive({{"only.txt", Text("archived")}}));
  SetArchiveName("test.qvx");
  char buffer[16] = {};
  int32_t before = MemoryInUse();
  EXPECT_EQ(LoadFile("plain.txt", buffer), buffer);
  EXPECT_EQ(std::string(buffer), "0123456789");
  EXPECT_EQ(LoadFile("only.txt", buffer), buffer);
  EXPECT_EQ(std::string(buffer, 8), "archived");
  EXPECT_EQ(MemoryInUse(), before) << "a destination makes no block";
  EXPECT_FALSE(Has(LogText(), "\"plain.txt\") ->"));
  EXPECT_FALSE(Has(LogText(), "\"only.txt\") ->"));

  void* p = LoadFile("plain.txt", nullptr);
  EXPECT_EQ(MemoryInUse(), before + 10);
  EXPECT_TRUE(Has(LogText(), "Info: Nalloc(10,\"plain.txt\")"));
  UnloadFile(p);
  EXPECT_EQ(MemoryInUse(), before);
  char line[64];
  snprintf(line, sizeof line, "Info: UnloadFile(%p)\n", p);
  EXPECT_TRUE(Has(LogText(), line));
}

TEST_F(Files, ZeroLengthFile) {
  WriteBytes("empty.bin", {});
  SetArchiveName("data/");
  EXPECT_EQ(FileSize("empty.bin"), 0);
  std::remove("log.txt");
  EXPECT_EQ(LoadBytes("empty.bin"), Bytes{});
  EXPECT_TRUE(Has(LogText(), "Info: Nalloc(0,\"empty.bin\"): Size = 0\n"));
}

TEST_F(Files, PackedEntriesUnpack) {
  std::string s;
  for (int i = 0; i < 300; i++) s += "a spline path, an object, a picture; ";
  WriteBytes("test.qvx", Archive({{"stored.txt", Text("plain")}, {"obj4.3dm", Text(s), 3, 4},
                                 {"tiny", Text("x"), 3, 0}, {"none", {}, 3, 2}}));
  SetArchiveName("test.qvx");
  EXPECT_EQ(FileSize("obj4.3dm"), int32_t(s.size()));
  EXPECT_EQ(LoadBytes("obj4.3dm"), Text(s));
  EXPECT_EQ(LoadBytes("tiny"), Text("x"));
  EXPECT_EQ(LoadBytes("none"), Bytes{});
  EXPECT_EQ(LoadBytes("stored.txt"), Text("plain"));
}

TEST_F(Files, PicturesComeThroughTheArchive) {
  Bytes tga = {0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1, 0, 1, 0, 24, 0, 0x10, 0x20, 0x30};
  WriteBytes("test.qvx", Archive({{"x.tga", tga, 3, 2}}));
  SetArchiveName("test.qvx");
  Picture* p = LoadPicture("x.tga");
  ASSERT_NE(p, nullptr);
  EXPECT_EQ(p->data[0], 0x30);
  EXPECT_EQ(p->data[2], 0x10);
  UnloadPicture(p);
}

TEST_F(Files, NowhereToBeFound) {
  // No source named yet: an error and null, and LoadFile's fatal line.
  rmdir("data");
  EXPECT_EQ(FatalOf(+[] {
              // A fresh process state is not available here, so name a source that is a file
              // without the archive magic: GetFullPath warns and errs, the caller is fatal.
              WriteBytes("plain.txt", Text("not an archive"));
              SetArchiveName("plain.txt");
              LoadFile("x.tga", nullptr);
            }),
            "FATAL ERROR: LoadFile(): Couldn't open file \"x.tga\" !!!");
  std::string log = LogText();
  EXPECT_TRUE(Has(log, "WARNING: GetFullPath(): File \"x.tga\" not found in archive \"plain.txt\" !\n"));
  EXPECT_TRUE(Has(log, "ERROR: GetFullPath(): Couldn't open file \"x.tga\" !\n"));
  EXPECT_EQ(FatalOf(+[] { FileSize("x.tga"); }), "FATAL ERROR: FileSize(): Couldn't open file \"x.tga\" !!!");

  // A directory as source: the archive reader cannot open it at all.
  std::filesystem::create_directory("data");
  EXPECT_EQ(FatalOf(+[] {
              SetArchiveName("data");
              LoadFile("x.tga", nullptr);
            }),
            "FATAL ERROR: Couldn't open file \"data\" for reading !!!");
}

TEST_F(Files, NullNamesAreFatal) {
  char null[32];   // the C library's own way of printing a null pointer: "(nil)", "00000000", ...
  snprintf(null, sizeof null, "%p", static_cast<void*>(nullptr));
  const std::string n = null;
  EXPECT_EQ(FatalOf(+[] { LoadFile(nullptr, nullptr); }), "FATAL ERROR: LoadFile((null), " + n + "): NULL pointer !!!");
  EXPECT_EQ(FatalOf(+[] { FileSize(nullptr); }), "FATAL ERROR: FileSize(" + n + "): NULL pointer !!!");
  EXPECT_EQ(FatalOf(+[] { GetFullPath(nullptr); }), "FATAL ERROR: GetFullPath(" + n + "): NULL pointer !!!");
  EXPECT_EQ(FatalOf(+[] { SetArchiveName(nullptr); }), "FATAL ERROR: SetArchiveName(" + n + "): NULL pointer !!!");
}

TEST_F(Files, OverlongNamesStayInTheBuffer) {
  WriteBytes("test.qvx", Archive({{"a.bin", Text("a")}}));
  SetArchiveName("test.qvx");
  std::string longName(2000, 'n');
  EXPECT_STREQ(GetFullPath(longName.c_str()), "test.qvx");
  EXPECT_EQ(FileSize(longName.c_str()), -1);
  std::string source(1500, 's');
  SetArchiveName(source.c_str());
  EXPECT_EQ(FatalOf(+[] { GetFullPath("x.tga"); }).substr(0, 34), "FATAL ERROR: Couldn't open file \"s");
}
