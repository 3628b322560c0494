// Every routine the timeline calls, over the modules that do the work. A routine reads its row's
// words, hands the effect's set-up the runtime's data files (DataFiles) and its draw the frame buffer
// (ScreenTarget); the effects themselves know nothing of the timeline.
//
// Sections: image slots and sprites; the effects of the show; the effects no row calls.
#include "demo/tarvon3/routines.h"

#include "demo/effects/checkenv.h"
#include "demo/effects/checker.h"
#include "demo/effects/cheese.h"
#include "demo/effects/deform.h"
#include "demo/effects/light.h"
#include "demo/effects/meta.h"
#include "demo/effects/multi.h"
#include "demo/effects/phong.h"
#include "demo/effects/sable.h"
#include "demo/effects/transition.h"
#include "demo/effects/transpic.h"
#include "demo/effects/wave.h"
#include "demo/engine/frame.h"
#include "demo/engine/images.h"
#include "runtime/log.h"
#include "runtime/params.h"
#include "runtime/picture.h"

namespace {

const char* Word(int32_t argc, char** argv, int32_t i) { return i < argc ? argv[i] : nullptr; }
int32_t Number(int32_t argc, char** argv, int32_t i) { return WordToInt(Word(argc, argv, i)); }

// A set-up that cannot go on without its words stops the show with a line naming itself.
void Needs(int32_t argc, int32_t n, const char* what) {
  if (argc < n) Fatal("%s", what);
}

}  // namespace

// ---------------------------------------------------------------- image slots and sprites

TARVON_ROUTINE(LoadImage) {
  const int32_t slot = Number(argc, argv, 0);
  const int32_t mode = Number(argc, argv, 2);
  if (slot >= kImageSlots) Fatal("LoadImage(): too many images");
  const char* file = Word(argc, argv, 1);
  if (slot < 0 || !file) {
    Error("LoadImage(): image number %d or its file is missing", slot);
    return;
  }
  Picture* picture = LoadPicture(file);
  StoreImage(slot, *picture, mode, Number(argc, argv, 3));
  UnloadPicture(picture);
}

TARVON_ROUTINE(AddSprite) {
  const int32_t n = Number(argc, argv, 0);
  if (!DefineSprite(n, Number(argc, argv, 1), Number(argc, argv, 2), Number(argc, argv, 3), Number(argc, argv, 4),
                    Number(argc, argv, 5), Number(argc, argv, 7)))
    return;
  const char* path = Word(argc, argv, 6);
  if (!path) {
    Error("AddSprite(): sprite %d has no path file", n);
    return;
  }
  LoadSpline(&SpriteSplines, n, path);
  Sprites[n].defined = 1;
}

TARVON_ROUTINE(DrawSprite) { DrawSpriteOn(ScreenTarget(), Number(argc, argv, 0), progress); }
TARVON_ROUTINE(ShowImage) { ShowImageOn(ScreenTarget(), Number(argc, argv, 0)); }
TARVON_ROUTINE(ShowImageCentered) { ShowImageCenteredOn(ScreenTarget(), Number(argc, argv, 0)); }
TARVON_ROUTINE(FreeImages) { ReleaseImages(); }

// ---------------------------------------------------------------- the effects of the show

TARVON_ROUTINE(InitLight) {
  Needs(argc, 2, "InitLight(): needs the height map and the light spot");
  SetUpLight(argv[0], argv[1], DataFiles());
}
TARVON_ROUTINE(DrawLight) { DrawLightOn(ScreenTarget(), progress); }
TARVON_ROUTINE(BlurScreen) { BlurScreenOn(ScreenTarget()); }
TARVON_ROUTINE(FreeLight) { FreeLightEffect(); }

TARVON_ROUTINE(InitChecker) { SetUpChecker(argc, argv, DataFiles()); }
TARVON_ROUTINE(DrawChecker) { DrawCheckerOn(ScreenTarget(), progress); }
TARVON_ROUTINE(DrawCreditPlate) { DrawCreditPlateOn(ScreenTarget(), progress); }
TARVON_ROUTINE(FreeChecker) { FreeCheckerEffect(); }

TARVON_ROUTINE(Cheese) { SetUpSpinner(CheeseEffect, kCheeseKind, argc, argv, DataFiles()); }
TARVON_ROUTINE(DrawCheese) { DrawSpinnerOn(CheeseEffect, kCheeseKind, ScreenTarget(), progress); }
TARVON_ROUTINE(FreeCheese) { FreeSpinner(CheeseEffect, kCheeseKind); }

TARVON_ROUTINE(InitDeform) {
  Needs(argc, 1, "InitDeform(): needs the picture's name");
  SetUpDeform(argv[0], DataFiles());
}
TARVON_ROUTINE(DrawDeform) { DrawDeformOn(ScreenTarget(), progress); }
TARVON_ROUTINE(FreeDeform) { FreeDeformEffect(); }

TARVON_ROUTINE(InitMeta) { SetUpMeta(argc, argv, DataFiles()); }
TARVON_ROUTINE(DrawMeta) { DrawMetaOn(ScreenTarget(), progress); }
TARVON_ROUTINE(FreeMeta) { FreeMetaEffect(); }

TARVON_ROUTINE(Transition) { TransitionOn(ScreenTarget(), progress); }

TARVON_ROUTINE(multi) { SetUpMulti(argc, argv, DataFiles()); }
TARVON_ROUTINE(DrawMulti) { DrawMultiOn(ScreenTarget(), progress); }
TARVON_ROUTINE(FreeMulti) { FreeMultiEffect(); }

TARVON_ROUTINE(Phong) { SetUpPhong(argc, argv, DataFiles()); }
TARVON_ROUTINE(DrawPhong) { DrawPhongOn(ScreenTarget(), progress); }
TARVON_ROUTINE(FreePhong) { FreePhongEffect(); }

TARVON_ROUTINE(InitSable) { SetUpSable(DataFiles()); }
TARVON_ROUTINE(DrawSable) { DrawSableOn(ScreenTarget(), progress); }
TARVON_ROUTINE(FreeSable) { FreeSableEffect(); }

TARVON_ROUTINE(InitTransPic) {
  Needs(argc, 2, "InitTransPic(): needs the picture and the transparent colour");
  SetUpTransPic(argv[0], WordToInt(argv[1]), DataFiles());
}
TARVON_ROUTINE(DrawTransPic) { DrawTransPicOn(ScreenTarget()); }
TARVON_ROUTINE(FreeTransPic) { FreeTransPicEffect(); }

// ---------------------------------------------------------------- the effects no row calls

TARVON_ROUTINE(Checkenv) { SetUpCheckenv(DataFiles()); }
TARVON_ROUTINE(DrawCheckenv) { DrawCheckenvOn(ScreenTarget(), progress); }
TARVON_ROUTINE(FreeCheckenv) { FreeCheckenvEffect(); }

TARVON_ROUTINE(InitFond) {
  Needs(argc, 1, "InitFond(): needs the picture's name");
  SetUpFond(argv[0], DataFiles());
}
TARVON_ROUTINE(DrawFond) { DrawFondOn(ScreenTarget()); }
TARVON_ROUTINE(FreeFond) { FreeFondPicture(); }
TARVON_ROUTINE(InitWave) {
  Needs(argc, 2, "InitWave(): needs the mask picture and the direction");
  SetUpWave(argv[0], WordToInt(argv[1]), DataFiles());
}
TARVON_ROUTINE(DrawWave) { DrawWaveOn(ScreenTarget(), progress); }
TARVON_ROUTINE(FreeWave) { FreeWaveMask(); }
