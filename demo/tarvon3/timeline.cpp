#include "demo/tarvon3/tarvon3.h"
