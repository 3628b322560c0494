// trelk: the runtime library under the demo, in one include.
//
//   log.h      Info / Warning / Error / Fatal, Exit and the entry guard
//   memory.h   named, guarded memory blocks
//   video.h    the frame buffer, Flip and the key queue
//   clock.h    the demo clock
//   files.h    data files by plain name: current directory, data directory, archive
//   archive.h  the data.qvx reader
//   picture.h  TGA pictures
//   music.h    music playback control
//   params.h   SplitParameters
#pragma once
#include "runtime/log.h"
#include "runtime/memory.h"
#include "runtime/video.h"
#include "runtime/clock.h"
#include "runtime/files.h"
#include "runtime/archive.h"
#include "runtime/picture.h"
#include "runtime/music.h"
#include "runtime/params.h"
