// Main: the data source, the video mode and the music around the timeline's loop.
#include <sys/stat.h>
#include <unistd.h>

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
    struct stat st;
    if (stat("data", &st) != 0 || !S_ISDIR(st.st_mode)) {
      char here[1024];
      if (!getcwd(here, sizeof here)) snprintf(here, sizeof here, ".");
      fprintf(stderr, "tarvon3: no data: neither data.qvx nor data/ is in %s; make them with \"make data\" in the "
              "project's folder, and run the show from there\n", here);
    }
  }
}

void OpenVideoMode() {
  ScreenBuffer = SetVideoMode(ScreenWidth, ScreenHeight, 16, 1, 1);
  if (!ScreenBuffer) Fatal("Main(): Unknown mode %dx%dx16...", ScreenWidth, ScreenHeight);
}

void Main() {
  Info("Begin of tarvon3");
  ChooseDataSource();
  Info("%d effect(s)", int32_t(Timeline.size()));
  OpenVideoMode();
  LoadMp3("meeting.mp3");

  RunTimeline(Timeline);

  StopMp3();
  UnloadMp3();
  Info("End of tarvon3");
}
