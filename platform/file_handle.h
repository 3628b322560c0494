// platform: a file read through a numbered handle, as the sound library's file input keeps it.
// Opened in binary mode on every system (Windows' C library would otherwise turn 0x0D 0x0A into
// 0x0A and stop at 0x1A); positions are 64-bit where the system has them.
//
//   int32_t h = PlatFileOpenRead("meeting.mp3");            // > 0, or -1 when it cannot be opened
//   int32_t got = PlatFileRead(h, buffer, 4096);             // bytes read, 0 at the end, -1 on error
//   int64_t end = PlatFileSeek(h, 0, PLAT_SEEK_END);         // the new position, or -1
//   PlatFileClose(h);
#pragma once
#include <cstdint>

enum PlatSeekFrom : int32_t { PLAT_SEEK_SET = 0, PLAT_SEEK_CUR = 1, PLAT_SEEK_END = 2 };

int32_t PlatFileOpenRead(const char* name);
int32_t PlatFileRead(int32_t handle, void* destination, int32_t bytes);
int64_t PlatFileSeek(int32_t handle, int64_t offset, PlatSeekFrom from);
void PlatFileClose(int32_t handle);
