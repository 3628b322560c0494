// Named blocks: the log of every allocation, guard zones, the real-use measure and the exit report.
#include <gtest/gtest.h>

#include <cstring>

#include "runtime/log.h"
#include "runtime/memory.h"
#include "support/logfile.h"

namespace {

struct MemoryTest : LoggedTest {
  void SetUp() override {
    LoggedTest::SetUp();
    InitMemory();
  }
};

TEST_F(MemoryTest, BlocksAreFilledLoggedAndMeasured) {
  auto* p = static_cast<uint8_t*>(Nalloc(100, "Test block"));
  for (int i = 0; i < 100; i++) ASSERT_EQ(p[i], '#');
  EXPECT_EQ(p[-1], '*');
  EXPECT_EQ(p[100], '*');
  EXPECT_EQ(p[-8192], '*');
  EXPECT_EQ(MemoryInUse(), 100);
  memset(p, 0, 40);   // only the first 40 bytes really used
  Free(p);
  EXPECT_EQ(MemoryInUse(), 0);
  EXPECT_EQ(MemoryPeak(), 100);
  EXPECT_TRUE(LogHas("Info: Nalloc(100,\"Test block\") -> 100 bytes used"));
  EXPECT_TRUE(LogHas("Info: Free(\"Test block\"): 100 freed (40 real) -> 0 bytes used"));
  Free(Nalloc(8, "never written"));
  EXPECT_TRUE(LogHas("Info: Free(\"never written\"): 8 freed (0 real) -> 0 bytes used"));
}

TEST_F(MemoryTest, FullyWrittenBlockHasNoRealFigure) {
  auto* p = static_cast<uint8_t*>(Nalloc(16, "full"));
  memset(p, 1, 16);
  Free(p);
  EXPECT_TRUE(LogHas("Info: Free(\"full\"): 16 freed -> 0 bytes used"));
}

TEST_F(MemoryTest, DamagedGuardIsFatalAndNamesTheBlock) {
  static uint8_t* p;
  p = static_cast<uint8_t*>(Nalloc(10, "victim"));
  p[10] = 0;   // one byte past the end
  EXPECT_TRUE(DiesFatally([] { Free(p); }));
  bool found = false;
  for (const auto& l : ReadLines())
    found |= l.rfind("FATAL ERROR: FreeNode(): Corrupt block at ", 0) == 0 && l.find("(10 bytes) named \"victim\"") != std::string::npos;
  EXPECT_TRUE(found);
}

TEST_F(MemoryTest, UnknownPointerAndExitReport) {
  int x;
  Free(&x);
  EXPECT_TRUE(LogHas("ERROR: Free(" + std::string([&] {
                       char b[32];
                       snprintf(b, sizeof b, "%p", (void*)&x);
                       return std::string(b);
                     }()) + "): Tried to free unallocated block !"));
  Nalloc(5, "kept one");
  Nalloc(7, "kept two");
  FreeAll();
  EXPECT_EQ(MissingInOrder(ReadLines(), {"Info: FreeAll(): 12 bytes used as a maximum",
                                         "WARNING: FreeAll(): Undeallocated Block: \"kept one\" (5 bytes) !",
                                         "WARNING: FreeAll(): Undeallocated Block: \"kept two\" (7 bytes) !"}),
            "");
  EXPECT_EQ(MemoryInUse(), 0);
}

TEST_F(MemoryTest, NegativeSizeIsFatal) {
  EXPECT_TRUE(DiesFatally([] { Nalloc(-1, "neg"); }));
  EXPECT_TRUE(LogHas("FATAL ERROR: Nalloc(-1,\"neg\"): Size < 0 !!!"));
}

}  // namespace
