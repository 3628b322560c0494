// Low-level file opens in binary mode on every system. Windows' C library opens a file in text mode
// unless told otherwise: it reads 0x0D 0x0A as 0x0A and stops at 0x1A, and writes 0x0A as 0x0D 0x0A,
// which corrupts MPEG and WAVE bytes. Other systems have only the one mode.
//
//   int fd = OpenBinary("meeting.mp3", O_RDONLY);
#pragma once
#include <fcntl.h>
#include <unistd.h>

inline int OpenBinary(const char* name, int flags, int mode = 0) {
#if defined(O_BINARY)
  flags |= O_BINARY;
#endif
  return open(name, flags, mode);
}
