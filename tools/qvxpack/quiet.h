// Running a runtime routine that may end through Fatal, from a tool.
//
// The runtime writes its fatal line to "log.txt" of the current directory. RunQuietly runs the
// routine under RunGuarded inside a private temporary directory, so no log file is left where
// the tool was started, and hands back the fatal message (without its "FATAL ERROR: " frame).
// The routine must not open files by relative paths.
//
//   std::string why;
//   if (RunQuietly(Unpack, &why)) printf("BAD %s: %s\n", name, why.c_str());
#pragma once
#include <string>

// True when the routine ended through Fatal; message (when given) receives its text.
bool RunQuietly(void (*routine)(), std::string* message);
