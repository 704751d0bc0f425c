// Files held in memory: tools and fuzzing hand the game's readers bytes under a game file name,
// and every reader (plain files, bitmaps, waves, modules) then reads those bytes instead of a
// file on disk, with no file written and no system call made.
#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

#include "platform/types.h"

namespace plat {

// Until released, reading path (as the game names it) gives these bytes.
void HoldFile(const char* path, const void* bytes, std::size_t size);
void ReleaseHeldFiles();

// For the readers: the bytes held for path, or nullptr.
const std::vector<uint8_t>* HeldFile(const char* path);
// For the plain file functions of platform/files.h: a held file opened for reading is a handle
// with the top bit set (0 when path is not held), and is read, measured and closed here.
Handle OpenHeldFile(const char* path);
bool IsHeldHandle(Handle file);
int32_t ReadHeldFile(Handle file, void* dest, int32_t count);
int64_t HeldFileSize(Handle file);
void CloseHeldFile(Handle file);

} // namespace plat
