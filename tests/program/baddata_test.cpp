// The real program against damaged data. Every case copies the forged data into a scratch folder of
// its own, damages one thing (a file missing, truncated or replaced by random bytes; an archive with
// flipped bits or a wrong magic; pictures of the wrong size or depth; objects and paths with garbage,
// huge counts or indices out of range; music that is not music), renders the first frames of the
// stretch that uses the damaged file, and checks how the program ended:
//   - no signal, no hang (a time limit), no sanitizer report on the console;
//   - exit status 1 after a fatal line (data is read inside the show, where a fatal error is a panic
//     exit, which reports the failure) or a fatal error of the sound library, 0 otherwise;
//   - a complete log: "Main() left" or "Panic exit", then the shut-down's lines to the end; or, after a
//     fatal error of the sound library (which ends the process at once), its error line last;
//   - the diagnosis the case asks for: a fatal line, or any fatal, error or warning line beyond those
//     of an undamaged run; cases whose damage the program may accept unnoticed only log what happened.
// Each group prints a table of its cases and outcomes.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "support/logfile.h"
#include "support/programs.h"
#include "support/tga_file.h"

namespace fs = std::filesystem;

namespace {

using Bytes = std::vector<uint8_t>;

enum class Want { Fatal, Diagnosed, Any };

struct Case {
  std::string label;
  std::function<void(const fs::path& dir)> damage;   // works on a fresh copy in dir
  Want want;
  int32_t startMs = 0, toMs = 200;
  bool archive = false;   // the copy is data.qvx instead of data/
};

const fs::path kData = fs::path(TARVON_SOURCE_DIR) / "data";

std::vector<std::string> DataFiles() {
  std::vector<std::string> names;
  if (!fs::is_directory(kData)) return names;
  for (const auto& e : fs::directory_iterator(kData))
    if (e.is_regular_file() && e.path().filename() != "contact.png") names.push_back(e.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

bool HaveData() { return fs::exists(kData / "meeting.mp3") && fs::exists(kData / "loading.tga"); }

// Bytes of a small deterministic generator, so a failing case is the same on every run.
Bytes Random(size_t n, uint32_t s) {
  Bytes b(n);
  for (auto& x : b) s ^= s << 13, s ^= s >> 17, s ^= s << 5, x = uint8_t(s >> 8);
  return b;
}

// The data folder of a case: links to the undamaged files, which a damage replaces by real files.
void LinkData(const fs::path& dir) {
  fs::create_directories(dir / "data");
  for (const std::string& name : DataFiles()) fs::create_symlink(kData / name, dir / "data" / name);
}

// Where each entry of an archive sits: its header's first byte, its data and the data's length.
struct Entry {
  std::string name;
  size_t at, data, length;
  uint8_t method;
};

std::vector<Entry> Entries(const Bytes& a) {
  std::vector<Entry> list;
  auto be = [&](size_t at, int n) {
    uint32_t v = 0;
    for (int i = 0; i < n; i++) v = v << 8 | a[at + size_t(i)];
    return v;
  };
  for (size_t at = 4; at + 8 <= a.size();) {
    const uint32_t h = be(at, 2), d = be(at + 2, 4), l = be(at + 6, 2);
    if (h == 0 || at + h + d > a.size()) break;
    list.push_back({std::string(a.begin() + long(at) + 8, a.begin() + long(at + 8 + l)), at, at + h, d, a[at + 12 + l]});
    at += h + d;
  }
  return list;
}

// The archive of the undamaged data, made once for this test program: the music stored, the other
// files packed by turns with LZH, BWT and PPM, so that every method's data gets damaged. Each method
// packs its share into an archive of its own, and the entries are put behind one magic.
fs::path PristineArchive() {
  static fs::path made;
  if (!made.empty()) return made;
  const fs::path out = fs::absolute("pristine.qvx");
  const char* methods[] = {"store", "lzh", "bwt", "ppm"};
  std::vector<std::string> share[4];
  int turn = 0;
  for (const std::string& name : DataFiles()) share[name == "meeting.mp3" ? 0 : 1 + turn++ % 3].push_back(name);
  Bytes joined;
  for (int m = 0; m < 4; m++) {
    const fs::path part = fs::absolute(std::string("pristine-") + methods[m] + ".qvx");
    std::string cmd = ProgramPath("qvxpack") + " create " + part.string();
    for (const std::string& name : share[m]) cmd += " " + (kData / name).string();
    cmd += std::string(" --method ") + methods[m] + " >/dev/null 2>&1";
    if (system(cmd.c_str()) != 0) return {};
    const Bytes b = ReadBytes(part);
    const std::vector<Entry> entries = Entries(b);
    if (entries.size() != share[m].size()) return {};
    if (joined.empty()) joined.assign(b.begin(), b.begin() + 4);
    joined.insert(joined.end(), b.begin() + 4, b.begin() + long(entries.back().data + entries.back().length));
    fs::remove(part);
  }
  WriteBytes(out, joined);
  made = out;
  return made;
}

// Damages of one file of data/.
std::function<void(const fs::path&)> OnFile(const std::string& name, std::function<void(Bytes&)> edit) {
  return [name, edit](const fs::path& dir) {
    Bytes b = ReadBytes(kData / name);
    edit(b);
    WriteBytes(dir / "data" / name, b);
  };
}

std::function<void(const fs::path&)> TextFile(const std::string& name, std::string text) {
  return [name, text](const fs::path& dir) { WriteText(dir / "data" / name, text); };
}

// A picture in place of a file; `width` other than 0 rewrites the header's width and height.
std::function<void(const fs::path&)> TgaCase(const std::string& name, Bytes picture, int width = 0) {
  if (width) picture[12] = picture[14] = uint8_t(width), picture[13] = picture[15] = uint8_t(width >> 8);
  return [name, picture](const fs::path& dir) { WriteBytes(dir / "data" / name, picture); };
}

// Damages of the archive.
std::function<void(const fs::path&)> OnArchive(std::function<void(Bytes&, const std::vector<Entry>&)> edit) {
  return [edit](const fs::path& dir) {
    Bytes b = ReadBytes(PristineArchive());
    const std::vector<Entry> entries = Entries(b);
    edit(b, entries);
    WriteBytes(dir / "data.qvx", b);
  };
}

struct Outcome {
  std::string kind;   // fatal, error, warning, clean, or the failure
  std::string line;
  bool ok = false;
  std::string why;
};

bool IsShutDownLine(const std::string& l) {
  return l.find("Undeallocated Block") != std::string::npos || l.find("UnloadMp3() not called") != std::string::npos ||
         l.find("Tried to free unallocated block") != std::string::npos;
}

// The shut-down's lines close the log: after the show "Info: FreeMp3()"; after a panic exit with the
// music loaded, FreeMp3 reports that and unloads it, and the music's block is already gone with FreeAll.
bool Complete(const std::vector<std::string>& log) {
  const int main = std::max(FindLine(log, "Info: Main() left"), FindLine(log, "Info: Panic exit"));
  if (!log.empty() && log.back().rfind("ERROR: KVOX_SysError(): ", 0) == 0) return true;   // ends at once
  if (main < 0 || log.empty()) return false;
  if (log.back() == "Info: FreeMp3()") return true;
  const int unload = FindLine(log, "ERROR: FreeMp3(): UnloadMp3() not called !", main);
  return unload > 0 && FindLine(log, "Info: UnloadMp3()", unload) == unload + 1 && int(log.size()) <= unload + 5 &&
         log.back().rfind("ERROR: Free(", 0) == 0 && log.back().find("Tried to free unallocated block") != std::string::npos;
}

Outcome Run(const std::string& group, size_t index, const Case& c) {
  const fs::path dir = fs::absolute(group) / std::to_string(index);
  fs::remove_all(dir);
  fs::create_directories(dir);
  if (c.archive) {
    if (PristineArchive().empty()) return {"no archive", "", false, "qvxpack could not pack the data"};
  } else {
    LinkData(dir);
  }
  c.damage(dir);

  std::string cmd = "cd '" + dir.string() + "' && timeout -k 5 120 " + ProgramPath("tarvon3") + " --render out --no-video";
  if (c.startMs) cmd += " --start " + std::to_string(c.startMs);
  cmd += " --to " + std::to_string(c.toMs) + " >console.txt 2>&1";
  const int s = system(cmd.c_str());
  const int status = WIFEXITED(s) ? WEXITSTATUS(s) : 128 + WTERMSIG(s);

  Outcome o;
  const std::string console = Slurp((dir / "console.txt").string());
  const std::vector<std::string> log = ReadLines((dir / "log.txt").string().c_str());
  for (const std::string& l : log) {
    if (l.rfind("FATAL ERROR:", 0) == 0 || l.rfind("ERROR: KVOX_SysError(): ", 0) == 0) {
      o.kind = l[0] == 'F' ? "fatal" : "sound";   // the sound library's fatal errors end the process at once
      o.line = l;
      break;
    }
    if (IsShutDownLine(l)) continue;
    if (o.kind.empty() && l.rfind("ERROR:", 0) == 0) o.line = l, o.kind = "error";
    if (o.kind.empty() && l.rfind("WARNING:", 0) == 0) o.line = l, o.kind = "warning";
  }
  if (o.kind.empty()) o.kind = "clean";

  if (status == 124 || status == 137) o.why = "hung (killed after 120 s)";
  else if (status > 128) o.why = "ended by signal " + std::to_string(status - 128);
  else if (console.find("Sanitizer") != std::string::npos || console.find("runtime error:") != std::string::npos)
    o.why = "sanitizer report";
  else if (status != (o.kind == "fatal" || o.kind == "sound" ? 1 : 0)) o.why = "exit status " + std::to_string(status);
  else if (!Complete(log)) o.why = "log does not end with the shut-down";
  else if (o.kind == "fatal" && FindLine(log, "Info: Panic exit", FindLine(log, o.line)) < 0)
    o.why = "no panic exit after the fatal line";
  else if (c.want == Want::Fatal && o.kind != "fatal" && o.kind != "sound") o.why = "no fatal line";
  else if (c.want == Want::Diagnosed && o.kind == "clean") o.why = "not diagnosed";
  o.ok = o.why.empty();
  if (!o.ok) o.kind = "FAIL";
  return o;
}

void RunGroup(const std::string& group, const std::vector<Case>& cases) {
  int failed = 0;
  std::printf("\n%-44s %-8s %s\n", ("[" + group + "] case").c_str(), "outcome", "first diagnosis");
  for (size_t i = 0; i < cases.size(); i++) {
    const Outcome o = Run(group, i, cases[i]);
    std::printf("%-44s %-8s %s\n", cases[i].label.c_str(), o.kind.c_str(),
                o.ok ? o.line.substr(0, 110).c_str() : (o.why + "; " + o.line).c_str());
    EXPECT_TRUE(o.ok) << cases[i].label << ": " << o.why << " (folder " << group << "/" << i << ")";
    if (o.ok) fs::remove_all(fs::absolute(group) / std::to_string(i));
    failed += !o.ok;
  }
  std::printf("[%s] %zu cases, %d FAILED\n", group.c_str(), cases.size(), failed);
  std::fflush(stdout);
}

// The stretch of the show that uses a file: when it is loaded after the start or drawn later.
int32_t StartFor(const std::string& name) {
  if (name.rfind("cred", 0) == 0) return 117000;   // loaded at 85 s, drawn from 117 s
  return 0;
}

// The files an undamaged run loads (at the start and at the credits); a file the show never asks
// for may be missing or damaged unnoticed.
const std::vector<std::pair<std::string, int32_t>>& UsedFiles(const std::string& group) {
  static std::vector<std::pair<std::string, int32_t>> used;
  if (!used.empty()) return used;
  for (int32_t start : {0, 117000}) {
    const Case pristine{"undamaged", [](const fs::path&) {}, Want::Any, start, start + 200};
    const Outcome o = Run(group + "-undamaged", size_t(start), pristine);
    EXPECT_TRUE(o.ok && o.kind == "clean") << "an undamaged run at " << start << " ms: " << o.why << " " << o.line;
    const std::string prefix = "Info: LoadFile(";
    for (const std::string& l : ReadLines((fs::absolute(group + "-undamaged") / std::to_string(start) / "log.txt").c_str()))
      if (l.rfind(prefix, 0) == 0) used.emplace_back(l.substr(prefix.size(), l.find(", ") - prefix.size()), start);
  }
  return used;
}

bool Used(const std::string& name, const std::string& group, int32_t only = -1) {
  for (const auto& [file, start] : UsedFiles(group))
    if (file == name && (only < 0 || start == only)) return true;
  return false;
}

#define NEED_DATA() \
  if (!HaveData()) GTEST_SKIP() << "no forged data in " << kData << ": run make data"

TEST(BadDataTest, EachFileMissingTruncatedOrRandom) {
  NEED_DATA();
  std::vector<Case> cases;
  uint32_t seed = 7;
  for (const std::string& name : DataFiles()) {
    const int32_t start = StartFor(name);
    const bool used = Used(name, "files"), picture = name.size() > 4 && name.substr(name.size() - 4) == ".tga";
    cases.push_back({name + " missing", [name](const fs::path& d) { fs::remove(d / "data" / name); },
                     used ? Want::Fatal : Want::Any, start, start + 200});
    // Pictures and text files lose their second half; the music is cut right after its start.
    const bool music = name == "meeting.mp3";
    cases.push_back({name + (music ? " cut to 600 bytes" : " cut in half"),
                     OnFile(name, [music](Bytes& b) { b.resize(music ? 600 : b.size() / 2); }),
                     used && picture ? Want::Fatal : Want::Any, start, start + 200});
    const uint32_t s = seed++;
    cases.push_back({name + " random bytes", OnFile(name, [s](Bytes& b) { b = Random(b.size(), s); }),
                     used && (picture || music) ? Want::Fatal : Want::Any, start, start + 200});
  }
  RunGroup("files", cases);
}

// A TGA picture as the forge writes them: uncompressed true colour (24 or 32 bits) or grey (8 bits).
Bytes TgaBytes(int w, int h, int depth) {
  Tga t{.type = uint8_t(depth == 8 ? 3 : 2), .width = uint16_t(w), .height = uint16_t(h), .depth = uint8_t(depth),
        .descriptor = uint8_t(depth == 32 ? 8 : 0)};
  for (int i = 0; i < w * h * depth / 8; i++) t.pixels.push_back(uint8_t(i * 7 + i / 256));
  return t.Build();
}

TEST(BadDataTest, PicturesOfTheWrongSizeOrDepth) {
  NEED_DATA();
  std::vector<Case> cases;
  for (const std::string& name : DataFiles()) {
    if (name.size() < 4 || name.substr(name.size() - 4) != ".tga" || !Used(name, "pictures")) continue;
    const Bytes original = ReadBytes(kData / name);
    const int w = original[12] | original[13] << 8, h = original[14] | original[15] << 8, depth = original[16];
    const int32_t start = StartFor(name);
    cases.push_back({name + " half size", TgaCase(name, TgaBytes(w / 2, h / 2, depth == 8 ? 8 : 24)), Want::Any, start,
                     start + 200});
    cases.push_back({name + " " + std::to_string(depth == 8 ? 24 : 8) + "-bit", TgaCase(name, TgaBytes(w, h, depth == 8 ? 24 : 8)),
                     Want::Any, start, start + 200});
  }
  cases.push_back({"loading.tga 1 x 1", TgaCase("loading.tga", TgaBytes(1, 1, 24)), Want::Any});
  cases.push_back({"loading.tga 65535 x 65535", TgaCase("loading.tga", TgaBytes(0, 0, 24), 0xFFFF), Want::Fatal});
  cases.push_back({"fond.tga 0 x 0", TgaCase("fond.tga", TgaBytes(0, 0, 24)), Want::Any});
  cases.push_back({"phong3.tga 32-bit", TgaCase("phong3.tga", TgaBytes(256, 256, 32)), Want::Any});
  RunGroup("pictures", cases);
}

// An object file as numbers: N, N groups of five reals, F, F groups of three indices.
struct ObjectText {
  std::vector<std::string> verts;   // 5 words each
  std::vector<long> faces;          // 3 each
  std::string Text(const std::string& n, const std::string& f) const {
    std::string t = n + "\n";
    for (size_t i = 0; i < verts.size(); i++) t += verts[i] + (i % 5 == 4 ? "\n" : " ");
    t += f + "\n";
    for (size_t i = 0; i < faces.size(); i++) t += std::to_string(faces[i]) + (i % 3 == 2 ? "\n" : " ");
    return t;
  }
};

ObjectText ReadObject(const std::string& name) {
  std::istringstream in(Slurp((kData / name).string()));
  ObjectText o;
  long n = 0, f = 0;
  in >> n;
  for (long i = 0; i < 5 * n; i++) o.verts.emplace_back(), in >> o.verts.back();
  in >> f;
  for (long i = 0; i < 3 * f; i++) o.faces.emplace_back(), in >> o.faces.back();
  return o;
}

TEST(BadDataTest, ObjectsWithGarbageHugeCountsAndBadIndices) {
  NEED_DATA();
  // Each object in the stretches that draw it: the checker (2 s), multi (50 s) and cheese (153 s)
  // for the meteor, phong (10 s) for obj4, the credits plate (117 s) for credit.3dm.
  const std::vector<std::pair<std::string, int32_t>> uses = {
      {"meteor4.3dm", 2000}, {"meteor4.3dm", 50000}, {"meteor4.3dm", 153000}, {"obj4.3dm", 10000}, {"credit.3dm", 117000}};
  std::vector<Case> cases;
  for (const auto& [name, start] : uses) {
    const ObjectText o = ReadObject(name);
    const std::string n = std::to_string(o.verts.size() / 5), f = std::to_string(o.faces.size() / 3);
    const std::string at = " at " + std::to_string(start / 1000) + " s";
    auto add = [&, name = name, start = start](const std::string& what, std::string text, Want want) {
      cases.push_back({name + " " + what + at, TextFile(name, text), want, start, start + 300});
    };
    add("garbage", "#!%&garbage \x01\x02 not numbers at all\n", Want::Any);
    add("huge vertex count", o.Text("2000000000", f), Want::Diagnosed);
    add("huge face count", o.Text(n, "2000000000"), Want::Diagnosed);
    add("negative counts", "-5\n-9\n", Want::Any);
    ObjectText bad = o;
    bad.faces[0] = long(o.verts.size() / 5) + 5;
    add("face index past the end", bad.Text(n, f), Want::Diagnosed);
    bad = o;
    bad.faces[4] = -1;
    add("negative face index", bad.Text(n, f), Want::Diagnosed);
    auto words = [&](const std::function<std::string(size_t)>& word) {   // each vertex word i replaced
      ObjectText b = o;
      for (size_t i = 0; i < b.verts.size(); i++) b.verts[i] = word(i);
      return b.Text(n, f);
    };
    add("coordinates 1e300", words([](size_t i) { return std::string(i % 5 < 3 ? "1e300" : "0"); }), Want::Any);
    add("all vertices at one point", words([](size_t) { return std::string("0"); }), Want::Any);
    add("x not a number", words([&](size_t i) { return i % 5 ? o.verts[i] : std::string("nan"); }), Want::Any);
  }
  RunGroup("objects", cases);
}

TEST(BadDataTest, PathsWithGarbageAndCountsOutOfRange) {
  NEED_DATA();
  // Each reader of paths in a stretch that evaluates it: the checker's camera, the credits plate's,
  // and the sprites (nom.spl; the other sprite paths are read and evaluated the same way).
  const std::vector<std::pair<std::string, int32_t>> uses = {
      {"checker.spl", 2000}, {"credcheck.spl", 117000}, {"nom.spl", 117000}};
  std::vector<Case> cases;
  for (const auto& [name, start] : uses) {
    std::istringstream in(Slurp((kData / name).string()));
    int keys = 0, values = 0;
    in >> keys >> values;
    auto keyText = [values](int k, double t, const std::string& v) {
      std::string line = std::to_string(t);
      for (int j = 0; j < values; j++) line += " " + (v.empty() ? std::to_string(k * 10 + j) : v);
      return line + "\n";
    };
    auto many = [&](int count, bool sameT, const std::string& v) {
      std::string text;
      for (int k = 0; k < count; k++) text += keyText(k, sameT ? 50.0 : k * 200.0 / std::max(1, count - 1), v);
      return text;
    };
    const std::string dims = " " + std::to_string(values) + "\n";
    auto add = [&, name = name, start = start](const std::string& what, std::string text, Want want) {
      cases.push_back({name + " " + what, TextFile(name, text), want, start, start + 300});
    };
    add("50 keys", "50" + dims + many(50, false, ""), Want::Fatal);
    add("2000000000 keys", "2000000000" + dims + many(3, false, ""), Want::Fatal);
    add("7 values", std::to_string(keys) + " 7\n" + many(keys, false, ""), Want::Fatal);
    add("no keys", "0" + dims, Want::Any);
    add("negative counts", "-4 -2\n", Want::Any);
    add("one key", "1" + dims + many(1, false, ""), Want::Any);
    add("all keys at one t", std::to_string(keys) + dims + many(keys, true, ""), Want::Any);
    add("values 1e300", std::to_string(keys) + dims + many(keys, false, "1e300"), Want::Any);
    add("garbage", "keys: lots\x01\x02\n", Want::Any);
  }
  RunGroup("paths", cases);
}

TEST(BadDataTest, MusicThatIsNotMusic) {
  NEED_DATA();
  const std::string mp3 = "meeting.mp3";
  std::vector<Case> cases = {
      {"a picture named meeting.mp3", [](const fs::path& d) { WriteBytes(d / "data" / "meeting.mp3", ReadBytes(kData / "fond.tga")); },
       Want::Fatal},
      {"meeting.mp3 empty", OnFile(mp3, [](Bytes& b) { b.clear(); }), Want::Fatal},
      {"meeting.mp3 first byte wrong", OnFile(mp3, [](Bytes& b) { b[0] ^= 0xFF; }), Want::Fatal},
      {"meeting.mp3 a RIFF header of 40 bytes",
       OnFile(mp3, [](Bytes& b) {
         Bytes riff = {'R', 'I', 'F', 'F', 0, 0, 0, 0, 'W', 'A', 'V', 'E'};
         riff.resize(40, 0);
         b.insert(b.begin(), riff.begin(), riff.end());
       }),
       Want::Fatal},
      {"meeting.mp3 cut in half, played 3 s", OnFile(mp3, [](Bytes& b) { b.resize(b.size() / 2); }), Want::Any, 0, 3000},
      {"meeting.mp3 cut after 1 s, played 3 s", OnFile(mp3, [](Bytes& b) { b.resize(16000); }), Want::Any, 0, 3000},
      {"meeting.mp3 64 KiB garbage after 0.5 s",
       OnFile(mp3, [](Bytes& b) {
         const Bytes g = Random(65536, 99);
         std::copy(g.begin(), g.end(), b.begin() + 8000);
       }),
       Want::Any, 0, 6000},
      {"meeting.mp3 zeros after 0.5 s",
       OnFile(mp3, [](Bytes& b) { std::fill(b.begin() + 8000, b.begin() + 40000, 0); }), Want::Any, 0, 4000},
      {"meeting.mp3 every 50th byte flipped",
       OnFile(mp3, [](Bytes& b) {
         for (size_t i = 4; i < 200000; i += 50) b[i] ^= 0x5A;
       }),
       Want::Any, 0, 4000},
  };
  RunGroup("music", cases);
}

TEST(BadDataTest, ArchiveWithFlippedBitsAndAWrongMagic) {
  NEED_DATA();
  if (PristineArchive().empty()) GTEST_SKIP() << "qvxpack could not pack the data into an archive";
  const std::vector<Entry> entries = Entries(ReadBytes(PristineArchive()));
  ASSERT_FALSE(entries.empty());
  std::vector<Case> cases;
  auto add = [&](const std::string& what, std::function<void(Bytes&, const std::vector<Entry>&)> edit, Want want) {
    cases.push_back({"data.qvx " + what, OnArchive(edit), want, 0, 200, true});
  };
  add("undamaged", [](Bytes&, const std::vector<Entry>&) {}, Want::Any);
  add("wrong magic", [](Bytes& b, const std::vector<Entry>&) { b[1] = 'X'; }, Want::Fatal);
  add("only its magic", [](Bytes& b, const std::vector<Entry>&) { b.resize(4); }, Want::Fatal);
  add("cut in half", [](Bytes& b, const std::vector<Entry>&) { b.resize(b.size() / 2); }, Want::Fatal);
  add("random after the magic", [](Bytes& b, const std::vector<Entry>&) {
    const Bytes r = Random(b.size() - 4, 5);
    std::copy(r.begin(), r.end(), b.begin() + 4);
  }, Want::Fatal);
  // Bits of the first entry's header, and of the header of the entry the show reads first.
  size_t loading = 0;
  for (size_t i = 0; i < entries.size(); i++)
    if (entries[i].name == "loading.tga") loading = i;
  for (size_t which : {size_t(0), loading}) {
    const Entry e = entries[which];
    const size_t l = e.name.size();
    const std::vector<std::pair<std::string, size_t>> fields = {
        {"header length", e.at + 1}, {"stored length", e.at + 3}, {"name length", e.at + 7},
        {"name", e.at + 8}, {"unpacked size", e.at + 9 + l}, {"method", e.at + 12 + l},
        {"delta distance", e.at + 13 + l}, {"checksum", e.at + 16 + l}};
    for (const auto& [field, at] : fields)
      for (uint8_t bit : {uint8_t(0x01), uint8_t(0x40)})
        add(e.name + " " + field + " bit " + std::to_string(bit), [at = at, bit](Bytes& b, const std::vector<Entry>&) {
          b[at] ^= bit;
        }, field == "delta distance" && e.method == 0 ? Want::Any : Want::Diagnosed);   // stored: no filter
  }
  // Flipped bits in the packed data of one entry of each method, at its start, middle and end.
  for (uint8_t method = 0; method < 4; method++) {
    for (const Entry& e : entries) {
      if (e.method != method || e.length < 16 || !Used(e.name, "archive", 0)) continue;
      // (The last bytes of an arithmetic-coded stream may be padding that no decoder needs.)
      for (size_t at : {e.data + 2, e.data + e.length / 2, e.data + e.length * 3 / 4})
        add(e.name + " method " + std::to_string(method) + " data bit at +" + std::to_string(at - e.data),
            [at](Bytes& b, const std::vector<Entry>&) { b[at] ^= 0x10; }, Want::Diagnosed);
      break;
    }
  }
  RunGroup("archive", cases);
}

}  // namespace
