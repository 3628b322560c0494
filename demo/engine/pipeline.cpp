// Normals, transform and projection, visibility, the painter's sort and the polygon records.
#include "demo/engine/pipeline.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "demo/engine/same_math.h"

namespace {

// Divides v by its length; a zero or non-finite length leaves (0, 0, 0).
Vertex3 Unit(Vertex3 v) {
  double length = std::sqrt(v.x * v.x + v.y * v.y + v.z * v.z);
  if (!(length > 0.0) || !std::isfinite(length)) return {0.0, 0.0, 0.0};
  return {v.x / length, v.y / length, v.z / length};
}

bool Finite(const ScreenPoint& p) { return std::isfinite(p.x) && std::isfinite(p.y); }

}  // namespace

void Normals(Object3D* o) {
  const int32_t nv = o->vertexCount;
  for (int32_t j = 0; j < o->faceCount; j++) {
    const Face& f = o->faces[j];
    const Vertex3& A = o->Verts[f.a];
    const Vertex3& B = o->Verts[f.b];
    const Vertex3& C = o->Verts[f.c];
    Vertex3 e1 = {B.x - A.x, B.y - A.y, B.z - A.z};
    Vertex3 e2 = {C.x - A.x, C.y - A.y, C.z - A.z};
    Vertex3 n = {e1.y * e2.z - e1.z * e2.y, e1.z * e2.x - e1.x * e2.z, e1.x * e2.y - e1.y * e2.x};
    o->Fnorm[j] = Unit(n);
  }
  for (int32_t i = 0; i < nv; i++) o->Vnorm[i] = {0.0, 0.0, 0.0};
  for (int32_t j = 0; j < o->faceCount; j++) {
    const Face& f = o->faces[j];
    const Vertex3& n = o->Fnorm[j];
    for (int32_t index : {f.a, f.b, f.c}) {
      Vertex3& v = o->Vnorm[index];
      v.x += n.x;
      v.y += n.y;
      v.z += n.z;
    }
  }
  for (int32_t i = 0; i < nv; i++) o->Vnorm[i] = Unit(o->Vnorm[i]);
}

void RotationMatrix(double a, double b, double c, double m[3][3]) {
  const double ca = SameCos(a), sa = SameSin(a);
  const double cb = SameCos(b), sb = SameSin(b);
  const double cc = SameCos(c), sc = SameSin(c);
  m[0][0] = cb * cc;
  m[0][1] = -cb * sc;
  m[0][2] = sb;
  m[1][0] = ca * sc - sa * sb * cc;
  m[1][1] = ca * cc + sa * sb * sc;
  m[1][2] = sa * cb;
  m[2][0] = -sa * sc - ca * sb * cc;
  m[2][1] = ca * sb * sc - sa * cc;
  m[2][2] = ca * cb;
}

void Transform(Object3D* o, const Camera& camera, int32_t width, int32_t height, bool rotateNormals) {
  double m[3][3];
  RotationMatrix(camera.a, camera.b, camera.c, m);
  const double d = double(camera.distance);
  const double cx = width * 0.5, cy = height * 0.5;
  const double ox = double(camera.ox), oy = double(camera.oy);
  const double nan = std::numeric_limits<double>::quiet_NaN();
  for (int32_t i = 0; i < o->vertexCount; i++) {
    const Vertex3& v = o->Verts[i];
    Vertex3 r;
    r.x = m[0][0] * v.x + m[0][1] * v.y + m[0][2] * v.z;
    r.y = m[1][0] * v.x + m[1][1] * v.y + m[1][2] * v.z;
    r.z = m[2][0] * v.x + m[2][1] * v.y + m[2][2] * v.z + d;
    o->RVerts[i] = r;
    if (r.z > kNearZ) {
      const double k = camera.focal / r.z;
      o->SVerts[i] = {cx + k * r.x + ox, cy + k * r.y + oy};
    } else {
      o->SVerts[i] = {nan, nan};   // at or behind the eye: its faces are not drawn
    }
  }
  if (!rotateNormals) return;
  for (int32_t i = 0; i < o->vertexCount; i++) {
    const Vertex3& n = o->Vnorm[i];
    o->VnormRotated[i].x = m[0][0] * n.x + m[0][1] * n.y + m[0][2] * n.z;
    o->VnormRotated[i].y = m[1][0] * n.x + m[1][1] * n.y + m[1][2] * n.z;
  }
}

int32_t Visibility(Object3D* o, VisibilityMode mode, DepthKey key) {
  const uint32_t nv = uint32_t(o->vertexCount);
  int32_t count = 0;
  for (int32_t j = 0; j < o->faceCount; j++) {
    Face& f = o->faces[j];
    if (uint32_t(f.a) >= nv || uint32_t(f.b) >= nv || uint32_t(f.c) >= nv) continue;
    const ScreenPoint& p1 = o->SVerts[f.a];
    const ScreenPoint& p2 = o->SVerts[f.b];
    const ScreenPoint& p3 = o->SVerts[f.c];
    if (!Finite(p1) || !Finite(p2) || !Finite(p3)) continue;
    const double cross = (p3.y - p1.y) * (p2.x - p1.x) - (p2.y - p1.y) * (p3.x - p1.x);
    if (mode == kVisibleCull) {
      if (!(cross > 0.0)) continue;
    } else if (cross < 0.0) {
      std::swap(f.a, f.c);
    }
    const double sum = o->RVerts[f.a].z + o->RVerts[f.b].z + o->RVerts[f.c].z;
    double depth = sum;
    if (key == kDepthThird) depth = sum * 0.3333333333333333;
    else if (key == kDepthMean) depth = sum / double(f.count);
    if (std::isnan(depth)) continue;
    o->Visibles[count].depth = depth;
    o->Visibles[count].face = j;
    o->Visibles[count].unused = 0;
    count++;
  }
  return count;
}

void SortFaces(Object3D* o, int32_t n) {
  if (n <= 1) return;
  // Depths are never NaN (Visibility drops those faces), so this is a strict weak ordering; the
  // face index breaks ties, which gives the stable order without a work buffer.
  std::sort(o->Visibles, o->Visibles + n, [](const Visible& x, const Visible& y) {
    if (x.depth != y.depth) return x.depth > y.depth;
    return x.face < y.face;
  });
}

void DrawFaces(const Object3D* o, int32_t n, PolyVertex* polygon, VertexRecord record, double S,
               int32_t (*fill)(int32_t count)) {
  const bool texture = record != kRecordEnv;
  const bool env = record != kRecordTexture;
  for (int32_t e = 0; e < n; e++) {
    const Face& f = o->faces[o->Visibles[e].face];
    const int32_t index[3] = {f.a, f.b, f.c};
    for (int k = 0; k < 3; k++) {
      const int32_t i = index[k];
      PolyVertex& p = polygon[k];
      p.x = o->SVerts[i].x;
      p.y = o->SVerts[i].y;
      if (texture) {
        p.u = o->Map[i].u;
        p.v = o->Map[i].v;
      }
      if (env) {
        p.eu = (o->VnormRotated[i].x + 1.0) * S;
        p.ev = (o->VnormRotated[i].y + 1.0) * S;
      }
    }
    fill(3);
  }
}
