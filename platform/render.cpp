#include "platform/backends.h"
namespace {
uint32_t VirtualNow() { return 0; }
void VirtualSleep(uint32_t) {}
}  // namespace
const PlatPresenter PlatRenderPresenter = PlatNullPresenter;
const PlatClock PlatVirtualClock = {"virtual", VirtualNow, VirtualSleep};
