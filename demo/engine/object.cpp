// The .3dm parser, bounded by the buffer's end.
#include "demo/engine/object.h"

#include "demo/engine/text.h"
#include "runtime/log.h"
#include "runtime/memory.h"

namespace {

int32_t ReadCount(const char** p, const char* end) {
  *p = SkipSpace(*p, end);
  int32_t n = ReadInt(p, end);
  return n < 0 ? 0 : n;
}

double ReadValue(const char** p, const char* end) {
  *p = SkipSpace(*p, end);
  return ReadReal(p, end);
}

int32_t ReadIndex(const char** p, const char* end) {
  *p = SkipSpace(*p, end);
  return ReadInt(p, end);
}

void AllocateEmpty(Object3D* object, int32_t vertices, int32_t faces) {
  object->vertexCount = vertices;
  object->faceCount = faces;
  object->Verts = (Vertex3*)Nalloc(vertices * int32_t(sizeof(Vertex3)), "Verts");
  object->Map = (TexCoord*)Nalloc(vertices * int32_t(sizeof(TexCoord)), "Map");
  object->faces = (Face*)Nalloc(faces * int32_t(sizeof(Face)), "faces");
}

}  // namespace

bool ParseObject(const uint8_t* data, size_t size, const char* name, Object3D* object) {
  const char* p = reinterpret_cast<const char*>(data);
  const char* end = p + (data ? size : 0);

  int32_t n = ReadCount(&p, end);
  if (n > kMaxObjectCount) {
    Error("LoadObject(): \"%s\" claims %d vertices, more than %d", name, n, kMaxObjectCount);
    AllocateEmpty(object, 0, 0);
    return false;
  }
  object->vertexCount = n;
  object->Verts = (Vertex3*)Nalloc(n * int32_t(sizeof(Vertex3)), "Verts");
  object->Map = (TexCoord*)Nalloc(n * int32_t(sizeof(TexCoord)), "Map");
  for (int32_t i = 0; i < n; i++) {
    Vertex3& v = object->Verts[i];
    v.x = ReadValue(&p, end);
    v.y = ReadValue(&p, end);
    v.z = ReadValue(&p, end);
    TexCoord& m = object->Map[i];
    m.u = ReadValue(&p, end) * 256.0;
    m.v = ReadValue(&p, end) * 256.0;
  }

  int32_t f = ReadCount(&p, end);
  if (f > kMaxObjectCount) {
    Error("LoadObject(): \"%s\" claims %d faces, more than %d", name, f, kMaxObjectCount);
    object->faceCount = 0;
    object->faces = (Face*)Nalloc(0, "faces");
    return false;
  }
  object->faces = (Face*)Nalloc(f * int32_t(sizeof(Face)), "faces");
  int32_t kept = 0;
  for (int32_t j = 0; j < f; j++) {
    Face face;
    face.count = 3;
    face.a = ReadIndex(&p, end);
    face.b = ReadIndex(&p, end);
    face.c = ReadIndex(&p, end);
    // A damaged file must not send the pipeline outside the vertex arrays: such faces are dropped.
    if (uint32_t(face.a) >= uint32_t(n) || uint32_t(face.b) >= uint32_t(n) || uint32_t(face.c) >= uint32_t(n))
      continue;
    object->faces[kept++] = face;
  }
  object->faceCount = kept;
  if (kept < f)
    Warning("LoadObject(): %d faces of \"%s\" refer to vertices outside 0-%d and were dropped", f - kept, name,
            n - 1);
  return true;
}
