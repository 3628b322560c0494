// kvoxplay's playback: the whole sound library path (player, driver, MIDAS) as the show uses it.
#pragma once
#include <cstdint>
#include <vector>

// Plays the file's bytes through the named driver ("midas", "nosound" or "disk") with a progress line
// on standard error; with wavOut, the disk driver writes that file in place of "output.wav". A file
// the disk driver cannot write whole is not left behind (status 1).
// Returns the program's exit status.
int PlayThroughLibrary(const std::vector<uint8_t>& data, const char* driver, const char* wavOut);
