// Picture checks, map conversions and working arrays shared by the effects' set-up routines.
#include <cstddef>

#include "demo/effects/effect_files.h"
#include "demo/engine/fixed.h"
#include "runtime/log.h"
#include "runtime/memory.h"

void RequirePicture(const Picture* p, const char* routine, const char* name, int32_t width, int32_t minRows,
                    PictureDepth depth) {
  const bool depthOk = p && p->data && (depth == kExactly24 ? p->bytesPerPixel == 3 : p->bytesPerPixel >= 3);
  if (p && depthOk && p->width == width && p->height >= minRows) return;
  const char* wanted = depth == kExactly24 ? "24-bit" : "24 or 32-bit";
  if (!p) Fatal("%s(): \"%s\" must be %d pixels wide, at least %d rows, %s (no picture)", routine, name, width,
                minRows, wanted);
  Fatal("%s(): \"%s\" must be %d pixels wide, at least %d rows, %s (it is %d x %d, %d-bit)", routine, name, width,
        minRows, wanted, p->width, p->height, p->depth);
}

namespace {
int32_t PixelCount(const Picture& p) { return p.width * p.height; }
}  // namespace

uint32_t* PackedMap(const Picture& p, const char* label) {
  const int32_t n = PixelCount(p);
  uint32_t* map = (uint32_t*)Nalloc(n * 4, label);
  const uint8_t* s = p.data;
  for (int32_t i = 0; i < n; i++, s += 3) map[i] = PackTexel(s[0], s[1], s[2]);
  return map;
}

uint16_t* Map565(const Picture& p, const char* label) {
  const int32_t n = PixelCount(p);
  uint16_t* map = (uint16_t*)Nalloc(n * 2, label);
  const uint8_t* s = p.data;
  for (int32_t i = 0; i < n; i++, s += 3) map[i] = Pack565(s[0], s[1], s[2]);
  return map;
}

void AllocateWorkingArrays(Object3D* o, WorkingArrays arrays) {
  const int32_t n = o->vertexCount, f = o->faceCount;
  o->RVerts = (Vertex3*)Nalloc(n * 24, "RVerts");
  if (arrays == kArraysTexture) {
    o->SVerts = (ScreenPoint*)Nalloc(n * 16, "SVerts");
    o->Visibles = (Visible*)Nalloc(f * 16, "Visibles");
    return;
  }
  o->SVerts = (ScreenPoint*)Nalloc(n * 16, "Sverts");
  o->Fnorm = (Vertex3*)Nalloc(f * 24, "Fnorm");
  o->Vnorm = (Vertex3*)Nalloc(n * 24, "Vnorm");
  o->VnormRotated = (Vertex3*)Nalloc(n * 24, "VnormRotated");
  o->Visibles = (Visible*)Nalloc(f * 16, "Visibles");
}

void FreeBlock(void* p) { Free(p); }
