// trelk: the entry routine. Brings every service of the library up in a fixed order, runs the
// demo's main routine under the guard that Fatal returns to, takes everything down and returns 0,
// or 1 after a panic exit (the same shut-down, but the show failed). A fatal error before or after
// the main routine ends the process at once with status 1.
//
//   int main() { return TrelkEntry(nullptr, Main); }
#pragma once

int TrelkEntry(void* instance, void (*main)());
