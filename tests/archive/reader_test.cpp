// The archive reader over archive files whose bytes are written here by hand.
#include <gtest/gtest.h>
#include <filesystem>

#include <cstring>

#include "helpers.h"
#include "runtime/archive.h"
#include "runtime/memory.h"
#include "support/logfile.h"

using namespace archive_test;

namespace {

Archive* Open(const char* path) {
  Failure why;
  return OpenArchive(path, why);
}

// Adler-32 the plain way: both sums reduced after every byte.
uint32_t PlainAdler(const std::vector<uint8_t>& v) {
  uint32_t a = 1, b = 0;
  for (uint8_t x : v) { a = (a + x) % 65521; b = (b + a) % 65521; }
  return b << 16 | a;
}

std::vector<uint8_t> Start() { return {'Q', 'A', 'r', 0x7F}; }

void Save(const char* path, const std::vector<uint8_t>& bytes) { WriteBytes(path, bytes); }

// An LZH stream of one block: literals 1, 1 and a match (length 3, distance 1): 1 1 1 1 1.
// Code lengths 1 for symbols 1 and 256 + 0 (length 3, previous distance): 1 -> 0, 256 -> 1.
std::vector<uint8_t> OnesLzh() {
  BitWriter w;
  w.Put(1, 1);
  w.Put(2, 16);
  w.Put(256, 10);
  w.Put(4, 5);                                    // nested: last symbol 4
  PutBits(w, "0000 0000 0000 0001 0001");          // symbols 3 (length 0) and 4 (length 1): 3 -> 0, 4 -> 1
  PutBits(w, "0 1");                               // length 0 for symbol 0, length 1 for symbol 1
  // 254 zeros for symbols 2..255 would need runs; spell them as 254 explicit zeros.
  for (int s = 2; s < 256; s++) PutBits(w, "0");
  PutBits(w, "1");                                 // symbol 256
  PutBits(w, "0 0 1");                             // 1, 1, match
  w.Put(0, 1);
  return w.Finish();
}

struct Found {
  std::vector<std::string> names;
  std::vector<std::vector<uint8_t>> data;
};

Found ReadAll(const char* path) {
  Found f;
  Archive* a = Open(path);
  EXPECT_TRUE(a);
  if (!a) return f;
  while (!a->end) {
    f.names.push_back(a->name);
    std::vector<uint8_t> out(size_t(a->unpackedSize) + 1, 0x23);
    uint32_t sum = ExtractFile(a, out.data());
    EXPECT_EQ(sum, a->checksum);
    out.pop_back();
    f.data.push_back(out);
    NextFile(a);
  }
  CloseArchive(a);
  return f;
}

}  // namespace

TEST(ArchiveReader, WalksAndExtractsAHandBuiltArchive) {
  DebugMode = 1;
  std::vector<uint8_t> hello = {'h', 'e', 'l', 'l', 'o'};
  std::vector<uint8_t> ones(5, 1);
  // Delta 2 turns the stored differences 1, 1, 1, 1, 1 into 1, 1, 2, 2, 3.
  std::vector<uint8_t> deltaOnes = {1, 1, 2, 2, 3};
  std::vector<uint8_t> file = Start();
  PutEntry(file, "hello.txt", 5, 0, 0, PlainAdler(hello), hello);
  PutEntry(file, "ones.bin", 5, 1, 0, PlainAdler(ones), OnesLzh());
  PutEntry(file, "empty", 0, 0, 0, 1, {});
  PutEntry(file, "delta.bin", 5, 1, 2, PlainAdler(deltaOnes), OnesLzh(), 40);   // padded header
  Be(file, 0, 2);
  file.insert(file.end(), {1, 2, 3, 4, 5, 6, 7});                          // ignored after the end
  Save("hand.qvx", file);

  Found f = ReadAll("hand.qvx");
  ASSERT_EQ(f.names, (std::vector<std::string>{"hello.txt", "ones.bin", "empty", "delta.bin"}));
  EXPECT_EQ(f.data[0], hello);
  EXPECT_EQ(f.data[1], ones);
  EXPECT_TRUE(f.data[2].empty());
  EXPECT_EQ(f.data[3], deltaOnes);
  EXPECT_EQ(MemoryInUse(), 0);
}

TEST(ArchiveReader, DeltaExampleAndAdlerValues) {
  std::vector<uint8_t> v = {1, 1, 1, 1};
  qvx::DeltaDecode(v.data(), v.size(), 2);
  EXPECT_EQ(v, (std::vector<uint8_t>{1, 1, 2, 2}));
  qvx::DeltaEncode(v.data(), v.size(), 2);
  EXPECT_EQ(v, (std::vector<uint8_t>{1, 1, 1, 1}));
  EXPECT_EQ(qvx::Adler32(nullptr, 0), 1u);
  const char* wiki = "Wikipedia";
  EXPECT_EQ(qvx::Adler32(wiki, 9), 0x11E60398u);
  std::vector<uint8_t> big = RandomBytes(100000, 5);
  std::fill(big.begin() + 50000, big.end(), 0xFF);     // the largest sums
  EXPECT_EQ(qvx::Adler32(big.data(), big.size()), PlainAdler(big));
}

TEST(ArchiveReader, EmptyArchivesAndWrongMagic) {
  std::vector<uint8_t> file = Start();
  Be(file, 0, 2);
  Be(file, 0, 4);
  Save("none.qvx", file);
  Archive* a = Open("none.qvx");
  ASSERT_TRUE(a);
  EXPECT_EQ(a->end, 1);
  EXPECT_EQ(NextFile(a), 0);
  CloseArchive(a);

  Save("bare.qvx", Start());                          // nothing after the magic
  a = Open("bare.qvx");
  ASSERT_TRUE(a);
  EXPECT_EQ(a->end, 1);
  CloseArchive(a);

  EXPECT_EQ(MemoryInUse(), 0);
}

TEST(ArchiveReader, UnopenableSourcesAreRefused) {
  std::filesystem::create_directory("adir");
  for (const char* name : {"adir", "missing.qvx"}) {
    Failure why;
    EXPECT_EQ(OpenArchive(name, why), nullptr);
    EXPECT_EQ(std::string(why.text), "Couldn't open file \"" + std::string(name) + "\" for reading");
  }
  Failure why;
  Save("wrong.qvx", {'Q', 'A', 'x', 0, 0, 0});
  EXPECT_EQ(OpenArchive("wrong.qvx", why), nullptr);
  EXPECT_FALSE(why.Failed());   // a wrong magic is no failure of the file: LoadFile names it
}

TEST(ArchiveReader, DamagedEntriesEndWithTheirLines) {
  // An archive of one damaged entry: the fatal line of its extraction.
  auto extract = [](uint32_t size, int method, uint32_t sum, const std::vector<uint8_t>& data) {
    std::vector<uint8_t> file = Start();
    PutEntry(file, "damaged", size, method, 0, sum, data);
    Save("damaged.qvx", file);
    return FatalOf([] {
      Archive* a = Open("damaged.qvx");
      std::vector<uint8_t> out(size_t(a->unpackedSize));
      ExtractFile(a, out.data());
    });
  };
  const std::vector<uint8_t> hello = {'h', 'e', 'l', 'l', 'o'};
  EXPECT_EQ(extract(5, 0, PlainAdler(hello) ^ 1, hello), FatalLine("Bad CRC"));
  EXPECT_EQ(extract(8, 0, PlainAdler(hello), hello), FatalLine("Bad CRC"));   // a stored entry cut short
  EXPECT_EQ(extract(5, 9, PlainAdler(hello), hello), FatalLine("Bad CRC"));   // no such method
  std::vector<uint8_t> cut = OnesLzh();
  cut.resize(cut.size() / 2);   // cut inside the lengths' one-bit codes, read a bit at a time
  EXPECT_EQ(extract(5, 1, PlainAdler(std::vector<uint8_t>(5, 1)), cut), FatalLine("GetBit(): unexpected EOF in input stream"));
}

TEST(ArchiveReader, NamesUpToTheFormatsLimitAreReadAndLongerOnesEndTheWalk) {
  std::vector<uint8_t> file = Start();
  PutStored(file, std::string(259, 'n'), {7});
  PutEntry(file, std::string(300, 'x'), 0, 0, 0, 1, {});
  Save("longname.qvx", file);
  DebugMode = 1;
  std::remove("log.txt");
  EXPECT_EQ(ReadAll("longname.qvx").names, std::vector<std::string>{std::string(259, 'n')});
  EXPECT_NE(LogText().find("ERROR: GetFileInfo(): Name length 300 (at most 259) !"), std::string::npos);
}

TEST(ArchiveReader, UnpackRefusalsAndAWalkThatStaysEnded) {
  std::vector<uint8_t> file = Start();
  PutEntry(file, "negative", 0xFFFFFFFF, 0, 0, 1, {});
  PutEntry(file, std::string(300, 'x'), 0, 0, 0, 1, {});   // ends the walk
  PutStored(file, "behind", {7});
  Save("refused.qvx", file);
  file = Start();
  PutEntry(file, "far", 5, 1, 0, 1, {}, 200);
  file.resize(file.size() - (200 - qvx::kEntryFixedSize - 3));   // its header runs past the end
  Save("far.qvx", file);
  std::vector<uint8_t> out(8);
  auto refusal = [&](Archive* a) {
    Failure why;
    uint32_t sum = 0;
    EXPECT_FALSE(UnpackEntry(a, out.data(), &sum, why));
    return std::string(why.text);
  };
  Archive* a = Open("refused.qvx");
  EXPECT_EQ(refusal(a), "ExtractFile(): Unpacked size -1 of \"negative\"");
  EXPECT_EQ(NextFile(a), 0);
  EXPECT_EQ(NextFile(a), 0);
  EXPECT_EQ(refusal(a), "ExtractFile(): No current entry in archive \"refused.qvx\"");
  CloseArchive(a);
  a = Open("far.qvx");
  EXPECT_EQ(refusal(a), "GetBit(): unexpected EOF in input stream");
  CloseArchive(a);
  CloseArchive(nullptr);
}
