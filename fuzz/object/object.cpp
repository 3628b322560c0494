// Fuzz target: .3dm text through the parser and one whole frame of the pipeline and a filler.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "demo/engine/fill.h"
#include "demo/engine/object.h"
#include "demo/engine/pipeline.h"
#include "runtime/log.h"
#include "runtime/memory.h"

namespace {

uint16_t frame[64 * 48];
uint16_t map16[65536];
uint32_t texture[65536], env[65536];
PolyVertex polygon[3];
Filler filler;

int32_t Fill(int32_t n) {
  FillPolygon(filler, polygon, n, {map16, texture, env}, {frame, 64, 48, 0});
  return 1;
}

void Frame(const uint8_t* input, size_t inputSize) {
  Object3D o = {};
  ParseObject(input, inputSize, "fuzz.3dm", &o);
  const int32_t n = o.vertexCount, f = o.faceCount;
  // Past the end of its bytes a file reads as zeros: a huge count only repeats the same vertex,
  // so the frame is run on the objects whose arrays the bytes could fill.
  if (int64_t(n) + f > int64_t(inputSize) + 64) {
    for (void* p : {(void*)o.Verts, (void*)o.Map, (void*)o.faces}) Free(p);
    return;
  }
  o.RVerts = (Vertex3*)Nalloc(n * 24, "RVerts");
  o.SVerts = (ScreenPoint*)Nalloc(n * 16, "SVerts");
  o.Fnorm = (Vertex3*)Nalloc(f * 24, "Fnorm");
  o.Vnorm = (Vertex3*)Nalloc(n * 24, "Vnorm");
  o.VnormRotated = (Vertex3*)Nalloc(n * 24, "VnormRotated");
  o.Visibles = (Visible*)Nalloc(f * 16, "Visibles");
  const uint8_t pick = inputSize ? input[inputSize - 1] : 0;
  filler = Filler(pick % kFillerCount);
  Normals(&o);
  Camera camera = {-0.766842, 0.298442, 0.298442, pick & 8 ? 0 : 900, 3, -2, FocalDouble(64)};
  Transform(&o, camera, 64, 48, true);
  int32_t visible = Visibility(&o, pick & 16 ? kVisibleCull : kVisibleBothSides, DepthKey(pick % 3));
  SortFaces(&o, visible);
  DrawFaces(&o, visible, polygon, kRecordTextureEnv, 128.0, Fill);
  for (void* p : {(void*)o.Verts, (void*)o.Map, (void*)o.faces, (void*)o.RVerts, (void*)o.SVerts, (void*)o.Fnorm,
                  (void*)o.Vnorm, (void*)o.VnormRotated, (void*)o.Visibles})
    Free(p);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  DebugMode = 0;
  // The parser must see exactly the input's bytes: a copy of that size, with nothing behind it.
  std::vector<uint8_t> copy(data, data + size);
  RunGuarded([&] { Frame(copy.data(), size); });
  ResetExitOnce();
  return 0;
}
