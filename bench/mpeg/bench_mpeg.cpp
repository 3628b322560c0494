// Benchmark of the MPEG decoder against ffmpeg on the same files: a 189-second 128 kbit/s 44.1 kHz
// joint-stereo Layer III stream (lame), a 192 kbit/s Layer II stream (twolame) and a 384 kbit/s Layer I
// stream (l1enc), all made from one generated signal. Each is decoded to 16-bit PCM:
//   ours      kvoxplay IN --raw /dev/null            (a whole process: read, parse, decode, write)
//   in-proc   the decoder record over the file in memory (decode only, processor time of the thread)
//   ffmpeg    ffmpeg -i IN -f s16le -y /dev/null
// best of 5 each, and prints speed_vs_ffmpeg = ffmpeg's time / ours (above 1 is faster). The processes are
// timed by the processor time they use (user + system, from the kernel's child accounting), which a busy
// machine disturbs far less than wall time; wall times are printed beside.
#include <sys/resource.h>
#include <sys/stat.h>

#include <chrono>
#include <ctime>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "sound/mpeg.h"
#include "sound/mpeg_synth.h"

namespace {
using Clock = std::chrono::steady_clock;

double Seconds(Clock::time_point a, Clock::time_point b) { return std::chrono::duration<double>(b - a).count(); }

bool Exists(const std::string& p) {
  struct stat st;
  return stat(p.c_str(), &st) == 0 && st.st_size > 0;
}

bool Run(const std::string& cmd) { return system(cmd.c_str()) == 0; }

double ChildCpu() {
  rusage u;
  getrusage(RUSAGE_CHILDREN, &u);
  return double(u.ru_utime.tv_sec + u.ru_stime.tv_sec) + 1e-6 * double(u.ru_utime.tv_usec + u.ru_stime.tv_usec);
}

struct Timing { double cpu = 1e30, wall = 1e30; };

// Best processor and wall time of n runs of a command (the shell around it costs both sides the same).
Timing BestOf(int n, const std::string& cmd) {
  Timing best;
  for (int i = 0; i < n; i++) {
    double c0 = ChildCpu();
    auto a = Clock::now();
    if (!Run(cmd)) return {-1, -1};
    best.wall = std::min(best.wall, Seconds(a, Clock::now()));
    best.cpu = std::min(best.cpu, ChildCpu() - c0);
  }
  return best;
}

std::vector<uint8_t> ReadFile(const std::string& path) {
  std::vector<uint8_t> d;
  FILE* f = fopen(path.c_str(), "rb");
  if (!f) return d;
  uint8_t buf[65536];
  size_t n;
  while ((n = fread(buf, 1, sizeof buf, f)) > 0) d.insert(d.end(), buf, buf + n);
  fclose(f);
  return d;
}

double ThreadCpu() {
  timespec t;
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
  return double(t.tv_sec) + 1e-9 * double(t.tv_nsec);
}

// Decodes the whole stream in memory; returns the processor seconds taken, or -1.
double DecodeInProcess(const std::vector<uint8_t>& s, std::vector<uint8_t>& pcm) {
  double a = ThreadCpu();
  KvoxMpegHeader h;
  int32_t length = KvoxParseHeader(s.data(), int32_t(s.size()), &h);
  if (length <= 0 || !KvoxDecoderTable[0].init(&h, length, 0, 0, 0, 24000)) return -1;
  KvoxStreamInfo info;
  KvoxDecoderTable[0].info(&info);
  const size_t frame = size_t(info.values) * 2;
  size_t at = 0, out = 0;
  while (at + size_t(length) <= s.size()) {
    if (out + frame > pcm.size()) pcm.resize(pcm.size() * 2 + frame);
    KvoxDecodeResult r = KvoxDecoderTable[0].decode(s.data() + at, int32_t(s.size() - at), pcm.data() + out);
    if (r.consumed <= 0) break;
    at += size_t(r.consumed);
    out += size_t(r.produced);
  }
  return ThreadCpu() - a;
}
}  // namespace

int main() {
  const std::string bin = std::string(TARVON_BINARY_DIR) + "/bin";
  const std::string dir = std::string(TARVON_BINARY_DIR) + "/bench-mpeg";
  Run("mkdir -p " + dir);
  const std::string wav = dir + "/signal.wav";
  const std::string q = " -hide_banner -loglevel error -nostdin -y ";
  if (!Exists(wav)) {
    // 189 s of a changing chord over a bass line, a little noise and a beat of short bursts.
    std::string l = "0.2*sin(2*PI*(220+20*sin(0.05*t))*t)+0.15*sin(2*PI*(330+30*sin(0.031*t))*t)"
                    "+0.1*sin(2*PI*(55*(1+mod(floor(t/2),4)))*t)+0.03*(2*random(0)-1)"
                    "+0.2*lt(mod(t,0.5),0.01)*(2*random(1)-1)";
    std::string r = "0.2*sin(2*PI*(277+25*sin(0.043*t))*t)+0.12*sin(2*PI*(440+15*sin(0.07*t))*t)"
                    "+0.1*sin(2*PI*(55*(1+mod(floor(t/2),4)))*t)+0.03*(2*random(2)-1)"
                    "+0.2*lt(mod(t+0.25,0.5),0.01)*(2*random(3)-1)";
    if (!Run("ffmpeg" + q + "-f lavfi -i \"aevalsrc='" + l + "|" + r + "':s=44100:d=189\" -c:a pcm_s16le " + wav)) {
      fprintf(stderr, "bench_mpeg: ffmpeg could not make the signal\n");
      return 1;
    }
  }
  struct Stream { int layer; std::string file, make; };
  std::vector<Stream> streams = {
      {3, dir + "/l3_128_j.mp3", "lame --quiet -b 128 -m j " + wav + " " + dir + "/l3_128_j.mp3"},
      {2, dir + "/l2_192.mp2", "twolame --quiet -b 192 " + wav + " " + dir + "/l2_192.mp2"},
      {1, dir + "/l1_384.mp1", bin + "/l1enc " + wav + " " + dir + "/l1_384.mp1 --bitrate 384"},
  };
  std::vector<std::string> results;
  for (const Stream& s : streams) {
    if (!Exists(s.file) && !Run(s.make)) {
      fprintf(stderr, "bench_mpeg: could not make %s\n", s.file.c_str());
      return 1;
    }
    std::vector<uint8_t> data = ReadFile(s.file);
    std::vector<uint8_t> pcm(size_t(189 * 44100 * 4 + 65536));
    double inproc = 1e30, portable = 1e30;
    for (int i = 0; i < 5; i++) inproc = std::min(inproc, DecodeInProcess(data, pcm));
    KvoxSynthUsePortable(true);  // the same decode with the synthesis compiled for the baseline processor
    for (int i = 0; i < 5; i++) portable = std::min(portable, DecodeInProcess(data, pcm));
    KvoxSynthUsePortable(false);
    Timing ours = BestOf(5, bin + "/kvoxplay " + s.file + " --raw /dev/null 2>/dev/null");
    Timing ff = BestOf(5, "ffmpeg" + q + "-i " + s.file + " -f s16le -y /dev/null");
    if (ours.cpu <= 0 || ff.cpu <= 0 || inproc <= 0) {
      fprintf(stderr, "bench_mpeg: a run failed on %s\n", s.file.c_str());
      return 1;
    }
    printf("layer %d: kvoxplay %.3f s cpu (%.3f s wall), ffmpeg %.3f s cpu (%.3f s wall): %.2fx; "
           "in-process decode %.3f s (%.0fx real time; %.3f s with the portable synthesis)\n",
           s.layer, ours.cpu, ours.wall, ff.cpu, ff.wall, ff.cpu / ours.cpu, inproc, 189.0 / inproc, portable);
    char line[160];
    snprintf(line, sizeof line, "RESULT layer=%d speed_vs_ffmpeg=%.2f wall_vs_ffmpeg=%.2f", s.layer,
             ff.cpu / ours.cpu, ff.wall / ours.wall);
    results.push_back(line);
  }
  for (const std::string& r : results) printf("%s\n", r.c_str());
  return 0;
}
