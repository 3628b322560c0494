// kvoxplay: decodes an MPEG audio file through the sound library's header parse and decoder, the way the
// player does, and writes the PCM as raw little-endian samples.
//
//   kvoxplay IN.mp3 --raw OUT.pcm [--rate full|half|quarter] [--8bit] [--mono mix|left|right]
//   kvoxplay IN.mp3 [--driver midas|nosound|disk] [--wav OUT.wav]
//
// Without --raw it plays the file through the whole sound library as the show does: the MIDAS driver
// to the speakers (or silent in real time when there is no sound device), the no-sound driver (silent in
// real time), or the disk driver, which writes "output.wav" or the file --wav names, whole or not at all.
//
// The stream's format (layer, version, rate, channels, frames) goes to standard error. An ID3v2 tag at the
// start is skipped here; a RIFF/WAVE file plays from its data chunk to that chunk's end, as the player
// finds it (sound/kvox_riff.h). Decoding stops, as
// in the player, at the first frame without a sync word or when fewer bytes than the first frame's length
// are left.
#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "platform/whole_file.h"
#include "sound/kvox_riff.h"
#include "sound/mpeg.h"
#include "tools/kvoxplay/play.h"

namespace {
void Usage(FILE* to) {
  fprintf(to,
          "usage: kvoxplay IN.mp3 --raw OUT.pcm [--rate full|half|quarter] [--8bit] [--mono mix|left|right]\n"
          "       kvoxplay IN.mp3 [--driver midas|nosound|disk] [--wav OUT.wav]\n"
          "  without --raw: plays IN.mp3 through the sound library (default the MIDAS driver, to the\n"
          "  speakers) with a progress line; with no sound device, and with --driver nosound, it plays\n"
          "  silent in real time and ends with the stream; --wav OUT.wav plays through the disk driver\n"
          "  into OUT.wav as fast as it can\n"
          "  decodes IN.mp3 with the kvox MPEG decoder into raw little-endian PCM (16-bit signed, or 8-bit\n"
          "  unsigned with --8bit; two channels interleaved unless --mono or a one-channel stream)\n"
          "  --rate     output rate: full (default), half or quarter of the stream's rate\n"
          "  --8bit     8-bit unsigned output\n"
          "  --mono     one channel from a two-channel stream: mix (average), left or right\n");
}

bool ReadAll(const char* name, std::vector<uint8_t>& out) {
  FILE* f = fopen(name, "rb");
  if (!f) return false;
  if (fseek(f, 0, SEEK_END) == 0) {
    long size = ftell(f);
    if (size > 0) out.reserve(size_t(size));
    fseek(f, 0, SEEK_SET);
  }
  uint8_t buf[65536];
  size_t n;
  while ((n = fread(buf, 1, sizeof buf, f)) > 0) out.insert(out.end(), buf, buf + n);
  fclose(f);
  return true;
}

// Size of an ID3v2 tag at the start (header, synchsafe size, optional footer), or 0.
size_t Id3v2Size(const std::vector<uint8_t>& d) {
  if (d.size() < 10 || memcmp(d.data(), "ID3", 3) != 0) return 0;
  if ((d[6] | d[7] | d[8] | d[9]) & 0x80) return 0;
  size_t size = (size_t(d[6]) << 21) | (size_t(d[7]) << 14) | (size_t(d[8]) << 7) | d[9];
  size += 10;
  if (d[5] & 0x10) size += 10;
  return size <= d.size() ? size : 0;
}

const char* VersionName(const KvoxMpegHeader& h) { return h.sync == 2 ? "2.5" : h.id ? "1" : "2"; }
}  // namespace

int main(int argc, char** argv) {
  const char* in = nullptr;
  const char* raw = nullptr;
  const char* driver = nullptr;
  const char* wav = nullptr;
  int32_t reduction = 0, conversion = 0;
  for (int i = 1; i < argc; i++) {
    const char* a = argv[i];
    if (!strcmp(a, "--help") || !strcmp(a, "-h")) { Usage(stdout); return 0; }
    if (!strcmp(a, "--raw") && i + 1 < argc) { raw = argv[++i]; continue; }
    if (!strcmp(a, "--8bit")) { conversion |= 8; continue; }
    if (!strcmp(a, "--wav") && i + 1 < argc) { wav = argv[++i]; continue; }
    if (!strcmp(a, "--driver") && i + 1 < argc) {
      driver = argv[++i];
      if (strcmp(driver, "midas") && strcmp(driver, "nosound") && strcmp(driver, "disk")) {
        fprintf(stderr, "kvoxplay: unknown driver \"%s\" (midas, nosound or disk)\n", driver);
        return 2;
      }
      continue;
    }
    if (!strcmp(a, "--rate") && i + 1 < argc) {
      const char* r = argv[++i];
      if (!strcmp(r, "full")) reduction = 0;
      else if (!strcmp(r, "half")) reduction = 1;
      else if (!strcmp(r, "quarter")) reduction = 2;
      else { fprintf(stderr, "kvoxplay: unknown rate \"%s\"\n", r); return 2; }
      continue;
    }
    if (!strcmp(a, "--mono") && i + 1 < argc) {
      const char* m = argv[++i];
      conversion &= ~3;
      if (!strcmp(m, "mix")) conversion |= 1;
      else if (!strcmp(m, "left")) conversion |= 2;
      else if (!strcmp(m, "right")) conversion |= 3;
      else { fprintf(stderr, "kvoxplay: unknown mono mapping \"%s\"\n", m); return 2; }
      continue;
    }
    if (a[0] == '-' || in) { Usage(stderr); return 2; }
    in = a;
  }
  if (!in || (raw && (driver || wav))) { Usage(stderr); return 2; }
  if (wav && driver && strcmp(driver, "disk")) { fprintf(stderr, "kvoxplay: --wav plays through the disk driver\n"); return 2; }

  std::vector<uint8_t> data;
  if (!ReadAll(in, data)) { fprintf(stderr, "kvoxplay: cannot read \"%s\"\n", in); return 1; }
  // An ID3v2 tag, then a RIFF/WAVE header (its audio is the data chunk, cut at the chunk's end) or none.
  const size_t tag = Id3v2Size(data);
  if (data.size() - tag > size_t(INT32_MAX)) { fprintf(stderr, "kvoxplay: \"%s\" is too large\n", in); return 1; }
  const KvoxRiffAudio riff = KvoxFindRiffAudio(data.data() + tag, int32_t(data.size() - tag));
  if (riff.riff && riff.length < 4) { fprintf(stderr, "kvoxplay: Bad or unsupported MPEG file.\n"); return 1; }
  if (riff.riff) data.resize(tag + size_t(riff.start) + size_t(riff.length));
  const size_t at = tag + size_t(riff.start);
  const uint8_t* p = data.data() + at;
  int32_t left = int32_t(data.size() - at);

  KvoxMpegHeader h;
  int32_t minFrame = KvoxParseHeader(p, left, &h);
  if (minFrame <= 0) { fprintf(stderr, "kvoxplay: Bad or unsupported MPEG file.\n"); return 1; }
  if (!raw) {
    // The library reads the stream from its first byte: hand it what follows an ID3v2 tag.
    const std::vector<uint8_t> stream(data.begin() + long(tag), data.end());
    return PlayThroughLibrary(stream, wav ? "disk" : driver ? driver : "midas", wav);
  }
  const KvoxDecoder& dec = KvoxDecoderTable[0];
  if (!dec.init(&h, minFrame, reduction, 0, conversion, 24000)) {
    fprintf(stderr, "kvoxplay: MPEG Decoder init failed.\n");
    return 1;
  }
  KvoxStreamInfo info;
  dec.info(&info);

  PlatWholeFile file;   // written beside its name and renamed into place only when whole
  if (!PlatBeginFile(file, raw)) {
    fprintf(stderr, "kvoxplay: cannot write \"%s\": %s\n", raw, strerror(file.error));
    return 1;
  }
  FILE* out = file.file;
  std::vector<uint8_t> pcm(size_t(info.values) * (info.bits / 8));
  int64_t frames = 0, bytes = 0;
  while (left >= minFrame) {
    KvoxDecodeResult r = dec.decode(p, left, pcm.data());
    if (r.consumed <= 0) break;
    fwrite(pcm.data(), 1, size_t(r.produced), out);
    bytes += r.produced;
    frames++;
    if (r.consumed > left) r.consumed = left;
    p += r.consumed;
    left -= r.consumed;
  }
  if (PlatFinishFile(file, true) != PLAT_FILE_WRITTEN) {
    fprintf(stderr, "kvoxplay: cannot write \"%s\": %s\n", raw, strerror(file.error));
    return 1;
  }
  fprintf(stderr, "layer %d, MPEG-%s, %d Hz, %d channel%s, %d-bit, %lld frames, %lld bytes\n", 4 - h.option,
          VersionName(h), info.rate, info.channels, info.channels == 1 ? "" : "s", info.bits,
          (long long)frames, (long long)bytes);
  return 0;
}
