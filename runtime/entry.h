// trelk: the entry routine. Brings every service of the library up in a fixed order, runs the
// demo's main routine under the guard that Fatal returns to, takes everything down and returns 0
// (after a panic exit too). A fatal error before or after the main routine ends the process with
// status 1.
//
//   int main() { return TrelkEntry(nullptr, Main); }
#pragma once

int TrelkEntry(void* instance, void (*main)());
