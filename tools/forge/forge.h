// The asset forge: every file of the show's data/, made from code and fixed seeds.
//
// Each maker returns the finished bytes of one file; the table in assets.cpp lists them all with
// their kind, size and depth, and main.cpp writes them, synthesises and encodes the music and
// draws the contact sheet. Running the forge twice gives byte-identical files (the MP3 depends on
// the installed encoder; its PCM is identical).
//
//   forge [--out DIR] [--pcm FILE] [--no-music] [--no-contact]
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "tools/forge/image.h"
#include "tools/forge/tga.h"

using Bytes = std::vector<uint8_t>;

struct Asset {
  const char* name;
  const char* kind;      // "tga", "3dm", "spl"
  int32_t width;         // pictures: the size and depth the show requires
  int32_t height;
  int32_t depth;
  Bytes (*make)();
};

const std::vector<Asset>& Assets();

Bytes SaveTga(const Image& im, TgaPixels pixels, bool rle, bool bottomFirst, const char* id = "");

// Screens (320 x 200)
Bytes MakeLoading();
Bytes MakeLogoTarvon();
Bytes MakePhongFond();
Bytes MakeMultiFond();
Bytes MakeQuenPic();
Bytes MakeMetaFond();
Bytes MakeCheeseFond();
Bytes MakeForeground3();
Bytes MakeFond();
// Captions (32-bit with alpha)
Bytes MakeFonctions();
Bytes MakeNoms();
// Maps (256 x 256)
Bytes MakeCheckfun();
Bytes MakeZelt2();
Bytes MakeTexPhong2();
Bytes MakeSpecu();
Bytes MakePhong3();
Bytes MakePhongW();
Bytes MakeTexture2();
Bytes MakeMetaTex();
Bytes MakeCreditTga();
Bytes MakeSpec();
Bytes MakeSandBlur();
Bytes MakeBlur2();
Bytes MakeLogoQvx();
Bytes MakeSpeculaire();
Bytes MakeLeFond();
Bytes MakeWave2();
// Night scene (640 x 200)
Bytes MakeNightCiel();
Bytes MakeNightS();
// Objects
Bytes MakeMeteor();
Bytes MakeObj4();
Bytes MakeCreditObject();
// Paths
Bytes MakeCheckerPath();
Bytes MakeCredCheckPath();
Bytes MakeMusicPath();
Bytes MakeDesignPath();
Bytes MakeCoderPath();
Bytes MakeNomPath();
Bytes MakeLogoQvxPath();

// Music: the whole piece as interleaved 16-bit stereo at 44100 Hz.
constexpr int32_t kMusicRate = 44100;
constexpr double kMusicSeconds = 189.5;
std::vector<int16_t> SynthesiseMusic();

// Contact sheet: every picture of dir with its name, as a PNG file. Returns false on failure.
bool WriteContactSheet(const std::string& dir, const std::string& pngPath);

// Nine handles of the credits, row k of noms.tga (sprite 11 - k), and their roles.
struct Handle {
  const char* name;
  const char* role;
};
extern const Handle kHandles[9];
