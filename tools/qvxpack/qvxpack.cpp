// qvxpack: makes, lists, unpacks and checks the demo's data archive (data.qvx).
//
//   qvxpack create ARCHIVE PATH... [--method store|lzh|bwt|ppm|auto] [--order N] [--delta D]
//   qvxpack list ARCHIVE
//   qvxpack extract ARCHIVE [NAME...] [-C DIR]
//   qvxpack verify ARCHIVE
//
// Directories given to create are taken flat: every regular file directly inside, by file name.
// Reading goes through the runtime's own archive reader, so what verify accepts the demo reads.
#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <set>
#include <string>
#include <system_error>
#include <vector>

#include "runtime/archive.h"
#include "runtime/archive_format.h"
#include "runtime/log.h"
#include "tools/qvxpack/archive_write.h"
#include "tools/qvxpack/pack.h"
#include "tools/qvxpack/quiet.h"

namespace {

const char kHelp[] =
    "qvxpack: the data archive tool\n"
    "\n"
    "  qvxpack create ARCHIVE PATH... [--method M] [--order N] [--delta D]\n"
    "      pack files (a directory gives every regular file directly inside it) into ARCHIVE;\n"
    "      M is store, lzh, bwt, ppm or auto (default auto: every method with delta distances\n"
    "      0 to 4, the smallest kept); N is the PPM model order 0-15 (default 4); D is the delta\n"
    "      distance 0-255 used with a forced method (default 0)\n"
    "  qvxpack list ARCHIVE\n"
    "      name, size, packed size, method, delta distance and Adler-32 of every entry\n"
    "  qvxpack extract ARCHIVE [NAME...] [-C DIR]\n"
    "      unpack every entry, or the named ones, into DIR (default the current directory);\n"
    "      names holding \"/\" or that are \"..\" are refused\n"
    "  qvxpack verify ARCHIVE\n"
    "      unpack and check every entry; exit status 1 and the name of the first bad one\n"
    "  qvxpack --help\n";

int Fail(const std::string& message) {
  fprintf(stderr, "qvxpack: %s\n", message.c_str());
  return 1;
}

// A command line the tool cannot take: exit status 2, as every program of the project.
int Usage(const std::string& message) {
  fprintf(stderr, "qvxpack: %s\n", message.c_str());
  return 2;
}

bool ReadWhole(const std::string& path, std::vector<uint8_t>& out, std::string& error) {
  FILE* f = fopen(path.c_str(), "rb");
  if (!f) {
    error = "cannot open \"" + path + "\": " + strerror(errno);
    return false;
  }
  out.clear();
  uint8_t buf[1 << 16];
  size_t k;
  while ((k = fread(buf, 1, sizeof buf, f)) > 0) {
    out.insert(out.end(), buf, buf + k);
    if (out.size() > size_t(INT32_MAX)) {
      fclose(f);
      error = "\"" + path + "\" is too large for the archive";
      return false;
    }
  }
  bool bad = ferror(f);
  fclose(f);
  if (bad) error = "cannot read \"" + path + "\"";
  return !bad;
}

std::string BaseName(const std::string& path) {
  std::string p = path;
  while (p.size() > 1 && p.back() == '/') p.pop_back();
  size_t slash = p.rfind('/');
  return slash == std::string::npos ? p : p.substr(slash + 1);
}

// (name, path) of every input, directories taken flat and sorted by name.
bool CollectInputs(const std::vector<std::string>& paths, std::vector<std::pair<std::string, std::string>>& out,
                   std::string& error) {
  for (const std::string& path : paths) {
    struct stat st;
    if (stat(path.c_str(), &st) != 0) {
      error = "cannot find \"" + path + "\"";
      return false;
    }
    if (S_ISDIR(st.st_mode)) {
      DIR* d = opendir(path.c_str());
      if (!d) {
        error = "cannot read the directory \"" + path + "\"";
        return false;
      }
      std::vector<std::string> names;
      while (dirent* e = readdir(d)) {
        std::string name = e->d_name;
        std::string full = path + "/" + name;
        struct stat fs;
        if (stat(full.c_str(), &fs) == 0 && S_ISREG(fs.st_mode)) names.push_back(name);
      }
      closedir(d);
      std::sort(names.begin(), names.end());
      for (const std::string& name : names) out.push_back({name, path + "/" + name});
    } else if (S_ISREG(st.st_mode)) {
      out.push_back({BaseName(path), path});
    } else {
      error = "\"" + path + "\" is neither a file nor a directory";
      return false;
    }
  }
  std::set<std::string> seen;
  for (const auto& [name, path] : out) {
    if (name.size() > size_t(qvx::kMaxNameLength)) {
      error = "name \"" + name + "\" is longer than " + std::to_string(qvx::kMaxNameLength) + " bytes";
      return false;
    }
    if (!seen.insert(name).second) {
      error = "two inputs have the name \"" + name + "\"";
      return false;
    }
  }
  return true;
}

int Create(const std::string& archive, const std::vector<std::string>& paths, int method, const PackOptions& options) {
  std::vector<std::pair<std::string, std::string>> inputs;
  std::string error;
  if (!CollectInputs(paths, inputs, error)) return Fail(error);
  std::vector<ArchiveItem> items;
  uint64_t total = 0, packed = 0;
  for (const auto& [name, path] : inputs) {
    std::vector<uint8_t> data;
    if (!ReadWhole(path, data, error)) return Fail(error);
    ArchiveItem item;
    item.name = name;
    item.size = uint32_t(data.size());
    item.packed = PackEntry(data.data(), data.size(), method, options);
    if (!CheckItem(item, error)) return Fail(error);
    if (!item.packed.note.empty()) fprintf(stderr, "qvxpack: %s: %s\n", name.c_str(), item.packed.note.c_str());
    printf("%-32s %10u -> %10zu  %-5s delta %d\n", name.c_str(), item.size, item.packed.data.size(),
           qvx::kMethodNames[item.packed.method], item.packed.delta);
    total += item.size;
    packed += item.packed.data.size();
    items.push_back(std::move(item));
  }
  if (!WriteArchiveFile(archive, items, error)) return Fail(error);
  printf("%zu entries, %llu -> %llu bytes\n", items.size(), (unsigned long long)total, (unsigned long long)packed);
  return 0;
}

// The runtime reader ends a refused archive through Fatal; these run under RunGuarded.
struct ReadJob {
  const char* path;
  Archive* archive;
  std::vector<uint8_t>* out;
  uint32_t sum;
};
ReadJob gRead;

void RunOpen() { gRead.archive = OpenArchive(gRead.path); }
void RunNext() { NextFile(gRead.archive); }
void RunUnpack() { gRead.sum = UnpackEntry(gRead.archive, gRead.out->data()); }

Archive* Open(const std::string& path) {
  // Opened here by its absolute path: the reader runs inside a private directory.
  std::error_code error;
  const std::filesystem::path real = std::filesystem::canonical(path, error);
  if (error) {
    Fail("cannot open \"" + path + "\": " + error.message());
    return nullptr;
  }
  static std::string full;
  full = real.string();
  gRead.path = full.c_str();
  gRead.archive = nullptr;
  std::string why;
  if (RunQuietly(RunOpen, &why)) {
    Fail("cannot open \"" + path + "\": " + why);
    return nullptr;
  }
  if (!gRead.archive) Fail("\"" + path + "\" is not an archive");
  return gRead.archive;
}

bool Next(Archive* a) {
  gRead.archive = a;
  return !RunQuietly(RunNext, nullptr);
}

// Unpacks the current entry; the reason when it does not come back whole.
bool Unpack(Archive* a, std::vector<uint8_t>& out, std::string& why) {
  if (a->unpackedSize < 0) {
    why = "bad unpacked size";
    return false;
  }
  out.assign(size_t(a->unpackedSize), 0);
  gRead = {gRead.path, a, &out, 0};
  if (RunQuietly(RunUnpack, &why)) return false;
  if (gRead.sum != a->checksum) {
    why = "Bad CRC";
    return false;
  }
  return true;
}

int List(const std::string& path) {
  Archive* a = Open(path);
  if (!a) return 1;
  printf("%-32s %10s %10s %-6s %5s %s\n", "name", "size", "packed", "method", "delta", "adler32");
  while (!a->end) {
    const char* method = a->method >= 0 && a->method < qvx::kMethodCount ? qvx::kMethodNames[a->method] : "?";
    printf("%-32s %10d %10u %-6s %5d %08x\n", a->name, a->unpackedSize, uint32_t(a->storedLength), method,
           a->delta, a->checksum);
    if (!Next(a)) break;
  }
  CloseArchive(a);
  return 0;
}

bool SafeName(const Archive* a) {
  std::string name(a->name);
  if (name.size() != size_t(a->nameLength) || name.empty()) return false;
  if (name == "." || name == "..") return false;
  return name.find('/') == std::string::npos && name.find('\\') == std::string::npos;
}

int Extract(const std::string& path, const std::vector<std::string>& names, const std::string& dir) {
  std::error_code error;
  if (!dir.empty() && !std::filesystem::create_directory(dir, error) && error) return Fail("cannot make \"" + dir + "\"");
  Archive* a = Open(path);
  if (!a) return 1;
  std::set<std::string> wanted(names.begin(), names.end()), found;
  int status = 0;
  while (!a->end) {
    if (wanted.empty() || wanted.count(a->name)) {
      found.insert(a->name);
      std::vector<uint8_t> data;
      std::string why;
      if (!SafeName(a)) {
        status = Fail("refusing the entry name \"" + std::string(a->name) + "\"");
      } else if (!Unpack(a, data, why)) {
        status = Fail(std::string(a->name) + ": " + why);
        break;
      } else {
        std::string out = (dir.empty() ? std::string(".") : dir) + "/" + a->name;
        FILE* f = fopen(out.c_str(), "wb");
        if (!f || (!data.empty() && fwrite(data.data(), 1, data.size(), f) != data.size())) {
          if (f) fclose(f);
          status = Fail("cannot write \"" + out + "\"");
          break;
        }
        if (fclose(f) != 0) status = Fail("cannot write \"" + out + "\"");
        printf("%s\n", out.c_str());
      }
    }
    if (!Next(a)) break;
  }
  CloseArchive(a);
  for (const std::string& name : wanted)
    if (!found.count(name)) status = Fail("no entry \"" + name + "\" in \"" + path + "\"");
  return status;
}

int Verify(const std::string& path) {
  Archive* a = Open(path);
  if (!a) return 1;
  int count = 0;
  while (!a->end) {
    std::vector<uint8_t> data;
    std::string why;
    if (!Unpack(a, data, why)) {
      printf("BAD %s: %s\n", a->name, why.c_str());
      CloseArchive(a);
      return 1;
    }
    printf("ok  %s\n", a->name);
    count++;
    if (!Next(a)) break;
  }
  CloseArchive(a);
  printf("%d entries verified\n", count);
  return 0;
}

bool ParseInt(const char* text, int low, int high, int& value) {
  char* end = nullptr;
  long v = strtol(text, &end, 10);
  if (!*text || *end || v < low || v > high) return false;
  value = int(v);
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  DebugMode = 0;   // the runtime's log stays off: this tool reports on its own streams
  std::vector<std::string> args(argv + 1, argv + argc);
  if (args.empty()) {
    fputs(kHelp, stderr);
    return 2;
  }
  if (args[0] == "--help" || args[0] == "-h" || args[0] == "help") {
    fputs(kHelp, stdout);
    return 0;
  }
  const std::string command = args[0];
  std::vector<std::string> plain;
  int method = kMethodAuto;
  PackOptions options;
  std::string dir;
  for (size_t i = 1; i < args.size(); i++) {
    const std::string& a = args[i];
    bool hasValue = i + 1 < args.size();
    if (a == "--help") {
      fputs(kHelp, stdout);
      return 0;
    } else if (a == "--method" && hasValue) {
      method = MethodFromName(args[++i]);
      if (method == -2) return Usage("unknown method \"" + args[i] + "\" (store, lzh, bwt, ppm or auto)");
    } else if (a == "--order" && hasValue) {
      if (!ParseInt(args[++i].c_str(), 0, 15, options.order)) return Usage("--order takes 0 to 15");
    } else if (a == "--delta" && hasValue) {
      if (!ParseInt(args[++i].c_str(), 0, qvx::kMaxDelta, options.delta)) return Usage("--delta takes 0 to 255");
    } else if (a == "-C" && hasValue) {
      dir = args[++i];
    } else if (a.size() > 1 && a[0] == '-' ) {
      return Usage("unknown or incomplete option \"" + a + "\" (see qvxpack --help)");
    } else {
      plain.push_back(a);
    }
  }
  if (command == "create") {
    if (plain.size() < 2) return Usage("create needs an archive and at least one file or directory");
    return Create(plain[0], std::vector<std::string>(plain.begin() + 1, plain.end()), method, options);
  }
  if (command == "list" && plain.size() == 1) return List(plain[0]);
  if (command == "extract" && !plain.empty())
    return Extract(plain[0], std::vector<std::string>(plain.begin() + 1, plain.end()), dir);
  if (command == "verify" && plain.size() == 1) return Verify(plain[0]);
  fputs(kHelp, stderr);
  return 2;
}
