// The preferences file and the scroller texts.
#pragma once
#include <cstdint>

void LoadPrefs();
void SavePrefs();
// The most ReadTextFile ever stores: the size of the scroller lines it fills.
constexpr int32_t kTextFileLimit = 256;
// Reads up to count bytes of a file (count -1: the whole file) into dest, never more than
// kTextFileLimit; returns the bytes read.
int32_t ReadTextFile(const char* path, char* dest, int32_t count);
