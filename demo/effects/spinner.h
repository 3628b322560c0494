// A spinning textured object: the shape shared by the effects that turn one object over a
// background with a texture and an environment map looked up by the vertex normals (the cheese
// effect and its kin). Everything that differs between them is a SpinnerKind.
//
// Set-up loads the object, makes the shaded working arrays and packs the two pictures (24-bit,
// 256 pixels wide, at least 256 rows; anything else is fatal, naming the file). Each draw runs the
// pipeline with the kind's variant and filler, then sets the angles for the next call to
// progress x rates: the first frame shows the starting angles.
//
//   SetUpSpinner(CheeseSpinner, kCheeseKind, argc, argv, DataFiles());
//   DrawSpinnerOn(CheeseSpinner, kCheeseKind, ScreenTarget(), progress);
//   FreeSpinner(CheeseSpinner, kCheeseKind);
#pragma once
#include <cstdint>

#include "demo/effects/effect_files.h"
#include "demo/engine/fill.h"
#include "demo/engine/frame.h"
#include "demo/engine/pipeline.h"

struct SpinnerKind {
  const char* name;           // the set-up routine's name, for its log and messages
  const char* drawName;       // the draw and free routines' names, for their warnings
  const char* freeName;
  bool logSteps;              // the set-up also logs "Allocating Memory" and "Loading object"
  const char* loadedName;     // the object name its "Loaded" line always gives
  Filler filler;
  VisibilityMode visibility;
  DepthKey depth;
  double S;                   // environment scale
  int32_t distance, ox, oy;
  double rates[3];            // angles a, b, c of the next call = progress x rates
  const char* envLabel;       // the environment map's block name
};

struct SpinnerState {
  Object3D object;
  uint32_t* texture;   // "Mapping Texture", packed
  uint32_t* env;       // packed
  Camera camera;
  bool ready;
  bool warnedDraw;     // a draw without set-up has been reported
};

void SetUpSpinner(SpinnerState& s, const SpinnerKind& kind, int32_t argc, char** argv, const EffectFiles& files);
void DrawSpinnerOn(SpinnerState& s, const SpinnerKind& kind, const FrameTarget& target, float progress);
void FreeSpinner(SpinnerState& s, const SpinnerKind& kind);

// Frees an object's blocks (RVerts, faces, SVerts, Verts, Fnorm, Vnorm, VnormRotated, Visibles,
// Map, in that order, those that are set) and clears the record.
void FreeObjectBlocks(Object3D& o);
