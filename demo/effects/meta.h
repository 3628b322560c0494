// The meta effect: five metaballs merging into one another over the picture of image slot 5.
//
// Every frame polygonises the surface F(P) = 1/1024 of the field F(P) = sum over the balls of
// 1 / |P - centre|^2 (a point is outside when F(P) <= 1/1024) in a grid of 30 x 30 x 30 cubes of
// edge 16 covering 0-480 on each axis. The surface is tracked: from each ball's start cube, only
// through the faces the surface crosses, each edge vertex computed once and shared with the
// neighbouring cubes. A cube met again is not processed twice. The triangles are shaded by an
// environment map looked up by the surface normal (S = 128), culled and drawn back to front by the
// "meta" filler (plain copy), unrotated with focal W * 1.6, D = 1024, ox = 50, oy = 0.
//
// Limits: 10000 vertices, 10000 triangles, 60000 cubes waiting; at a limit the surface stops
// growing and one warning is logged (once per set-up). Tracking never leaves the grid.
// The picture (the first word) must be 24-bit, 256 pixels wide and at least 256 rows (fatal
// otherwise, naming the file). Each frame shows the balls where the call two frames before put
// them: the first frame five coincident balls at (240, 240, 240), a sphere of radius about 71.6.
//
//   SetUpMeta(2, argv, DataFiles());      // argv = {"metatex.tga", "metafond.tga"}
//   DrawMetaOn(ScreenTarget(), progress);
//   FreeMetaEffect();
#pragma once
#include <cstdint>

#include "demo/effects/effect_files.h"
#include "demo/engine/frame.h"
#include "demo/engine/object.h"

constexpr int32_t kMetaBalls = 5;
constexpr int32_t kMetaGrid = 30;              // cubes per axis
constexpr int32_t kMetaCube = 16;              // edge of a cube, field units
constexpr double kMetaLevel = 1.0 / 1024.0;
constexpr double kMetaCentre = 240.0;
constexpr int32_t kMetaMaxVertices = 10000;
constexpr int32_t kMetaMaxTriangles = 10000;
constexpr int32_t kMetaMaxStack = 60000;

struct MetaBall {
  double x, y, z;   // centre, field units
  double t;         // the time its next position is computed from
};

struct MetaState {
  MetaBall balls[kMetaBalls];
  Vertex3* verts;         // "Verts": surface vertices, minus (240, 240, 240)
  Vertex3* normals;       // "VnormRotatedg": unit normals
  Face* faces;            // "Faces"
  ScreenPoint* sverts;    // "Sverts"
  Visible* visibles;      // "Visibles"
  int32_t* stack;         // "Stack": cubes i, j, k
  uint16_t* map;          // "Mapping Texture", 5-6-5
  int32_t vertexCount;    // this frame's surface
  int32_t triangleCount;
  int32_t drawnCount;     // triangles facing the eye, drawn in the last frame
  bool ready;
};
extern MetaState MetaEffect;

void SetUpMeta(int32_t argc, char** argv, const EffectFiles& files);
void DrawMetaOn(const FrameTarget& target, float progress);
void FreeMetaEffect();

// ---- the pieces, for tests ----

// The field at a point, from the current ball centres.
double MetaField(const MetaState& s, double x, double y, double z);
// Rebuilds the surface from the current centres into verts, normals and faces.
void MetaPolygonise(MetaState* s);
// Moves the balls as a draw at progress p does after drawing.
void MetaMoveBalls(MetaState* s, float progress);
// Lowers the capacities (each at most its k...Max, which is also what set-up restores), so that
// tests can reach the limits with a small surface.
void SetMetaLimits(int32_t vertices, int32_t triangles, int32_t stack);
