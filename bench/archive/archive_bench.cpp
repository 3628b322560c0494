// Unpacking speed and packed size of every archive method, beside gzip -9, bzip2 -9 and xz -9
// measured in the same run on the same corpus.
//
// The corpus is the show's data/ directory when it exists, else pictures, text and binaries
// made here (the project's own sources and this program's binary). Each file is packed as one
// entry; unpacking is timed in memory, delta filter and Adler-32 check included. The peers'
// unpacking is timed over the whole corpus in one run of each tool, minus the run time of the
// tool on an empty input, so process start-up does not count against them. Times are processor
// times (best of five), so other work on the machine does not skew the ratios.
//
// Ends with one line per method:
//   RESULT method=lzh ratio_vs_gzip_size=... speed_vs_gzip_d=... (and the same against bzip2 and xz)
// ratio < 1 packs smaller than the peer, speed > 1 unpacks faster.
#include <dirent.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <random>
#include <string>
#include <vector>

#include "runtime/archive_codecs.h"
#include "runtime/archive_format.h"
#include "runtime/log.h"
#include "tools/qvxpack/pack.h"

namespace {

struct File {
  std::string name;
  std::vector<uint8_t> data;
};

double Now() {
  return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

bool ReadFile(const std::string& path, std::vector<uint8_t>& out, size_t limit = SIZE_MAX) {
  FILE* f = fopen(path.c_str(), "rb");
  if (!f) return false;
  out.clear();
  uint8_t buf[65536];
  size_t k;
  while (out.size() < limit && (k = fread(buf, 1, sizeof buf, f)) > 0) out.insert(out.end(), buf, buf + k);
  fclose(f);
  if (out.size() > limit) out.resize(limit);
  return true;
}

void WriteFile(const std::string& path, const std::vector<uint8_t>& data) {
  FILE* f = fopen(path.c_str(), "wb");
  if (!f) return;
  if (!data.empty()) fwrite(data.data(), 1, data.size(), f);
  fclose(f);
}

std::vector<uint8_t> TgaHeader(int w, int h) {
  std::vector<uint8_t> v(18, 0);
  v[2] = 2;
  v[12] = uint8_t(w); v[13] = uint8_t(w >> 8);
  v[14] = uint8_t(h); v[15] = uint8_t(h >> 8);
  v[16] = 24;
  return v;
}

// A 320 x 200 picture: sky gradient, a few discs, soft noise.
std::vector<uint8_t> Scene(uint32_t seed) {
  std::mt19937 rng(seed);
  std::vector<uint8_t> v = TgaHeader(320, 200);
  struct Disc { int x, y, r, c[3]; };
  std::vector<Disc> discs;
  for (int i = 0; i < 6; i++) discs.push_back({int(rng() % 320), int(rng() % 200), 10 + int(rng() % 50),
                                               {int(rng() % 256), int(rng() % 256), int(rng() % 256)}});
  for (int y = 0; y < 200; y++)
    for (int x = 0; x < 320; x++) {
      int c[3] = {40 + y / 2, 60 + y / 3, 120 + y / 2};
      for (const Disc& d : discs)
        if ((x - d.x) * (x - d.x) + (y - d.y) * (y - d.y) < d.r * d.r)
          for (int k = 0; k < 3; k++) c[k] = d.c[k] - (x - d.x) / 2;
      for (int k = 0; k < 3; k++) v.push_back(uint8_t(std::clamp(c[k] + int(rng() % 5) - 2, 0, 255)));
    }
  return v;
}

// A 256 x 256 plasma texture.
std::vector<uint8_t> Texture(double f) {
  std::vector<uint8_t> v = TgaHeader(256, 256);
  for (int y = 0; y < 256; y++)
    for (int x = 0; x < 256; x++) {
      double p = std::sin(x * f) + std::sin(y * f * 1.3) + std::sin((x + y) * f * 0.7);
      v.push_back(uint8_t(128 + 40 * p));
      v.push_back(uint8_t(128 + 40 * std::sin(p * 2)));
      v.push_back(uint8_t(128 - 40 * p));
    }
  return v;
}

void AddSources(const std::string& dir, std::vector<uint8_t>& out) {
  DIR* d = opendir(dir.c_str());
  if (!d) return;
  std::vector<std::string> names;
  while (dirent* e = readdir(d)) names.push_back(e->d_name);
  closedir(d);
  std::sort(names.begin(), names.end());
  for (const std::string& n : names) {
    if (n.size() < 3 || (n.substr(n.size() - 2) != ".h" && n.substr(n.size() - 4) != ".cpp")) continue;
    std::vector<uint8_t> v;
    if (ReadFile(dir + "/" + n, v)) out.insert(out.end(), v.begin(), v.end());
  }
}

std::vector<File> Corpus() {
  std::vector<File> files;
  std::string data = std::string(TARVON_SOURCE_DIR) + "/data";
  if (DIR* d = opendir(data.c_str())) {
    while (dirent* e = readdir(d)) {
      std::string path = data + "/" + e->d_name;
      struct stat st;
      if (stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode)) {
        File f{e->d_name, {}};
        if (ReadFile(path, f.data)) files.push_back(f);
      }
    }
    closedir(d);
    if (!files.empty()) {
      std::sort(files.begin(), files.end(), [](const File& a, const File& b) { return a.name < b.name; });
      printf("corpus: %zu files of %s\n", files.size(), data.c_str());
      return files;
    }
  }
  files.push_back({"scene1.tga", Scene(1)});
  files.push_back({"scene2.tga", Scene(2)});
  files.push_back({"plasma.tga", Texture(0.05)});
  files.push_back({"ripple.tga", Texture(0.21)});
  File text{"sources.txt", {}};
  for (const char* dir : {"runtime", "tools/qvxpack", "sound", "midas", "platform", "demo/engine",
                          "demo/effects", "demo/tarvon3", "tests/archive"})
    AddSources(std::string(TARVON_SOURCE_DIR) + "/" + dir, text.data);
  if (!text.data.empty()) files.push_back(text);
  File binary{"program.bin", {}};
  if (ReadFile("/proc/self/exe", binary.data, 1500000)) files.push_back(binary);
  printf("corpus: %zu files made by the benchmark (pictures, sources, this program)\n", files.size());
  return files;
}

struct Peer {
  const char* name;
  const char* pack;
  const char* unpack;
  uint64_t size = 0;
  double speed = 0;   // MB/s unpacking
};

// Processor time of the children (the shell and the tool), best of five runs.
double ChildSeconds() {
  rusage u;
  getrusage(RUSAGE_CHILDREN, &u);
  return double(u.ru_utime.tv_sec + u.ru_stime.tv_sec) + double(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

double RunTimed(const std::string& command) {
  double best = 1e9;
  for (int i = 0; i < 5; i++) {
    double t = ChildSeconds();
    if (system(command.c_str()) != 0) return -1;
    best = std::min(best, ChildSeconds() - t);
  }
  return best;
}

bool MeasurePeer(Peer& p, const std::vector<File>& files, const std::string& dir) {
  std::string ext = std::string(".") + p.name;
  p.size = 0;
  std::vector<uint8_t> all;
  for (const File& f : files) {
    std::string in = dir + "/" + f.name;
    std::string cmd = std::string(p.pack) + " < '" + in + "' > '" + in + ext + "'";
    if (system(cmd.c_str()) != 0) return false;
    struct stat st;
    if (stat((in + ext).c_str(), &st) != 0) return false;
    p.size += uint64_t(st.st_size);
    all.insert(all.end(), f.data.begin(), f.data.end());
  }
  // Speed over the whole corpus in one run, start-up measured on an empty input and taken off.
  WriteFile(dir + "/all", all);
  WriteFile(dir + "/none", {});
  std::string a = dir + "/all" + ext, n = dir + "/none" + ext;
  if (system((std::string(p.pack) + " < '" + dir + "/all' > '" + a + "'").c_str()) != 0) return false;
  if (system((std::string(p.pack) + " < '" + dir + "/none' > '" + n + "'").c_str()) != 0) return false;
  double full = RunTimed(std::string(p.unpack) + " < '" + a + "' > /dev/null");
  double empty = RunTimed(std::string(p.unpack) + " < '" + n + "' > /dev/null");
  if (full < 0 || empty < 0) return false;
  double t = std::max(full - empty, 1e-4);
  p.speed = double(all.size()) / t / 1e6;
  return true;
}

struct Packed {
  PackedEntry entry;
  size_t size;
};

// Processor time of this process.
double OwnSeconds() {
  timespec t;
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
  return double(t.tv_sec) + double(t.tv_nsec) / 1e9;
}

// Unpacks every entry as the reader does (decoder, delta, checksum); the best of at least five
// passes and 0.5 s, as the peers get their best of five runs.
double UnpackSpeed(const std::vector<Packed>& entries, uint64_t total) {
  std::vector<uint8_t> out;
  double best = 1e9, spent = 0;
  for (int pass = 0; pass < 5 || spent < 0.5; pass++) {
    double start = OwnSeconds();
    for (const Packed& p : entries) {
      out.resize(p.size);
      const PackedEntry& e = p.entry;
      if (e.method == METHOD_STORE) {
        if (p.size) memcpy(out.data(), e.data.data(), p.size);
      } else {
        BitReader in(e.data.data(), e.data.size());
        Failure why;   // a refusal shows as a checksum that differs
        if (e.method == METHOD_LZH) DecodeLZH(in, out.data(), int32_t(p.size), why);
        else if (e.method == METHOD_BWT) DecodeBWT(in, out.data(), int32_t(p.size), why);
        else DecodePPM(in, out.data(), int32_t(p.size), why);
        qvx::DeltaDecode(out.data(), p.size, e.delta);
      }
      if (qvx::Adler32(out.data(), p.size) != e.checksum) {
        fprintf(stderr, "bench_archive: an entry did not unpack to its bytes\n");
        exit(1);
      }
    }
    double t = OwnSeconds() - start;
    best = std::min(best, t);
    spent += t;
  }
  return double(total) / best / 1e6;
}

}  // namespace

int main() {
  DebugMode = 0;
  std::vector<File> files = Corpus();
  uint64_t total = 0;
  for (const File& f : files) {
    printf("  %-14s %9zu bytes\n", f.name.c_str(), f.data.size());
    total += f.data.size();
  }
  // A scratch folder under TMPDIR (else /tmp) for the other compressors' files.
  std::error_code noTemp;
  const std::string scratch = (std::filesystem::temp_directory_path(noTemp) / "bench_archive.XXXXXX").string();
  std::vector<char> dirTemplate(scratch.begin(), scratch.end());
  dirTemplate.push_back(0);
  std::string dir = !noTemp && mkdtemp(dirTemplate.data()) ? dirTemplate.data() : ".";
  for (const File& f : files) WriteFile(dir + "/" + f.name, f.data);

  Peer peers[] = {{"gz", "gzip -9 -c", "gzip -d -c"}, {"bz2", "bzip2 -9 -c", "bzip2 -d -c"}, {"xz", "xz -9 -c", "xz -d -c"}};
  const char* peerNames[] = {"gzip", "bzip2", "xz"};
  bool havePeer[3];
  for (int i = 0; i < 3; i++) havePeer[i] = MeasurePeer(peers[i], files, dir);
  system(("rm -rf '" + dir + "'").c_str());

  printf("\n%-8s %12s %8s %12s %12s\n", "method", "packed", "ratio", "unpack MB/s", "pack s");
  for (int i = 0; i < 3; i++)
    if (havePeer[i])
      printf("%-8s %12llu %8.4f %12.1f %12s\n", peerNames[i], (unsigned long long)peers[i].size,
             double(peers[i].size) / double(total), peers[i].speed, "-");

  struct Row { const char* name; int method; uint64_t size; double speed; };
  std::vector<Row> rows = {{"lzh", METHOD_LZH, 0, 0}, {"bwt", METHOD_BWT, 0, 0}, {"ppm", METHOD_PPM, 0, 0},
                           {"auto", kMethodAuto, 0, 0}};
  for (Row& r : rows) {
    std::vector<Packed> entries;
    double t = Now();
    for (const File& f : files) {
      PackOptions opt;
      Packed p{PackEntry(f.data.data(), f.data.size(), r.method, opt), f.data.size()};
      r.size += p.entry.data.size();
      entries.push_back(std::move(p));
    }
    double packTime = Now() - t;
    r.speed = UnpackSpeed(entries, total);
    printf("%-8s %12llu %8.4f %12.1f %12.2f\n", r.name, (unsigned long long)r.size, double(r.size) / double(total),
           r.speed, packTime);
  }
  printf("\n");
  for (const Row& r : rows) {
    printf("RESULT method=%s", r.name);
    const char* keys[] = {"gzip", "bzip2", "xz"};
    for (int i = 0; i < 3; i++)
      if (havePeer[i])
        printf(" ratio_vs_%s_size=%.4f speed_vs_%s_d=%.3f", keys[i], double(r.size) / double(peers[i].size), keys[i],
               r.speed / peers[i].speed);
    printf("\n");
  }
  return 0;
}
