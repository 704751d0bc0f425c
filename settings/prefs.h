// The preferences file and the scroller texts.
#pragma once
#include <cstdint>

void LoadPrefs();
void SavePrefs();
// Reads up to count bytes of a file (count -1: the whole file) into dest; returns the bytes read.
int32_t ReadTextFile(const char* path, char* dest, int32_t count);
