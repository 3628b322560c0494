// Draws each effect of the second group for 600 frames over its window from the forged show data
// and prints the median milliseconds per frame beside a peer measured in the same run: one plain
// copy of a whole frame. The data is data.qvx or data/ of the checkout, or the archive or folder
// named by TARVON_DATA (run `make data` first).
//
//   bench_effects2            ends with lines  RESULT effect=deform ms_per_frame=0.12 ...
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "demo/effects/cheese.h"
#include "demo/effects/deform.h"
#include "demo/effects/light.h"
#include "demo/effects/transition.h"
#include "demo/effects/transpic.h"
#include "demo/effects/wave.h"
#include "runtime/files.h"
#include "runtime/log.h"
#include "runtime/memory.h"
#include "bench/support/frame_timer.h"

namespace {


char* W(const char* s) { return const_cast<char*>(s); }

}  // namespace

using namespace frametimer;

int main() {
  DebugMode = 0;
  InitMemory();
  const std::filesystem::path source = TARVON_SOURCE_DIR;
  std::string data = std::filesystem::exists(source / "data.qvx") ? (source / "data.qvx").string() : (source / "data").string();
  if (const char* chosen = getenv("TARVON_DATA")) data = chosen;
  if (!std::filesystem::exists(data)) {
    printf("effects2: no show data (%s); run make data first\n", data.c_str());
    return 1;
  }
  SetArchiveName(data.c_str());
  printf("effects2: %d frames per effect, data from %s\n", kFrames, data.c_str());
  MakeBackground();
  const EffectFiles& files = DataFiles();

  std::vector<Row> rows;
  const double copy = MsPerFrame([](const FrameTarget&, float) {});

  char* cheeseArgs[] = {W("meteor4.3dm"), W("phong3.tga"), W("phong_w.tga")};
  SetUpSpinner(CheeseEffect, kCheeseKind, 3, cheeseArgs, files);
  rows.push_back({"cheese", MsPerFrame([](const FrameTarget& t, float p) { DrawSpinnerOn(CheeseEffect, kCheeseKind, t, p); })});
  FreeSpinner(CheeseEffect, kCheeseKind);

  SetUpDeform("fond.tga", files);
  rows.push_back({"deform", MsPerFrame(DrawDeformOn)});
  FreeDeformEffect();

  SetUpLight("lefond.tga", "speculaire.tga", files);
  rows.push_back({"light", MsPerFrame(DrawLightOn)});
  FreeLightEffect();
  rows.push_back({"blur", MsPerFrame([](const FrameTarget& t, float) { BlurScreenOn(t); })});
  rows.push_back({"transition", MsPerFrame(TransitionOn)});

  SetUpTransPic("foreground3.tga", 0, files);
  rows.push_back({"transpic", MsPerFrame([](const FrameTarget& t, float) { DrawTransPicOn(t); })});
  FreeTransPicEffect();

  SetUpFond("fond.tga", files);
  SetUpWave("wave2.tga", 1, files);
  rows.push_back({"wave", MsPerFrame([](const FrameTarget& t, float p) {
                    DrawFondOn(t);
                    DrawWaveOn(t, p);
                  })});
  FreeFondPicture();
  FreeWaveMask();

  PrintRows(rows, copy);
  return 0;
}
