// LoadObject: a data file through the object parser.
#include "demo/engine/object.h"
#include "runtime/files.h"
#include "runtime/log.h"

void LoadObject(const char* name, Object3D* object) {
  Info("Loading Object %s", name);
  int32_t size = 0;
  uint8_t* bytes = (uint8_t*)LoadFileSized(name, nullptr, &size);
  ParseObject(bytes, size > 0 ? size_t(size) : 0, name, object);
  UnloadFile(bytes);
  Info("Object Loaded %s, %d vertices, %d faces", name, object->vertexCount, object->faceCount);
}
