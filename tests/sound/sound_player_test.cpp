// The MPEG player with a fake decoder: pre-decoding, polls and their end, the RIFF wrapper, and every
// failure with and without flag bit 0.
#include "sound_fixture.h"

namespace {

// Prepares a stream in memory (flags 0, a 100000-byte buffer): the player's result.
int32_t Prepare(const std::vector<uint8_t>& s, int32_t bytes = 100000) {
  return KVOX_PrepareMPG(s.data(), int32_t(s.size()), 0, bytes, KVOX_INPUT_MEMORY);
}

// A prepare that fails returns -1, and with flag bit 0 ends the program with its message instead.
void ExpectRefused(const std::vector<uint8_t>& s, int32_t count, const char* message) {
  EXPECT_EQ(KVOX_PrepareMPG(s.data(), count, 0, 100000, KVOX_INPUT_MEMORY), -1);
  EXPECT_EXIT(
      {
        KVOX_Flags = 1;
        KVOX_PrepareMPG(s.data(), count, 0, 100000, KVOX_INPUT_MEMORY);
      },
      ::testing::ExitedWithCode(1), message);
}

std::vector<uint8_t> WavData() {
  std::vector<uint8_t> v = ReadBytes("output.wav");
  if (v.size() < 44) return {};
  return std::vector<uint8_t>(v.begin() + 44, v.end());
}

struct Player : SoundTest {
  void SetUp() override {
    SoundTest::SetUp();
    KVOX_SetDriver(&KVOX_Disk);
  }
  // Plays a prepared stream to its end; returns the polls it took (KVOX_PlayMPG's own poll included).
  int32_t PlayOut(int32_t limit = 1000) {
    KVOX_PlayMPG();
    int32_t polls = 1;
    do polls++;
    while (KVOX_Poll() == 0 && polls < limit);
    return polls;
  }
  // Plays what is prepared to its end through the disk driver: the PCM of output.wav.
  std::vector<uint8_t> Played() {
    PlayOut();
    KVOX_FreeMPG();
    return WavData();
  }
};

TEST_F(Player, PrepareDecodesUpToThePcmTargetAndStaysSilent) {
  KVOX_SetDriver(&KVOX_NoSound);
  std::vector<uint8_t> s = fake_mpeg::Stream(1000);
  ASSERT_EQ(Prepare(s), 0);
  KvoxMpegPlayer& p = KVOX_Player;
  // Prepared, not playing, the stream active; the first fill at or above the PCM target, 238 frames.
  EXPECT_EQ((std::vector<int64_t>{p.prepared, p.playing, p.streamActive, p.minFrameBytes, p.info.rate,
                                  p.form.pcmTarget, p.form.pcmFill, p.form.available}),
            (std::vector<int64_t>{1, 0, 1, 100, 44100, 95000, 238 * 400, 100000 - 238 * 100}));
  std::vector<uint8_t> want = fake_mpeg::Pcm(s);
  EXPECT_EQ(memcmp(p.form.pcm, want.data(), size_t(p.form.pcmFill)), 0);
  EXPECT_EQ(KVOX_Poll(), 0);   // not playing: the PCM stays where it is
  EXPECT_EQ(p.form.pcmFill, 238 * 400);
}

TEST_F(Player, TheDiskDriverGetsEveryFrameAndEndsAtOnce) {
  std::vector<uint8_t> s = fake_mpeg::Stream(300);
  ASSERT_EQ(Prepare(s), 0);
  EXPECT_EQ(PlayOut(), 2);   // the first poll takes the rest of the input, the second hands it over
  KVOX_FreeMPG();
  EXPECT_EQ(KVOX_Player.prepared, 0);
  EXPECT_EQ(WavData(), fake_mpeg::Pcm(s));
}

TEST_F(Player, ALongStreamAcrossManyRefillsComesOutWhole) {
  std::vector<uint8_t> s = fake_mpeg::Stream(5000);   // 500000 bytes, five input buffers
  ASSERT_EQ(Prepare(s), 0);
  std::vector<uint8_t> got = Played(), want = fake_mpeg::Pcm(s);
  ASSERT_EQ(got.size(), want.size());
  for (size_t i = 0; i < got.size(); i++) ASSERT_EQ(got[i], want[i]) << "byte " << i;
}

TEST_F(Player, FileInputPlaysTheSame) {
  std::vector<uint8_t> s = fake_mpeg::Stream(1200);
  std::vector<uint8_t> file(37, 0x55);   // the stream starts at an offset
  file.insert(file.end(), s.begin(), s.end());
  WriteBytes("player_input.bin", file);
  ASSERT_EQ(KVOX_PrepareMPG("player_input.bin", 37, 0, 100000, KVOX_INPUT_FILE), 0);
  EXPECT_EQ(Played(), fake_mpeg::Pcm(s));
}

TEST_F(Player, TheNoSoundDriverNeverEndsAStream) {
  KVOX_SetDriver(&KVOX_NoSound);
  std::vector<uint8_t> s = fake_mpeg::Stream(50);
  ASSERT_EQ(Prepare(s), 0);
  KVOX_PlayMPG();
  for (int32_t i = 0; i < 10; i++) EXPECT_EQ(KVOX_Poll(), 0);
  EXPECT_EQ(KVOX_Player.streamActive, 0);
  KVOX_StopMPG();
  EXPECT_EQ(KVOX_Player.playing, 0);
  EXPECT_EQ(KVOX_Poll(), 0);
}

TEST_F(Player, AStreamThatStopsDecodingEndsQuietly) {
  std::vector<uint8_t> s = fake_mpeg::Stream(600);
  s[size_t(400) * 100] = 0x12;   // frame 400 has no sync word
  ASSERT_EQ(Prepare(s), 0);
  PlayOut();
  KVOX_FreeMPG();
  std::vector<uint8_t> want = fake_mpeg::Pcm(std::vector<uint8_t>(s.begin(), s.begin() + 400 * 100));
  EXPECT_EQ(WavData(), want);
}

std::vector<uint8_t> Riff(int32_t headerBytes, const std::vector<uint8_t>& body) {
  std::vector<uint8_t> v(size_t(headerBytes), 0);
  memcpy(v.data(), "RIFF", 4);
  memcpy(v.data() + 8, "WAVE", 4);
  v.insert(v.end(), body.begin(), body.end());
  return v;
}

TEST_F(Player, A72ByteRiffWrapperIsSkipped) {
  std::vector<uint8_t> s = fake_mpeg::Stream(100);
  std::vector<uint8_t> wrapped = Riff(72, s);
  ASSERT_EQ(Prepare(wrapped), 0);
  EXPECT_EQ(Played(), fake_mpeg::Pcm(s));
}

// A RIFF chunk: id, little-endian size, body, and the pad byte after an odd size.
void Chunk(std::vector<uint8_t>& v, const char* id, uint32_t size, uint32_t bodyBytes) {
  v.insert(v.end(), id, id + 4);
  for (int i = 0; i < 4; i++) v.push_back(uint8_t(size >> (8 * i)));
  v.insert(v.end(), size_t(bodyBytes + (bodyBytes & 1)), uint8_t(0x5A));
}

// The header ffmpeg writes for MPEG audio in a WAVE file: fmt, fact, an odd-sized LIST, then data.
std::vector<uint8_t> ChunkedRiff(const std::vector<uint8_t>& body, uint32_t dataSize) {
  std::vector<uint8_t> v = {'R', 'I', 'F', 'F', 0, 0, 0, 0, 'W', 'A', 'V', 'E'};
  Chunk(v, "fmt ", 30, 30);
  Chunk(v, "fact", 4, 4);
  Chunk(v, "LIST", 27, 27);
  Chunk(v, "data", dataSize, 0);
  v.insert(v.end(), body.begin(), body.end());
  return v;
}

TEST_F(Player, ARiffFilePlaysFromItsDataChunk) {
  std::vector<uint8_t> s = fake_mpeg::Stream(100);
  for (uint32_t size : {uint32_t(s.size()), 0u, 0xFFFFFFFFu}) {  // exact, unknown (0) and past the end
    std::vector<uint8_t> wrapped = ChunkedRiff(s, size);
    ASSERT_NE(wrapped.size(), s.size() + 72);
    ASSERT_EQ(Prepare(wrapped), 0) << size;
    EXPECT_EQ(Played(), fake_mpeg::Pcm(s)) << size;
  }
}

TEST_F(Player, ARiffWalkThatFindsNoDataChunkFallsBackToTheFixedHeader) {
  std::vector<uint8_t> s = fake_mpeg::Stream(100);
  // A chunk whose size runs past the end hides the data chunk behind it: the walk stops there.
  std::vector<uint8_t> lost = {'R', 'I', 'F', 'F', 0, 0, 0, 0, 'W', 'A', 'V', 'E'};
  Chunk(lost, "JUNK", 0x7FFFFFF0u, 0);
  Chunk(lost, "data", uint32_t(s.size()), 0);
  lost.insert(lost.end(), s.begin(), s.end());
  EXPECT_EQ(Prepare(lost), -1);
  // No data chunk but 72 bytes of chunks: the stream behind them plays as behind any 72-byte header.
  std::vector<uint8_t> fixed = {'R', 'I', 'F', 'F', 0, 0, 0, 0, 'W', 'A', 'V', 'E'};
  Chunk(fixed, "fmt ", 40, 40);
  Chunk(fixed, "fact", 4, 4);
  ASSERT_EQ(fixed.size(), 72u);
  fixed.insert(fixed.end(), s.begin(), s.end());
  ASSERT_EQ(Prepare(fixed), 0);
  EXPECT_EQ(Played(), fake_mpeg::Pcm(s));
}

TEST_F(Player, ZeroWrappersOfOtherLengthsAndShortRiffFilesAreRefused) {
  std::vector<uint8_t> s = fake_mpeg::Stream(100);
  std::vector<uint8_t> wrong = Riff(60, s), tiny = Riff(40, {});
  ExpectRefused(wrong, int32_t(wrong.size()), "Bad or unsupported MPEG file\\.");
  EXPECT_EQ(KVOX_Player.prepared, 0);
  ExpectRefused(tiny, int32_t(tiny.size()), "Bad or unsupported MPEG file\\.");
}

TEST_F(Player, FailuresReturnMinusOneOrEndTheProgram) {
  std::vector<uint8_t> s = fake_mpeg::Stream(100);
  std::vector<uint8_t> badSync = s;
  badSync[500] = 0;   // frame 5
  ExpectRefused(badSync, int32_t(badSync.size()), "Bad sync in MPEG file\\.");
  ExpectRefused(s, 0, "Can't fill BitStream!");
  static const KvoxDecoder refusing = {
      [](const KvoxMpegHeader*, int32_t, int32_t, int32_t, int32_t, int32_t) { return 0; }, fake_mpeg::Info,
      fake_mpeg::Decode};
  KvoxUseDecoder(&refusing, fake_mpeg::Parse);
  ExpectRefused(s, int32_t(s.size()), "MPEG Decoder init failed\\.");
  KvoxUseDecoder(&fake_mpeg::kDecoder, fake_mpeg::Parse);
  // A buffer with no room above its target for a frame is refused, not overrun.
  EXPECT_EQ(Prepare(s, 5000), -1);
  // A second disk output cannot open while the first is open.
  ASSERT_EQ(Prepare(s), 0);
  EXPECT_EQ(KVOX_Disk.InitSamplePlay(16, 2, 44100, 0), -1);
}

TEST_F(Player, PreparingWhilePreparedFreesTheOldStreamFirst) {
  std::vector<uint8_t> a = fake_mpeg::Stream(30), b = fake_mpeg::Stream(40);
  ASSERT_EQ(Prepare(a), 0);
  ASSERT_EQ(Prepare(b), 0);
  EXPECT_EQ(Played(), fake_mpeg::Pcm(b));
}

TEST_F(Player, FlagsPickReductionAndConversion) {
  static int32_t seen[2];
  static const KvoxDecoder recording = {
      [](const KvoxMpegHeader*, int32_t, int32_t reduction, int32_t, int32_t conversion, int32_t limit) {
        seen[0] = reduction;
        seen[1] = conversion;
        return limit == 24000 ? 1 : 0;
      },
      fake_mpeg::Info, fake_mpeg::Decode};
  KvoxUseDecoder(&recording, fake_mpeg::Parse);
  std::vector<uint8_t> s = fake_mpeg::Stream(10);
  const int32_t cases[][3] = {{0, 0, 0}, {1, 1, 0}, {2, 2, 0}, {3, 0, 0}, {0x10, 0, 4}, {0x30, 0, 12},
                              {0x201, 1, 2}, {0x332, 2, 15}};
  for (const auto& c : cases) {
    ASSERT_EQ(KVOX_PrepareMPG(s.data(), int32_t(s.size()), c[0], 100000, KVOX_INPUT_MEMORY), 0);
    EXPECT_EQ(seen[0], c[1]) << c[0];
    EXPECT_EQ(seen[1], c[2]) << c[0];
  }
}

}  // namespace
