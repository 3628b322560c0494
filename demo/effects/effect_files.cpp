// The runtime's loaders as the effects' data files.
#include "demo/effects/effect_files.h"

const EffectFiles& DataFiles() {
  static const EffectFiles files = {LoadObject, LoadPicture, UnloadPicture, LoadSpline};
  return files;
}
