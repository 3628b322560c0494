// memcpy, memmove and memset of the browser build as single memory.copy and memory.fill
// instructions. The C library's own versions copy in a loop and hand every copy of 512 bytes or
// more to JavaScript: a call out of the module for each row of each frame the show copies.
// Built with bulk memory on, the compiler turns these builtins into the instructions themselves.
#include <cstddef>

extern "C" {

void* memcpy(void* to, const void* from, size_t n) {
  __builtin_memcpy(to, from, n);
  return to;
}

void* memmove(void* to, const void* from, size_t n) {
  __builtin_memmove(to, from, n);
  return to;
}

void* memset(void* to, int value, size_t n) {
  __builtin_memset(to, value, n);
  return to;
}

}  // extern "C"
