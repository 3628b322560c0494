// Helpers for the engine tests: parsing text through the buffer forms, freeing objects.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "demo/engine/object.h"
#include "runtime/log.h"
#include "runtime/memory.h"
#include "support/logfile.h"

// The bytes of a text with no terminating zero, in a block of exactly that size.
inline std::vector<uint8_t> Bytes(const std::string& text) { return std::vector<uint8_t>(text.begin(), text.end()); }

inline void FreeObject(Object3D* o) {
  for (void* p : {(void*)o->Verts, (void*)o->Map, (void*)o->faces, (void*)o->RVerts, (void*)o->SVerts,
                  (void*)o->Fnorm, (void*)o->Vnorm, (void*)o->VnormRotated, (void*)o->Visibles})
    if (p) Free(p);
  *o = {};
}

// Parses text into a fresh object with every working array allocated.
inline Object3D ParseFull(const std::string& text, const char* name = "test.3dm") {
  Object3D o = {};
  std::vector<uint8_t> b = Bytes(text);
  ParseObject(b.data(), b.size(), name, &o);
  const int32_t n = o.vertexCount, f = o.faceCount;
  o.RVerts = (Vertex3*)Nalloc(n * 24, "RVerts");
  o.SVerts = (ScreenPoint*)Nalloc(n * 16, "SVerts");
  o.Fnorm = (Vertex3*)Nalloc(f * 24, "Fnorm");
  o.Vnorm = (Vertex3*)Nalloc(n * 24, "Vnorm");
  o.VnormRotated = (Vertex3*)Nalloc(n * 24, "VnormRotated");
  o.Visibles = (Visible*)Nalloc(f * 16, "Visibles");
  return o;
}
