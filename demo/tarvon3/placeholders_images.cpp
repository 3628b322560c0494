// Image slots, sprites and credits, until the engine provides them.
#include "demo/tarvon3/placeholders.h"

TARVON_PLACEHOLDER(LoadImage)
TARVON_PLACEHOLDER(ShowImage)
TARVON_PLACEHOLDER(AddSprite)
TARVON_PLACEHOLDER(DrawSprite)
TARVON_PLACEHOLDER(ShowImageCentered)
TARVON_PLACEHOLDER(FreeImages)
