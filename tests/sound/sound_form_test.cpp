// Input forms over memory and files: refills and their threshold, the two ways the drivers end,
// bounds on seeks and reads, and the fatal input type.
#include <cstdio>
#include <numeric>

#include "sound_fixture.h"

namespace {

std::vector<uint8_t> Bytes(int32_t n) {
  std::vector<uint8_t> v(static_cast<size_t>(n));
  for (int32_t i = 0; i < n; i++) v[size_t(i)] = uint8_t(i * 13 + (i >> 9));
  return v;
}

struct Forms : SoundTest {
  KvoxForm form{};
  void TearDown() override {
    KVOX_UninitForm(&form);
    SoundTest::TearDown();
  }
  // Consumes n bytes as the player does.
  void Consume(int32_t n) {
    form.readPointer += n;
    form.available -= n;
  }
};

TEST_F(Forms, MemoryRefillsOnlyBelowTheThresholdAndReportsItsEndOnce) {
  std::vector<uint8_t> data = Bytes(250000);
  ASSERT_EQ(KVOX_InitForm(&form, data.data(), 250000, 100000, KVOX_INPUT_MEMORY), 0);
  EXPECT_EQ(form.pcmTarget, 95000);
  EXPECT_EQ(form.refillThreshold, 2500);
  ASSERT_EQ(KVOX_RefillForm(&form), 0);
  EXPECT_EQ(form.available, 100000);
  EXPECT_EQ(memcmp(form.readPointer, data.data(), 100000), 0);

  Consume(97500);   // 2500 left: at the threshold, nothing is read
  uint8_t* before = form.readPointer;
  EXPECT_EQ(KVOX_RefillForm(&form), 0);
  EXPECT_EQ(form.available, 2500);
  EXPECT_EQ(form.readPointer, before);

  Consume(1);       // 2499 left: they move to the front and the rest of the buffer is read
  EXPECT_EQ(KVOX_RefillForm(&form), 0);
  EXPECT_EQ(form.available, 100000);
  EXPECT_EQ(form.readPointer, form.input);
  EXPECT_EQ(memcmp(form.input, data.data() + 97501, 100000), 0);

  Consume(99000);
  EXPECT_EQ(KVOX_RefillForm(&form), 0);   // the last 52501 bytes
  EXPECT_EQ(form.available, 1000 + 52499);
  EXPECT_EQ(memcmp(form.input, data.data() + 196501, size_t(form.available)), 0);
  Consume(form.available - 10);
  EXPECT_EQ(KVOX_RefillForm(&form), -1);  // end of the data, reported once
  EXPECT_EQ(form.refillThreshold, 0);
  EXPECT_EQ(form.available, 10);
  EXPECT_EQ(KVOX_RefillForm(&form), 0);   // from now on nothing is read
  Consume(10);
  EXPECT_EQ(KVOX_RefillForm(&form), 0);
  EXPECT_EQ(form.available, 0);
}

TEST_F(Forms, ANegativeAvailableCountCountsAsNone) {
  std::vector<uint8_t> data = Bytes(5000);
  KVOX_InitForm(&form, data.data(), 5000, 100000, KVOX_INPUT_MEMORY);
  ASSERT_EQ(KVOX_RefillForm(&form), 0);
  form.available = -417;   // the player consumed a cut last frame
  form.readPointer = form.input;
  EXPECT_EQ(KVOX_RefillForm(&form), -1);
  EXPECT_EQ(form.available, 0);
}

TEST_F(Forms, MemoryDriverReadsAndSeeksStayInsideTheData) {
  std::vector<uint8_t> data = Bytes(100);
  const KvoxInputDriver* d = KVOX_InputDrivers[KVOX_INPUT_MEMORY];
  EXPECT_STREQ(d->name, "Memory Input Driver v1.01");
  ASSERT_EQ(d->Open(&form, data.data(), 100), 0);
  uint8_t out[300];
  EXPECT_EQ(d->Read(&form, out, 60), 60);
  EXPECT_EQ(d->Read(&form, out, 300), 40);   // only what remains
  EXPECT_EQ(memcmp(out, data.data() + 60, 40), 0);
  EXPECT_EQ(d->Read(&form, out, 300), -1);   // the end is a failed read
  EXPECT_EQ(d->Seek(&form, 10, 0), 0);
  EXPECT_EQ(d->Seek(&form, 5, 1), 0);
  EXPECT_EQ(d->Read(&form, out, 1), 1);
  EXPECT_EQ(out[0], data[15]);
  EXPECT_EQ(d->Seek(&form, -4, 2), 0);
  EXPECT_EQ(d->Read(&form, out, 10), 4);
  // Outside the data: refused, the cursor stays where it was.
  EXPECT_EQ(d->Seek(&form, 20, 0), 0);
  EXPECT_EQ(d->Seek(&form, 1000, 0), -1);
  EXPECT_EQ(d->Seek(&form, -21, 1), -1);
  EXPECT_EQ(d->Seek(&form, 1, 2), -1);
  EXPECT_EQ(d->Seek(&form, 0, 3), -1);
  EXPECT_EQ(d->Read(&form, out, 1), 1);
  EXPECT_EQ(out[0], data[20]);
  EXPECT_EQ(d->GetSize(&form), 100);
  EXPECT_EQ(d->Close(&form), 0);
  EXPECT_EQ(d->Read(&form, out, 1), -1);
  EXPECT_EQ(d->Seek(&form, 0, 0), -1);
}

TEST_F(Forms, AZeroLengthMemoryOpenFailsAndTheFormReadsNothing) {
  std::vector<uint8_t> data = Bytes(10);
  EXPECT_EQ(KVOX_InitForm(&form, data.data(), 0, 100000, KVOX_INPUT_MEMORY), 0);
  EXPECT_EQ(KVOX_RefillForm(&form), -1);
  EXPECT_EQ(form.available, 0);
  KvoxForm other{};
  EXPECT_EQ(KVOX_InputDrivers[KVOX_INPUT_MEMORY]->Open(&other, nullptr, 10), -1);
  EXPECT_EQ(KVOX_InitForm(nullptr, data.data(), 10, 100000, 1), -1);
  EXPECT_EQ(KVOX_RefillForm(nullptr), -1);
  EXPECT_EQ(KVOX_UninitForm(nullptr), -1);
}

TEST_F(Forms, FileInputEndsWithReadsOfNothing) {
  std::vector<uint8_t> data = Bytes(150000);
  WriteBytes("form_input.bin", data);
  ASSERT_EQ(KVOX_InitForm(&form, "form_input.bin", 1000, 100000, KVOX_INPUT_FILE), 0);
  EXPECT_STREQ(form.driver->name, "File Input Driver v1.01");
  EXPECT_EQ(KVOX_GetSizeForm(&form), 150000);   // the whole file, not what lies behind the offset
  ASSERT_EQ(KVOX_RefillForm(&form), 0);
  EXPECT_EQ(form.available, 100000);
  EXPECT_EQ(memcmp(form.input, data.data() + 1000, 100000), 0);
  Consume(99000);
  ASSERT_EQ(KVOX_RefillForm(&form), 0);
  EXPECT_EQ(form.available, 1000 + 49000);
  Consume(form.available);
  for (int32_t i = 0; i < 3; i++) {
    EXPECT_EQ(KVOX_RefillForm(&form), 0);   // end of file: zero bytes, never a failure
    EXPECT_EQ(form.available, 0);
  }
  EXPECT_EQ(form.driver->Seek(&form, 5, 0), 0);
  EXPECT_EQ(form.driver->Seek(&form, 0, 7), 4);
}

TEST_F(Forms, AMissingFileIsCodeFourOrFatal) {
  KvoxForm f{};
  EXPECT_EQ(KVOX_InputDrivers[KVOX_INPUT_FILE]->Open(&f, "no such file.mp3", 0), 4);
  KVOX_InitForm(&form, "no such file.mp3", 0, 10000, KVOX_INPUT_FILE);
  EXPECT_EQ(KVOX_RefillForm(&form), -1);
  EXPECT_EXIT(
      {
        KVOX_Flags = 1;
        KvoxForm g{};
        KVOX_InputDrivers[KVOX_INPUT_FILE]->Open(&g, "no such file.mp3", 0);
      },
      ::testing::ExitedWithCode(1), "File no such file.mp3 not found\\.");
}

TEST_F(Forms, AnInvalidInputTypeIsAlwaysFatal) {
  std::vector<uint8_t> data = Bytes(10);
  EXPECT_EXIT(KVOX_InitForm(&form, data.data(), 10, 10000, 2), ::testing::ExitedWithCode(1),
              "Invalid input type \\(2\\)");
  EXPECT_EXIT(KVOX_InitForm(&form, data.data(), 10, 10000, -1), ::testing::ExitedWithCode(1),
              "Invalid input type \\(-1\\)");
}

}  // namespace
