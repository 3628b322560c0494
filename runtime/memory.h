// trelk: named, guarded memory blocks.
//
// Offers: Nalloc(size, name) returns a block that is never null (failure is fatal), with 8192 bytes of
// '*' on each side and the caller's bytes filled with '#'; every allocation and release is logged with
// the running total. Free checks both guard zones (a damaged one is fatal, naming the block) and logs
// how much of the block was really written. FreeAll, at exit, logs the peak and reports every block
// never released ("FreeAll(): Undeallocated Block: ...").
//
//   uint8_t* buf = (uint8_t*)Nalloc(4096, "Sand tables");
//   ...
//   Free(buf);
#pragma once
#include <cstdint>

void InitMemory();
void* Nalloc(int32_t size, const char* name);
void* Malloc(int32_t size);             // Nalloc with the name "<Unknown>"
void Free(void* pointer);
void FreeAll();
char* StringDup(const char* text);      // standard allocator; release with free()

// Bytes in use and the peak since InitMemory (for tests and the exit report).
int32_t MemoryInUse();
int32_t MemoryPeak();
