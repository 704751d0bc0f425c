// File access for the game's own names ("prefs.prf", "graphics\\t4logo.bmp"). Backslashes in
// paths are separators; where a name lives on the host is decided below, in one place.
#pragma once
#include "platform/types.h"

#include <cstdint>
#include <string>
#include <vector>

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
// The whole file from offset on, for the platform's own loaders; false when it cannot be read,
// holds nothing past offset or is too large to load.
bool ReadWholeFile(const char* path, uint32_t offset, std::vector<uint8_t>& bytes);

// --- Where the game's files are (platform/core/file_places.cpp) -------------------------------
// A game directory (graphics/ beside the binary, or no install tree found): every name is relative
// to the working directory. An installed game (its binary under a prefix that holds
// share/games/tarvel4): data is read from there, and the per-user files live in
// $XDG_CONFIG_HOME/tarvel4 (~/.config/tarvel4); nothing is written anywhere else.

// A per-user file: written by the game or dropped in by the player. The list is kPerUserFiles.
bool IsPerUserFile(const char* path);
// The host path to read a game file from. Installed, a per-user file missing from the config
// folder is first copied there from the install tree's default when there is one; when that
// copy cannot be made, the default itself is read. Absolute paths are taken as they are.
// "" when the path does not fit the buffer.
const char* HostPath(const char* path, char* buffer, int bufferSize);
// The host path to write a game file to. Installed, only per-user files are writable (the
// config folder is created when missing); every other name gives "", which no open accepts.
const char* HostPathForWriting(const char* path, char* buffer, int bufferSize);
// A folder of the player's own beside the per-user files ("replays"), made when missing: its host
// path ending in '/', or "" when it cannot be had.
std::string PerUserFolder(const char* name);
// Decides the layout for a binary in binaryDir; the first mapping does it for the running
// binary. nullptr means a game directory. Tests call it with folders of their own.
void FindGameFiles(const char* binaryDir);
// The folders in use: the data folder ("" in a game directory) and the config folder ("" in a
// game directory, or when the user has no home).
const char* DataFolder();
const char* ConfigFolder();

} // namespace plat
