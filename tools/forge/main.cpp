// forge: writes every file of the show's data folder, the music and the contact sheet.
//
//   forge [--out DIR] [--pcm FILE] [--no-music] [--no-contact]
//
// --out      the folder to fill (default "data"), created when missing
// --pcm      also write the synthesised music as raw 16-bit little-endian stereo at 44100 Hz
// --no-music skip the music (and the encoder)
// --no-contact skip data/contact.png
// The music is synthesised on a second thread while the pictures are drawn, then encoded by the
// `lame` command at 128 kbit/s CBR. Every file is written whole or not at all (platform/whole_file.h):
// one that cannot be is not left behind. Exit status 0 when every file was written, 1 otherwise.
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <thread>

#include <unistd.h>

#include "platform/whole_file.h"
#include "tools/forge/forge.h"
#include "tools/forge/text.h"

namespace {

bool WriteFile(const std::string& path, const void* data, size_t size) {
  return PlatWriteFile(path.c_str(), data, size, true) == PLAT_FILE_WRITTEN;
}

// One progress line: rewritten in place on a terminal, left out of logs (only the summary is printed).
void Progress(size_t done, size_t total, const char* name, const char* note) {
  static const bool tty = isatty(1) != 0;
  if (!tty) return;
  std::printf("\rforge: [%2zu/%zu] %-16s %-18s", done, total, name, note);
  std::fflush(stdout);
}

// lame writes the temporary beside mp3, which takes the name once lame has succeeded.
bool Encode(const std::vector<int16_t>& pcm, const std::string& mp3) {
  PlatWholeFile out;
  if (!PlatBeginFile(out, mp3.c_str())) return false;
  const std::string command = "lame -r -s 44.1 --bitwidth 16 --signed --little-endian -m j -b 128 --cbr -t "
                              "--noreplaygain --silent - '" + std::string(PlatHandOverFile(out)) + "' 2>/dev/null";
  FILE* pipe = popen(command.c_str(), "w");
  bool ok = pipe && std::fwrite(pcm.data(), sizeof(int16_t), pcm.size(), pipe) == pcm.size();
  ok = pipe && pclose(pipe) == 0 && ok;
  if (ok) return PlatFinishFile(out, true) == PLAT_FILE_WRITTEN;
  PlatDropFile(out);
  return false;
}

}  // namespace

int main(int argc, char** argv) {
  std::string out = "data", pcmPath;
  bool music = true, contact = true;
  for (int i = 1; i < argc; ++i) {
    if (!std::strcmp(argv[i], "--out") && i + 1 < argc) out = argv[++i];
    else if (!std::strcmp(argv[i], "--pcm") && i + 1 < argc) pcmPath = argv[++i];
    else if (!std::strcmp(argv[i], "--no-music")) music = false;
    else if (!std::strcmp(argv[i], "--no-contact")) contact = false;
    else if (!std::strcmp(argv[i], "--help")) {
      std::printf(
          "forge: writes every file of the show's data from code and fixed seeds\n\n"
          "  forge [--out DIR] [--pcm FILE] [--no-music] [--no-contact]\n"
          "  --out DIR     the folder to fill (default data), created when missing\n"
          "  --pcm FILE    also write the synthesised music as raw 16-bit little-endian stereo, 44100 Hz\n"
          "  --no-music    skip the music (and its encoding by lame)\n"
          "  --no-contact  skip contact.png, the review sheet of every picture\n");
      return 0;
    } else {
      std::fprintf(stderr, "usage: forge [--out DIR] [--pcm FILE] [--no-music] [--no-contact] (--help)\n");
      return 2;
    }
  }
  std::error_code ec;
  std::filesystem::create_directories(out, ec);
  const auto begin = std::chrono::steady_clock::now();
  std::vector<int16_t> pcm;
  std::thread synth;
  if (music) synth = std::thread([&pcm] { pcm = SynthesiseMusic(); });
  bool ok = true;
  const auto& assets = Assets();
  const size_t total = assets.size() + (music ? 1 : 0) + (contact ? 1 : 0);
  size_t done = 0;
  for (const Asset& a : assets) {
    Bytes bytes = a.make();
    if (!WriteFile(out + "/" + a.name, bytes.data(), bytes.size())) {
      std::fprintf(stderr, "forge: cannot write %s/%s\n", out.c_str(), a.name);
      ok = false;
    }
    char note[32];
    std::snprintf(note, sizeof note, "%7zu bytes", bytes.size());
    Progress(++done, total, a.name, note);
  }
  if (TextFailed()) {
    std::fprintf(stderr, "\nforge: a DejaVu font could not be opened in %s\n", FORGE_FONT_DIR);
    ok = false;
  }
  if (contact) {
    if (!WriteContactSheet(out, out + "/contact.png")) {
      std::fprintf(stderr, "\nforge: cannot write the contact sheet\n");
      ok = false;
    }
    Progress(++done, total, "contact.png", "");
  }
  if (music) {
    synth.join();
    if (!pcmPath.empty() && !WriteFile(pcmPath, pcm.data(), pcm.size() * sizeof(int16_t))) {
      std::fprintf(stderr, "\nforge: cannot write %s\n", pcmPath.c_str());
      ok = false;
    }
    Progress(++done, total, "meeting.mp3", "encoding");
    if (!Encode(pcm, out + "/meeting.mp3")) {
      std::fprintf(stderr, "\nforge: encoding meeting.mp3 with lame failed (is lame installed?)\n");
      ok = false;
    }
  }
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - begin).count();
  if (isatty(1)) std::printf("\r%60s\r", "");
  std::printf("forge: %zu files in %s/ in %.1f s%s\n", done, out.c_str(), seconds, ok ? "" : " (with errors)");
  return ok ? 0 : 1;
}
