// Main: the data source, the video mode and the music around the timeline's loop.
#include <cstdio>

#include "demo/tarvon3/tarvon3.h"
#include "runtime/files.h"
#include "runtime/log.h"
#include "runtime/music.h"
#include "runtime/video.h"

void ChooseDataSource() {
  if (FILE* f = fopen("data.qvx", "rb")) {
    Info("data.qvx found, using data.qvx");
    SetArchiveName("data.qvx");
    fclose(f);
  } else {
    Info("data.qvx not found, using data/");
    SetArchiveName("data/");
  }
}

void OpenVideoMode() {
  ScreenBuffer = SetVideoMode(ScreenWidth, ScreenHeight, 16, 1, 1);
  if (!ScreenBuffer) Fatal("Main(): Unknown mode %dx%dx16...", ScreenWidth, ScreenHeight);
}

void Main() {
  Info("Begin of tarvon3");
  ChooseDataSource();
  Info("%d effect(s)", kTimelineRows);
  OpenVideoMode();
  LoadMp3("meeting.mp3");

  RunTimeline(Timeline, kTimelineRows);

  StopMp3();
  UnloadMp3();
  Info("End of tarvon3");
}
