// 3D objects: the .3dm text format and the object record every 3D effect draws from.
//
// A .3dm file is plain text: numbers separated by white space, no header, no comments.
//   N                      vertex count
//   N x (x y z u v)        position in object units, texture coordinates (1.0 = a 256-texel map)
//   F                      face count
//   F x (a b c)            vertex indices of each triangle, from 0
//
// ParseObject reads such bytes into an Object3D, allocating Verts ("Verts"), Map ("Map", u and v
// times 256, in texels) and faces ("faces", count 3 and the three indices) as named memory blocks.
// LoadObject does the same for a data file (runtime/files.h) and logs its two Info lines.
// The effect then allocates the working arrays it needs (RVerts, SVerts, Fnorm, Vnorm, VnormRotated,
// Visibles) with the sizes noted below, and frees every array with Free when it is done.
//
// Guarantees the pipeline relies on: N >= 0, F >= 0, every count is 3, every index lies in 0..N-1.
//   - A number that cannot be read yields 0 (so a truncated file ends in zeros); a negative count
//     loads as 0.
//   - A face with an index outside 0..N-1 is dropped, with one warning naming how many were.
//   - A count above kMaxObjectCount is refused with an error line; the object loads empty.
//
//   Object3D meteor = {};
//   LoadObject("meteor4.3dm", &meteor);
//   meteor.RVerts = (Vertex3*)Nalloc(meteor.vertexCount * 24, "RVerts");
#pragma once
#include <cstddef>
#include <cstdint>

struct Vertex3 {      // 24 bytes: a position or a normal
  double x, y, z;
};
struct TexCoord {     // 16 bytes: texture coordinates in texels
  double u, v;
};
struct ScreenPoint {  // 16 bytes: screen position in pixels, not rounded
  double x, y;
};
struct Face {         // 16 bytes
  int32_t count;      // always 3
  int32_t a, b, c;    // vertex indices
};
struct Visible {      // 16 bytes: one face to draw and its depth key
  double depth;
  int32_t face;
  int32_t unused;
};
static_assert(sizeof(Vertex3) == 24 && sizeof(TexCoord) == 16 && sizeof(ScreenPoint) == 16);
static_assert(sizeof(Face) == 16 && sizeof(Visible) == 16);

struct Object3D {
  int32_t vertexCount;        // N
  int32_t faceCount;          // F
  Vertex3* Verts;             // N, object space                           (loader)
  TexCoord* Map;              // N, texels                                 (loader)
  Face* faces;                // F                                         (loader)
  Vertex3* RVerts;            // N, camera space                           (Transform)
  ScreenPoint* SVerts;        // N, pixels                                 (Transform)
  Vertex3* Fnorm;             // F, unit face normals                      (Normals)
  Vertex3* Vnorm;             // N, unit vertex normals                    (Normals)
  Vertex3* VnormRotated;      // N, x and y of the rotated vertex normal   (Transform)
  Visible* Visibles;          // F                                         (Visibility)
};

constexpr int32_t kMaxObjectCount = 1 << 20;   // vertices or faces in one object

// Parses size bytes of .3dm text into object (its other fields untouched). name is only for the log.
// Returns false when a count was refused (the object is then empty, with empty arrays).
bool ParseObject(const uint8_t* data, size_t size, const char* name, Object3D* object);

// Loads the data file name into object: logs "Loading Object %s", parses, releases the file, logs
// "Object Loaded %s, %d vertices, %d faces". A missing file is fatal (LoadFile).
void LoadObject(const char* name, Object3D* object);
