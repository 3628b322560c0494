// The transform and shading pipeline: one frame of a 3D effect, in five steps over an Object3D.
//
//   Normals(&o);                                     // shading effects: Fnorm, Vnorm
//   Transform(&o, camera, ScreenWidth, ScreenHeight, true);   // RVerts, SVerts, VnormRotated x, y
//   int32_t n = Visibility(&o, kVisibleCull, kDepthMean);     // Visibles[0..n-1]
//   SortFaces(&o, n);                                // farther first
//   DrawFaces(&o, n, polygon, kRecordTextureEnv, 128.0, FillCheese);
//
// All geometry is in doubles. The variants the effects choose between are plain parameters:
//   focal factor       FocalInteger(W) (W*1024/640 in integers) or FocalDouble(W) (W*1.6)
//   visibility         kVisibleBothSides (counter-clockwise faces get their first and third vertex
//                      swapped in `faces`, permanently) or kVisibleCull (cross <= 0 dropped)
//   depth key          kDepthThird (sum * 0.3333333333333333), kDepthMean (sum / count), kDepthSum
//   vertex record      which map coordinates DrawFaces fills (texture, environment or both)
//   S                  environment scale: eu = (nx + 1) * S, ev = (ny + 1) * S
//
// Guards (so that no NaN or infinity reaches a fixed-point conversion in the fillers):
//   - A vertex with camera Z <= kNearZ (at or behind the eye) gets a NaN screen position, and
//     Visibility drops every face with a non-finite screen position or depth.
//   - A face of zero area, or a vertex whose face normals cancel, gets the normal (0, 0, 0).
//   - Visibility skips faces whose indices lie outside the vertex arrays (a record built by hand).
// SortFaces orders by depth, farther first, ties in face order: the same frame on every platform.
#pragma once
#include <cstdint>

#include "demo/engine/fill.h"
#include "demo/engine/object.h"

struct Camera {
  double a, b, c;      // rotation angles, radians
  int32_t distance;    // D, added to the rotated z
  int32_t ox, oy;      // screen offsets in pixels
  double focal;        // f: FocalInteger(W) or FocalDouble(W)
};

constexpr double FocalInteger(int32_t width) { return double(width * 1024 / 640); }
constexpr double FocalDouble(int32_t width) { return width * 1.6; }
static_assert(FocalInteger(320) == 512.0 && FocalDouble(320) == 512.0);

constexpr double kNearZ = 1.0 / 1024.0;

enum VisibilityMode : int32_t { kVisibleBothSides = 0, kVisibleCull = 1 };
enum DepthKey : int32_t { kDepthThird = 0, kDepthMean = 1, kDepthSum = 2 };
enum VertexRecord : int32_t {
  kRecordTexture = 0,      // x, y, u, v          (reads Map)
  kRecordEnv = 1,          // x, y, eu, ev        (reads VnormRotated)
  kRecordTextureEnv = 2,   // x, y, u, v, eu, ev  (reads both)
};

// Face normals into Fnorm, vertex normals (the plain mean of the faces' unit normals) into Vnorm.
void Normals(Object3D* object);

// The rotation matrix of the three angles (rows X, Y, Z), as Transform builds it once per frame.
void RotationMatrix(double a, double b, double c, double m[3][3]);

// RVerts = rotated Verts pushed back by D; SVerts = their projection; with rotateNormals, the x and
// y of VnormRotated = the rotated Vnorm.
void Transform(Object3D* object, const Camera& camera, int32_t width, int32_t height, bool rotateNormals);

// Fills Visibles with the faces to draw, in face order; returns their number.
int32_t Visibility(Object3D* object, VisibilityMode mode, DepthKey key);

// Sorts Visibles[0..n-1] by depth, larger (farther) first; equal depths keep face order.
void SortFaces(Object3D* object, int32_t n);

// For each sorted entry, writes its three vertices into polygon (in the face's current order) and
// calls fill(3). S scales the environment coordinates.
void DrawFaces(const Object3D* object, int32_t n, PolyVertex* polygon, VertexRecord record, double S,
               int32_t (*fill)(int32_t count));
