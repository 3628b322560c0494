// The timeline routines of the image slots and sprites: words in, work on the frame buffer.
#include "demo/engine/images.h"
#include "demo/tarvon3/routines.h"
#include "runtime/log.h"
#include "runtime/params.h"
#include "runtime/picture.h"

namespace {

const char* Word(int32_t argc, char** argv, int32_t i) { return i < argc ? argv[i] : nullptr; }
int32_t Number(int32_t argc, char** argv, int32_t i) { return WordToInt(Word(argc, argv, i)); }

}  // namespace

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
