// The null presenter: frames are accepted and dropped.
#include <cstddef>
#include <vector>

#include "platform/backends.h"

namespace {

std::vector<uint16_t> nullSurface;
int32_t nullPitch = 0;

bool NullOpen(int32_t width, int32_t height, bool, const char*) {
  nullSurface.assign(size_t(width) * size_t(height), 0);
  nullPitch = width * 2;
  return true;
}
PlatDisplayFormat NullFormat() { return {0xF800, 0x07E0, 0x001F}; }
PlatResult NullLock(void** pixels, int32_t* pitch) {
  *pixels = nullSurface.data();
  *pitch = nullPitch;
  return PLAT_OK;
}
PlatResult NullOk() { return PLAT_OK; }
void NullNothing() {}
void NullClose() { nullSurface.clear(); }

}  // namespace

const PlatPresenter PlatNullPresenter = {"null", NullOpen, NullFormat, NullLock, NullOk, NullOk, NullNothing, NullNothing, NullClose};
