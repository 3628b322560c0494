// Where the MPEG audio of a RIFF/WAVE file starts: the player and kvoxplay read such files through it.
//
//   KvoxRiffAudio a = KvoxFindRiffAudio(bytes, count);
//   if (a.riff) { bytes += a.start; count = a.length; }   // a.length < 1: nothing to play
//
// A file that begins "RIFF", has "WAVE" at byte 8 and holds a "data" chunk within `count` bytes starts
// at that chunk's payload, whatever the chunks before it (fmt, fact, LIST, ...). The walk follows the
// chunk sizes with their pad byte after an odd size and stops at a size that runs past `count`. Without
// such a chunk (for instance a wrapper of zeros), the audio starts after a fixed 72-byte header, the form
// this library has always accepted. A data chunk whose size is 0, or runs past `count`, lasts to the end.
#pragma once
#include <cstdint>

struct KvoxRiffAudio {
  bool riff;       // the bytes begin with a RIFF/WAVE header
  int32_t start;   // offset of the audio (0 when not riff)
  int32_t length;  // bytes of audio from start on, within count (may be 0 or below for a cut file)
};

KvoxRiffAudio KvoxFindRiffAudio(const uint8_t* data, int32_t count);
