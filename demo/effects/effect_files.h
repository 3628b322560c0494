// What the effects of this folder share: where their set-up routines take data files from, and the
// checks and conversions that turn a loaded picture into an effect's map.
//
// EffectFiles is a record of the four loaders a set-up routine uses. The timeline's routines pass
// DataFiles() (the runtime's LoadObject, LoadPicture, UnloadPicture and LoadSpline, which look in
// the current directory, the data directory and the archive); tests pass loaders that hand out
// pictures and objects made in memory, so an effect can be set up and drawn without any file.
//
// RequirePicture stops the program (Fatal) with a line naming the routine, the file and what was
// expected, before anything reads past a picture that is too small or of the wrong depth:
//   Phong(): "texphong2.tga" must be 256 pixels wide, at least 256 rows, 24-bit (it is 128 x 64, 8-bit)
//
//   const EffectFiles& files = DataFiles();
//   Picture* p = files.loadPicture("specu.tga");
//   RequirePicture(p, "Phong", "specu.tga", 256, 256, kExactly24);
//   uint32_t* env = PackedMap(*p, "Env Texture");
//   files.unloadPicture(p);
#pragma once
#include <cstdint>

#include "demo/engine/object.h"
#include "demo/engine/spline.h"
#include "runtime/picture.h"

struct EffectFiles {
  void (*loadObject)(const char* name, Object3D* object);        // fills N, F, Verts, Map, faces
  Picture* (*loadPicture)(const char* name);                     // never null (a failure is fatal)
  void (*unloadPicture)(Picture* picture);
  void (*loadSpline)(SplineStore* store, int32_t slot, const char* name);
};

// The angles the spinning objects (and the checker's first set-up) start from.
constexpr double kStartAngleA = -0.766842;
constexpr double kStartAngleB = 0.298442;
constexpr double kStartAngleC = 0.298442;

// The runtime's loaders.
const EffectFiles& DataFiles();

enum PictureDepth : int32_t {
  kExactly24 = 0,    // three bytes per pixel, red first
  kAtLeast24 = 1,    // three or more bytes per pixel (24 or 32 bits), red first
};

// Fatal unless picture is `width` pixels wide, at least `minRows` rows high and of the depth asked.
void RequirePicture(const Picture* picture, const char* routine, const char* name, int32_t width, int32_t minRows,
                    PictureDepth depth);

// One packed texel (red << 18 | green << 9 | blue) per pixel of a 24-bit picture, in a named block of
// width x height x 4 bytes.
uint32_t* PackedMap(const Picture& picture, const char* label);
// One 5-6-5 pixel per pixel of a 24-bit picture, in a named block of width x height x 2 bytes.
uint16_t* Map565(const Picture& picture, const char* label);

// Which working arrays AllocateWorkingArrays makes after the loader's Verts, Map and faces.
enum WorkingArrays : int32_t {
  kArraysTexture = 0,    // RVerts, SVerts ("SVerts"), Visibles
  kArraysShaded = 1,     // RVerts, SVerts ("Sverts"), Fnorm, Vnorm, VnormRotated, Visibles
};
void AllocateWorkingArrays(Object3D* object, WorkingArrays arrays);

// Frees p (a named block) when it is set, and clears it.
void FreeBlock(void* p);
template <class T>
void FreeIfSet(T*& p) {
  if (p) FreeBlock(p);
  p = nullptr;
}
