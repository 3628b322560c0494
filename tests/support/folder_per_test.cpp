// Linked into every test program: each test runs in a working folder of its own.
#include "support/folder_per_test.h"
