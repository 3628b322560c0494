// Stand-ins for the timeline routines that are not written yet: each logs one warning, the first
// time it is called, and draws nothing. A routine leaves this file when its module is written.
#include "demo/tarvon3/routines.h"
#include "runtime/log.h"

#define TARVON_PLACEHOLDER(name)                                   \
  TARVON_ROUTINE(name) {                                           \
    static bool warned = false;                                    \
    if (!warned) Warning("%s() not built yet", #name);             \
    warned = true;                                                 \
  }

TARVON_PLACEHOLDER(LoadImage)
TARVON_PLACEHOLDER(ShowImage)
TARVON_PLACEHOLDER(AddSprite)
TARVON_PLACEHOLDER(DrawSprite)
TARVON_PLACEHOLDER(ShowImageCentered)
TARVON_PLACEHOLDER(FreeImages)
TARVON_PLACEHOLDER(InitLight)
TARVON_PLACEHOLDER(DrawLight)
TARVON_PLACEHOLDER(BlurScreen)
TARVON_PLACEHOLDER(FreeLight)
TARVON_PLACEHOLDER(InitChecker)
TARVON_PLACEHOLDER(DrawChecker)
TARVON_PLACEHOLDER(DrawCreditPlate)
TARVON_PLACEHOLDER(FreeChecker)
TARVON_PLACEHOLDER(Cheese)
TARVON_PLACEHOLDER(DrawCheese)
TARVON_PLACEHOLDER(FreeCheese)
TARVON_PLACEHOLDER(InitDeform)
TARVON_PLACEHOLDER(DrawDeform)
TARVON_PLACEHOLDER(FreeDeform)
TARVON_PLACEHOLDER(InitMeta)
TARVON_PLACEHOLDER(DrawMeta)
TARVON_PLACEHOLDER(FreeMeta)
TARVON_PLACEHOLDER(Transition)
TARVON_PLACEHOLDER(multi)
TARVON_PLACEHOLDER(DrawMulti)
TARVON_PLACEHOLDER(FreeMulti)
TARVON_PLACEHOLDER(Phong)
TARVON_PLACEHOLDER(DrawPhong)
TARVON_PLACEHOLDER(FreePhong)
TARVON_PLACEHOLDER(InitSable)
TARVON_PLACEHOLDER(DrawSable)
TARVON_PLACEHOLDER(FreeSable)
TARVON_PLACEHOLDER(InitTransPic)
TARVON_PLACEHOLDER(DrawTransPic)
TARVON_PLACEHOLDER(FreeTransPic)
