// The meta effect: set-up, surface tracking, one frame, release.
#include "demo/effects/meta.h"

#include <cmath>
#include <limits>

#include "demo/effects/meta_tables.h"
#include "demo/engine/fill.h"
#include "demo/engine/pipeline.h"
#include "demo/engine/same_math.h"
#include "runtime/log.h"
#include "runtime/memory.h"

MetaState MetaEffect;

namespace {

constexpr int32_t kCubes = kMetaGrid * kMetaGrid * kMetaGrid;

// One record per corner code: cut edges, triangles, faces to follow.
struct MetaCase {
  uint16_t edges;
  uint8_t triangles[16];
  uint8_t faces[7];
};
MetaCase cases[256];

// Per cube: the frame that last visited it (a cube is visited this frame when its stamp equals
// the frame's), and its 12 edge vertices, valid once visited.
uint32_t visitedIn[kCubes];
int32_t edgeVertex[kCubes][12];
uint32_t frameStamp;

enum Limit { kLimitVertices, kLimitTriangles, kLimitStack, kLimits };
bool warnedLimit[kLimits];
int32_t maxVertices = kMetaMaxVertices, maxTriangles = kMetaMaxTriangles, maxStack = kMetaMaxStack;
bool warnedDraw;

PolyVertex polygon[3];
FillMaps maps;
FrameTarget drawTarget;

int32_t FillMeta(int32_t n) { return FillPolygon(kFillMeta, polygon, n, maps, drawTarget); }

void WarnLimit(Limit limit) {
  static constexpr const char* kWhat[kLimits] = {"more than 10000 vertices", "more than 10000 triangles",
                                                 "more than 60000 cubes to visit"};
  if (warnedLimit[limit]) return;
  warnedLimit[limit] = true;
  Warning("DrawMeta(): %s, the surface is cut there", kWhat[limit]);
}

inline int32_t CubeNumber(int32_t i, int32_t j, int32_t k) { return k + kMetaGrid * (j + kMetaGrid * i); }

// Field differences towards +x, +y, +z at a point whose own value is f.
Vertex3 Gradient(const MetaState& s, double x, double y, double z, double f) {
  return {MetaField(s, x + kMetaCube, y, z) - f, MetaField(s, x, y + kMetaCube, z) - f,
          MetaField(s, x, y, z + kMetaCube) - f};
}

int32_t CornerCode(const double value[8]) {
  int32_t code = 0;
  for (int32_t n = 0; n < 8; n++)
    if (value[n] <= kMetaLevel) code |= 1 << n;
  return code;
}

void CornerValues(const MetaState& s, int32_t i, int32_t j, int32_t k, double value[8]) {
  for (int32_t n = 0; n < 8; n++)
    value[n] = MetaField(s, double((i + kMetaCornerOffset[n][0]) * kMetaCube),
                         double((j + kMetaCornerOffset[n][1]) * kMetaCube),
                         double((k + kMetaCornerOffset[n][2]) * kMetaCube));
}

// The vertex where the surface cuts edge e of cube (i, j, k); -1 at the vertex limit.
int32_t AddVertex(MetaState* s, int32_t i, int32_t j, int32_t k, int32_t e, const double value[8]) {
  if (s->vertexCount >= maxVertices) {
    WarnLimit(kLimitVertices);
    return -1;
  }
  const int32_t c1 = kMetaEdgeCorners[e][0], c2 = kMetaEdgeCorners[e][1];
  const double p1[3] = {double((i + kMetaCornerOffset[c1][0]) * kMetaCube),
                        double((j + kMetaCornerOffset[c1][1]) * kMetaCube),
                        double((k + kMetaCornerOffset[c1][2]) * kMetaCube)};
  const double p2[3] = {double((i + kMetaCornerOffset[c2][0]) * kMetaCube),
                        double((j + kMetaCornerOffset[c2][1]) * kMetaCube),
                        double((k + kMetaCornerOffset[c2][2]) * kMetaCube)};
  const double f1 = value[c1], f2 = value[c2];
  const double t = (kMetaLevel - f1) / (f2 - f1);   // f1 and f2 lie on either side of the level
  const int32_t index = s->vertexCount++;
  s->verts[index] = {p1[0] + t * (p2[0] - p1[0]) - kMetaCentre, p1[1] + t * (p2[1] - p1[1]) - kMetaCentre,
                     p1[2] + t * (p2[2] - p1[2]) - kMetaCentre};
  const Vertex3 g1 = Gradient(*s, p1[0], p1[1], p1[2], f1);
  const Vertex3 g2 = Gradient(*s, p2[0], p2[1], p2[2], f2);
  Vertex3 n = {(1 - t) * g1.x + t * g2.x, (1 - t) * g1.y + t * g2.y, (1 - t) * g1.z + t * g2.z};
  const double length = std::sqrt(n.x * n.x + n.y * n.y + n.z * n.z);
  if (length > 0.0 && std::isfinite(length)) n = {n.x / length, n.y / length, n.z / length};
  else n = {0.0, 0.0, 0.0};
  s->normals[index] = n;
  return index;
}

bool InGrid(int32_t i, int32_t j, int32_t k) {
  return i >= 0 && i < kMetaGrid && j >= 0 && j < kMetaGrid && k >= 0 && k < kMetaGrid;
}
bool Visited(int32_t i, int32_t j, int32_t k) { return visitedIn[CubeNumber(i, j, k)] == frameStamp; }

// Builds the triangles of cube (i, j, k), whose corner values and code are given.
void BuildCube(MetaState* s, int32_t i, int32_t j, int32_t k, const double value[8], int32_t code) {
  int32_t* edge = edgeVertex[CubeNumber(i, j, k)];
  for (int32_t e = 0; e < 12; e++) edge[e] = -1;
  for (int32_t f = 0; f < 6; f++) {
    const int32_t ni = i + kMetaFaceStep[f][0], nj = j + kMetaFaceStep[f][1], nk = k + kMetaFaceStep[f][2];
    if (!InGrid(ni, nj, nk) || !Visited(ni, nj, nk)) continue;
    const int32_t* other = edgeVertex[CubeNumber(ni, nj, nk)];
    for (const auto& pair : kMetaSharedEdges[f]) edge[pair[0]] = other[pair[1]];
  }
  const MetaCase& c = cases[code];
  for (int32_t e = 0; e < 12; e++)
    if (edge[e] < 0 && ((c.edges >> e) & 1)) edge[e] = AddVertex(s, i, j, k, e, value);
  for (int32_t t = 0; t < 15 && c.triangles[t] != 255; t += 3) {
    const int32_t a = edge[c.triangles[t]], b = edge[c.triangles[t + 1]], d = edge[c.triangles[t + 2]];
    if (a < 0 || b < 0 || d < 0) continue;   // a vertex lost at the limit
    if (s->triangleCount >= maxTriangles) {
      WarnLimit(kLimitTriangles);
      return;
    }
    s->faces[s->triangleCount++] = {3, a, b, d};
  }
}

void Track(MetaState* s, int32_t i0, int32_t j0, int32_t k0) {
  int32_t top = 0;
  auto push = [&](int32_t i, int32_t j, int32_t k) {
    if (top >= maxStack) {
      WarnLimit(kLimitStack);
      return;
    }
    s->stack[3 * top] = i;
    s->stack[3 * top + 1] = j;
    s->stack[3 * top + 2] = k;
    top++;
  };
  push(i0, j0, k0);
  while (top > 0) {
    top--;
    const int32_t i = s->stack[3 * top], j = s->stack[3 * top + 1], k = s->stack[3 * top + 2];
    if (Visited(i, j, k)) continue;   // pushed twice: its triangles are already there
    double value[8];
    CornerValues(*s, i, j, k, value);
    const int32_t code = CornerCode(value);
    visitedIn[CubeNumber(i, j, k)] = frameStamp;
    BuildCube(s, i, j, k, value, code);
    for (int32_t n = 0; n < 7 && cases[code].faces[n] != 255; n++) {
      const int32_t f = cases[code].faces[n];
      const int32_t ni = i + kMetaFaceStep[f][0], nj = j + kMetaFaceStep[f][1], nk = k + kMetaFaceStep[f][2];
      if (InGrid(ni, nj, nk) && !Visited(ni, nj, nk)) push(ni, nj, nk);
    }
  }
}

int32_t StartCell(double v) {
  const double cell = std::trunc(v) / kMetaCube;
  if (!(cell >= 0.0)) return 0;
  if (cell >= kMetaGrid - 1) return kMetaGrid - 1;
  return int32_t(cell);
}

void BuildCases() {
  for (int32_t code = 0; code < 256; code++) {
    cases[code].edges = kMetaEdgeMask[code];
    for (int32_t n = 0; n < 16; n++) cases[code].triangles[n] = kMetaTriangles[code][n];
    const MetaFaceList list = MetaFacesOf(code);
    for (int32_t n = 0; n < 7; n++) cases[code].faces[n] = list.face[n];
  }
}

}  // namespace

double MetaField(const MetaState& s, double x, double y, double z) {
  double f = 0.0;
  for (const MetaBall& b : s.balls) {
    const double dx = x - b.x, dy = y - b.y, dz = z - b.z;
    const double d2 = dx * dx + dy * dy + dz * dz;
    // A point on a centre counts as far inside, without an infinity.
    f += d2 > 1e-12 ? 1.0 / d2 : 1e12;
  }
  return f;
}

void MetaPolygonise(MetaState* s) {
  s->vertexCount = 0;
  s->triangleCount = 0;
  if (++frameStamp == 0) {   // after 2^32 frames the stamps start again from a clean grid
    for (uint32_t& v : visitedIn) v = 0;
    frameStamp = 1;
  }
  for (const MetaBall& b : s->balls) {
    int32_t i = StartCell(b.x);
    const int32_t j = StartCell(b.y), k = StartCell(b.z);
    for (;;) {
      double value[8];
      CornerValues(*s, i, j, k, value);
      const int32_t code = CornerCode(value);
      if (code != 0 && code != 255) break;
      if (++i >= kMetaGrid) break;
    }
    if (i < kMetaGrid) Track(s, i, j, k);
  }
}

void MetaMoveBalls(MetaState* s, float progress) {
  const double T = progress * 100.0;
  for (int32_t n = 0; n < kMetaBalls; n++) {
    MetaBall& b = s->balls[n];
    const double m = double(n + 1);
    b.x = SameCos(m * b.t * 0.031415000000000005 + 1.0) * 76.0 + 240.0;
    b.y = SameSin(m * b.t * 0.019634375000000003 + 2.0) * 72.0 + 240.0;
    b.z = SameCos(m * b.t * 0.022439285714285714 + 3.0) * 70.0 + 240.0;
    b.t = T;
  }
}

void SetMetaLimits(int32_t vertices, int32_t triangles, int32_t stack) {
  auto clamp = [](int32_t v, int32_t most) { return v < 1 ? 1 : v > most ? most : v; };
  maxVertices = clamp(vertices, kMetaMaxVertices);
  maxTriangles = clamp(triangles, kMetaMaxTriangles);
  maxStack = clamp(stack, kMetaMaxStack);
}

void SetUpMeta(int32_t argc, char** argv, const EffectFiles& files) {
  MetaState& s = MetaEffect;
  if (argc < 1) Fatal("InitMeta(): needs the environment picture");
  if (s.ready) {
    Warning("InitMeta(): already set up, the old set-up is released first");
    FreeMetaEffect();
  }
  s.verts = (Vertex3*)Nalloc(kMetaMaxVertices * 24, "Verts");
  s.normals = (Vertex3*)Nalloc(kMetaMaxVertices * 24, "VnormRotatedg");
  s.faces = (Face*)Nalloc(kMetaMaxTriangles * 36, "Faces");
  s.sverts = (ScreenPoint*)Nalloc(kMetaMaxVertices * 16, "Sverts");
  s.visibles = (Visible*)Nalloc(kMetaMaxTriangles * 16, "Visibles");
  s.stack = (int32_t*)Nalloc(kMetaMaxStack * 12, "Stack");

  Picture* p = files.loadPicture(argv[0]);
  RequirePicture(p, "InitMeta", argv[0], 256, 256, kExactly24);
  s.map = Map565(*p, "Mapping Texture");
  files.unloadPicture(p);

  for (MetaBall& b : s.balls) b = {kMetaCentre, kMetaCentre, kMetaCentre, 0.0};
  BuildCases();
  for (bool& w : warnedLimit) w = false;
  SetMetaLimits(kMetaMaxVertices, kMetaMaxTriangles, kMetaMaxStack);
  s.vertexCount = 0;
  s.triangleCount = 0;
  s.ready = true;
  warnedDraw = false;
}

void DrawMetaOn(const FrameTarget& target, float progress) {
  MetaState& s = MetaEffect;
  if (!s.ready) {
    if (!warnedDraw) Warning("DrawMeta(): the effect is not set up");
    warnedDraw = true;
    return;
  }
  MetaPolygonise(&s);

  // Unrotated projection of the generated vertices.
  const double focal = FocalDouble(target.width);
  const double cx = target.width * 0.5 + 50.0, cy = target.height * 0.5 + 0.0;
  const double nan = std::numeric_limits<double>::quiet_NaN();
  for (int32_t v = 0; v < s.vertexCount; v++) {
    const Vertex3& p = s.verts[v];
    const double z = 1024.0 + p.z;
    if (z > kNearZ) {
      const double k = focal / z;
      s.sverts[v] = {(p.x + 50.0) * k + cx, (p.y + 50.0) * k + cy};
    } else {
      s.sverts[v] = {nan, nan};
    }
  }
  Object3D view = {};
  view.vertexCount = s.vertexCount;
  view.faceCount = s.triangleCount;
  view.Verts = s.verts;
  view.RVerts = s.verts;   // the depth key sums the generated z
  view.SVerts = s.sverts;
  view.VnormRotated = s.normals;
  view.faces = s.faces;
  view.Visibles = s.visibles;
  const int32_t n = Visibility(&view, kVisibleCull, kDepthSum);
  s.drawnCount = n;
  SortFaces(&view, n);
  maps = {s.map, nullptr, nullptr};
  drawTarget = target;
  DrawFaces(&view, n, polygon, kRecordEnv, 128.0, FillMeta);

  MetaMoveBalls(&s, progress);
}

void FreeMetaEffect() {
  MetaState& s = MetaEffect;
  if (!s.ready) {
    Warning("FreeMeta(): the effect is not set up");
    return;
  }
  FreeIfSet(s.map);
  FreeIfSet(s.faces);
  FreeIfSet(s.sverts);
  FreeIfSet(s.verts);
  FreeIfSet(s.normals);
  FreeIfSet(s.visibles);
  FreeIfSet(s.stack);
  s.vertexCount = 0;
  s.triangleCount = 0;
  s.ready = false;
}
