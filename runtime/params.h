// trelk: splitting a timeline row's parameter text into words.
#pragma once
#include <cstdint>

// Splits text at blanks (runs of blanks count as one; tabs belong to words) into vector[0..count-1]
// and a closing null, pointing into one static 1024-byte buffer that the next call reuses.
void SplitParameters(const char* text, int32_t* count, char** vector);

// Reads a word as a signed decimal integer; a word that is not a number reads as 0.
int32_t WordToInt(const char* word);
