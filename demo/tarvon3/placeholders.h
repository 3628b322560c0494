// Stand-in for a timeline routine whose module comes later: logs one warning the first time it is
// called and draws nothing. Each file of stand-ins goes when its module is written.
#pragma once
#include "demo/tarvon3/routines.h"
#include "runtime/log.h"

#define TARVON_PLACEHOLDER(name)                                   \
  TARVON_ROUTINE(name) {                                           \
    static bool warned = false;                                    \
    if (!warned) Warning("%s() not built yet", #name);             \
    warned = true;                                                 \
  }
