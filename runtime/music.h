// trelk: music playback control, the thin layer between the demo and the sound library.
//
// Order of calls: InitMp3 (start the library) -> LoadMp3 (load the file, prepare it) -> PlayMp3 (start
// the polling thread; the music starts on its first tick) -> StopMp3 (returns only once the thread
// has left its last call) -> UnloadMp3 -> FreeMp3. Order faults that would leave a wrong state are
// fatal; faults at the end are error lines.
#pragma once

void InitMp3();
void LoadMp3(const char* name);
void PlayMp3();
void StopMp3();
void UnloadMp3();
void FreeMp3();
