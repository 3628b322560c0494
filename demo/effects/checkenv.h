// Checkenv: the meteor drawn double-sided with one keyed 5-6-5 map looked up by its vertex
// normals, an environment-mapped variant of the meteor effects that no timeline row calls (the
// effect viewer shows it). Its set-up reads two picture names from the first line of "conf.rc" in
// the current directory ("MAP MASK"): mask pixels with all three bytes non-zero make the map's
// texel transparent. Without a usable "conf.rc" it logs an error and the effect draws nothing.
#pragma once
#include <cstdint>

#include "demo/effects/effect_files.h"
#include "demo/engine/frame.h"
#include "demo/engine/pipeline.h"

struct CheckenvState {
  Object3D object;
  uint16_t* map;   // "Mapping texture", 256 x 256
  Camera camera;
  bool ready;
};
extern CheckenvState CheckenvEffect;

// Reads the two names of conf.rc's first line; false (with an error line) when it cannot.
bool ReadCheckenvConfig(const char* path, char map[64], char mask[64]);

void SetUpCheckenv(const EffectFiles& files);
void DrawCheckenvOn(const FrameTarget& target, float progress);
void FreeCheckenvEffect();
