// Files held in memory: tools and fuzzing hand the game's readers bytes under a game file name,
// and every reader (plain files, bitmaps, waves, modules) then reads those bytes instead of a
// file on disk, with no file written.
#pragma once
#include <cstddef>

namespace plat {

// Until released, reading path (as the game names it) gives these bytes.
void HoldFile(const char* path, const void* bytes, std::size_t size);
void ReleaseHeldFiles();
// A new descriptor reading the held bytes from their start, or -1 when path is not held.
int OpenHeldFile(const char* path);

} // namespace plat
