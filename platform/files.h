// Plain file access relative to the working directory. Backslashes in paths are separators.
#pragma once
#include "platform/types.h"

#include <cstdint>

namespace plat {

// 0 when the file does not exist or cannot be read.
Handle OpenFileForReading(const char* path);
// Opens for writing, creating the file when missing and never truncating it; 0 on failure.
Handle OpenFileForWriting(const char* path);
// Reads up to count bytes; returns how many were read (0 at the end or on error).
int32_t ReadFile(Handle file, void* dest, int32_t count);
// Writes count bytes at the current position; returns how many were written.
int32_t WriteFile(Handle file, const void* src, int32_t count);
// Size in bytes, or -1 for a bad handle.
int64_t FileSize(Handle file);
void CloseFile(Handle file);
// The path as the host sees it: backslashes turned into slashes.
const char* HostPath(const char* path, char* buffer, int bufferSize);

} // namespace plat
