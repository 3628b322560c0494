// The whole show, rendered offline as `tarvon3 --render DIR --no-video` does it, timed frame by frame.
// The program's own Main runs in this process on the "render" presenter and the "virtual" clock,
// with the music thread in step with the frames; a thin presenter around the renderer's reads the
// wall clock at every shown frame. It reports
//   - the load time: from the start of the entry routine to the first frame of the show (the frame
//     of the pass that ran the loading rows), with data.qvx as the source;
//   - milliseconds per frame, median and worst, of every section of the show (its changes at 10, 30,
//     50, 70, 85, 97, 117, 153 and 181 s), against the 16.7 ms a frame has at 60 frames a second;
//     and the median draw time alone: the frame less the presenter's own work (the renderer's hash
//     and line of frames.txt), which is the same on every system but costs more where 64-bit
//     arithmetic is slow (32-bit builds);
//   - the whole render's time (no encoding) and the real-time headroom: frames per second
//     achievable over the show, divided by 60.
// Wall-clock figures include whatever else the machine is doing; the main thread's processor time per
// frame, averaged over each section, is printed beside them. It is read only where a section begins:
// the call is a server round trip under Wine, which would swell every frame's figure if taken per
// frame. It ends with RESULT lines.
//   bench_show [DATA]   DATA: an archive or a data folder; default the checkout's data.qvx, else data/
#include <fcntl.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "demo/tarvon3/options.h"
#include "demo/tarvon3/routines.h"
#include "demo/tarvon3/tarvon3.h"
#include "platform/platform.h"
#include "runtime/entry.h"

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

namespace {

struct Frame {
  double drawn;     // wall seconds since the entry routine began, when the frame was handed over
  double at;        // ... and when the presenter was done with it
  int32_t showMs;   // the demo clock's reading the frame is labelled with
};

Clock::time_point began;
std::vector<Frame> frames;
double loadEnd = -1;   // wall seconds when the loading pass ended
const PlatPresenter* inner = nullptr;
PlatPresenter timed;

double Now() { return std::chrono::duration<double>(Clock::now() - began).count(); }

double Cpu(clockid_t which) {
  timespec t{};
  clock_gettime(which, &t);
  return double(t.tv_sec) + double(t.tv_nsec) * 1e-9;
}

constexpr int32_t kSectionStarts[] = {0, 10000, 30000, 50000, 70000, 85000, 97000, 117000, 153000, 181000};
constexpr int32_t kSections = int32_t(sizeof kSectionStarts / sizeof kSectionStarts[0]);

int32_t SectionOf(int32_t showMs) {
  int32_t s = kSections - 1;
  while (s > 0 && showMs < kSectionStarts[s]) s--;
  return s;
}

// The main thread's processor seconds at the first frame of each section of the show, and when the
// presenter closes after the last one.
struct CpuMark {
  int32_t section;   // kSections: the close
  size_t frame;
  double cpu;
};
std::vector<CpuMark> cpuMarks;

PlatResult TimedPresent() {
  const double drawn = Now();
  const PlatResult r = inner->present();
  frames.push_back({drawn, Now(), PlatShowTime()});
  const int32_t section = SectionOf(frames.back().showMs);
  if (loadEnd >= 0 && (cpuMarks.empty() || cpuMarks.back().section != section))
    cpuMarks.push_back({section, frames.size() - 1, Cpu(CLOCK_THREAD_CPUTIME_ID)});
  return r;
}

void TimedClose() {
  if (!cpuMarks.empty()) cpuMarks.push_back({kSections, frames.size() - 1, Cpu(CLOCK_THREAD_CPUTIME_ID)});
  inner->close();
}

// The row that restarts the clock is the last loading row; the frame after it is the show's first.
void Observe(int32_t row, float, int32_t, char**) {
  if (Timeline[row].routine == RestartClock) loadEnd = Now();
}

double Median(std::vector<double> v) {
  if (v.empty()) return 0;
  std::sort(v.begin(), v.end());
  return v.size() % 2 ? v[v.size() / 2] : (v[v.size() / 2 - 1] + v[v.size() / 2]) / 2;
}

}  // namespace

int main(int argc, char** argv) {
  // The data: an archive or a data folder named on the command line, else the checkout's.
  const fs::path source = TARVON_SOURCE_DIR;
  fs::path archivePath = source / "data.qvx", folderPath = source / "data";
  if (argc > 1 && (!strcmp(argv[1], "--help") || argc > 2)) {
    printf("usage: bench_show [DATA]\n  renders the whole show offline (no video) and times its load and frames;\n"
           "  DATA is an archive or a data folder (default the checkout's data.qvx, else data/)\n");
    return argc > 2 ? 2 : 0;
  }
  if (argc > 1) {
    const fs::path given = fs::absolute(argv[1]);
    archivePath = fs::is_directory(given) ? fs::path() : given;
    folderPath = fs::is_directory(given) ? given : fs::path();
  }
  const fs::path work = fs::path(TARVON_BINARY_DIR) / "benchrun" / "show";
  std::error_code ec;
  fs::remove_all(work, ec);
  fs::create_directories(work);
  const bool archive = !archivePath.empty() && fs::exists(archivePath);
#if defined(_WIN32)
  // Links need a privilege there: the bench's folder gets copies.
  if (archive) fs::copy_file(archivePath, work / "data.qvx", fs::copy_options::overwrite_existing);
  else if (!folderPath.empty() && fs::exists(folderPath)) fs::copy(folderPath, work / "data", fs::copy_options::recursive);
#else
  if (archive) fs::create_symlink(archivePath, work / "data.qvx");
  else if (!folderPath.empty() && fs::exists(folderPath)) fs::create_directory_symlink(folderPath, work / "data");
#endif
  else {
    printf("bench_show: no data.qvx or data/ (%s): run make data\n", argc > 1 ? argv[1] : source.string().c_str());
    return 1;
  }
  fs::current_path(work);

  PlatSetRenderSettings({"out", 60, nullptr, 0, false, false});
  inner = PlatFindPresenter("render");
  timed = *inner;
  timed.present = TimedPresent;
  timed.close = TimedClose;
  PlatUsePresenter(&timed);
  PlatUseClock(PlatFindClock("virtual"));
  TimelineObserver = Observe;
  frames.reserve(12000);

  // The entry routine prints the log at its end and the renderer says where its files are; keep
  // both off the bench's output (the log stays in log.txt).
  fflush(stdout);
  fflush(stderr);
  const int savedOut = dup(1), savedErr = dup(2);
#if defined(_WIN32)
  const int null = open("NUL", O_WRONLY);
#else
  const int null = open("/dev/null", O_WRONLY);
#endif
  dup2(null, 1);
  dup2(null, 2);
  began = Clock::now();
  const double cpuBegan = Cpu(CLOCK_PROCESS_CPUTIME_ID);
  const int status = TrelkEntry(nullptr, Main);
  const double total = Now(), cpuTotal = Cpu(CLOCK_PROCESS_CPUTIME_ID) - cpuBegan;
  PlatFinishRender(status != 0);
  fflush(stdout);
  fflush(stderr);
  dup2(savedOut, 1);
  dup2(savedErr, 2);
  close(null);

  // The first frame of the show is the first shown after the loading pass.
  size_t first = 0;
  while (first < frames.size() && frames[first].at < loadEnd) first++;
  if (status != 0 || loadEnd < 0 || first >= frames.size()) {
    printf("bench_show: the show did not run (status %d); see %s/log.txt\n", status, work.string().c_str());
    return 1;
  }
  const double load = frames[first].at;
  const double showTime = total - load;
  const size_t shown = frames.size() - first;

  std::vector<std::vector<double>> perSection(kSections), drawPerSection(kSections);
  for (size_t i = first + 1; i < frames.size(); i++) {
    const auto s = size_t(SectionOf(frames[i].showMs));
    perSection[s].push_back((frames[i].at - frames[i - 1].at) * 1000.0);
    drawPerSection[s].push_back((frames[i].drawn - frames[i - 1].at) * 1000.0);
  }
  std::vector<double> cpuPerFrame(kSections, 0);   // ms, the mean over the section's frames
  for (size_t m = 0; m + 1 < cpuMarks.size(); m++)
    if (cpuMarks[m + 1].frame > cpuMarks[m].frame)
      cpuPerFrame[size_t(cpuMarks[m].section)] =
          (cpuMarks[m + 1].cpu - cpuMarks[m].cpu) * 1000.0 / double(cpuMarks[m + 1].frame - cpuMarks[m].frame);
  double load1 = 0;
  if (FILE* f = fopen("/proc/loadavg", "r")) {
    if (fscanf(f, "%lf", &load1) != 1) load1 = 0;
    fclose(f);
  }

  const double budget = 1000.0 / 60.0;
  printf("bench_show: the whole show rendered offline (no video), source %s, %zu frames at 60 fps\n",
         archive ? "data.qvx" : "data/", shown);
  printf("  load, entry to first frame    %8.1f ms   (goal 500 ms: %.2fx of it)\n", load * 1000, load * 2);
  printf("  wall clock per frame, and the main thread's processor time (machine load %.1f on %u cores)\n", load1,
         std::thread::hardware_concurrency());
  printf("  %-10s %7s %9s %9s %12s %9s %9s\n", "section", "frames", "median", "worst", "median/16.7", "draw med",
         "cpu mean");
  double worstMedian = 0;
  for (int32_t s = 0; s < kSections; s++) {
    const auto& v = perSection[size_t(s)];
    const double med = Median(v), worst = v.empty() ? 0 : *std::max_element(v.begin(), v.end());
    worstMedian = std::max(worstMedian, med);
    char name[32];
    snprintf(name, sizeof name, "%d-%ds", kSectionStarts[s] / 1000, s + 1 < kSections ? kSectionStarts[s + 1] / 1000 : 189);
    printf("  %-10s %7zu %7.3fms %7.3fms %11.3fx %7.3fms %7.3fms\n", name, v.size(), med, worst, med / budget,
           Median(drawPerSection[size_t(s)]), cpuPerFrame[size_t(s)]);
  }
  const double fps = double(shown) / showTime;
  const double cpuFps = double(shown) / cpuTotal;
  printf("  render of the show            %8.2f s    (goal 15 s: %.2fx of it), whole run %.2f s, processor %.2f s\n",
         showTime, showTime / 15, total, cpuTotal);
  printf("  frames per second achievable  %8.0f      headroom %.1fx real time (60 fps); by processor time %.1fx\n", fps,
         fps / 60, cpuFps / 60);

  printf("RESULT load_ms=%.1f render_s=%.2f total_s=%.2f cpu_s=%.2f fps=%.0f headroom=%.2f headroom_cpu=%.2f "
         "worst_section_median_ms=%.3f\n",
         load * 1000, showTime, total, cpuTotal, fps, fps / 60, cpuFps / 60, worstMedian);
  for (int32_t s = 0; s < kSections; s++) {
    const auto& v = perSection[size_t(s)];
    const int32_t at = kSectionStarts[s] / 1000;
    printf("RESULT section_%ds_median_ms=%.3f section_%ds_worst_ms=%.3f section_%ds_draw_median_ms=%.3f "
           "section_%ds_cpu_mean_ms=%.3f\n",
           at, Median(v), at, v.empty() ? 0 : *std::max_element(v.begin(), v.end()), at,
           Median(drawPerSection[size_t(s)]), at, cpuPerFrame[size_t(s)]);
  }
  return 0;
}
