// Where the game's files are: a game directory, or an installed game with its data in the install
// tree and the player's own files in the config folder.
#include "platform/files.h"

#include <fcntl.h>
#include <limits.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

// The data folder seen from the binary's folder, set by the build from the install directories.
#ifndef TARVEL_DATA_FROM_BINARY
#define TARVEL_DATA_FROM_BINARY "../share/games/tarvel4"
#endif

namespace plat {
namespace {

// The files that belong to the player rather than to the installation. One line each.
constexpr const char* kPerUserFiles[] = {
    "prefs.prf",
    "gamecontrollerdb.txt", // the player's own controller mappings (platform/sdl/gamepads.cpp)
    "window.cfg",           // the window's size, place and fullscreen (platform/window_settings.h)
};

struct Layout {
    bool installed = false;
    std::string data;   // ends in '/' when installed
    std::string config; // ends in '/' when known
};

bool IsFolder(const std::string& path) {
    struct stat st;
    return stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool Exists(const std::string& path) {
    struct stat st;
    return lstat(path.c_str(), &st) == 0;
}

// The game's name with slashes for backslashes.
std::string Slashed(const char* path) {
    std::string s = path;
    for (char& c : s)
        if (c == '\\') c = '/';
    return s;
}

// $XDG_CONFIG_HOME/tarvel4/, or ~/.config/tarvel4/; "" without a home. A relative
// XDG_CONFIG_HOME is ignored, as the base directory rules say.
std::string FindConfigFolder() {
    const char* xdg = std::getenv("XDG_CONFIG_HOME");
    if (xdg && xdg[0] == '/') return std::string(xdg) + "/tarvel4/";
    const char* home = std::getenv("HOME");
    if (!home || home[0] != '/') {
        const passwd* pw = getpwuid(getuid());
        home = pw && pw->pw_dir && pw->pw_dir[0] == '/' ? pw->pw_dir : nullptr;
    }
    return home ? std::string(home) + "/.config/tarvel4/" : std::string();
}

Layout Find(const char* binaryDir) {
    Layout layout;
    if (!binaryDir) return layout;
    std::string bin = binaryDir;
    if (IsFolder(bin + "/graphics")) return layout;
    std::string data = bin + "/" TARVEL_DATA_FROM_BINARY;
    char real[PATH_MAX];
    if (!IsFolder(data) || !realpath(data.c_str(), real)) return layout;
    layout.installed = true;
    layout.data = std::string(real) + "/";
    layout.config = FindConfigFolder();
    return layout;
}

std::string RunningBinaryDir() {
    char exe[4096];
    ssize_t n = readlink("/proc/self/exe", exe, sizeof exe - 1);
    if (n <= 0) return ".";
    exe[n] = 0;
    std::string path = exe;
    size_t slash = path.rfind('/');
    return slash == std::string::npos ? "." : path.substr(0, slash == 0 ? 1 : slash);
}

Layout& Current() {
    static Layout layout = Find(RunningBinaryDir().c_str());
    return layout;
}

// Makes the config folder, and the folder it lives in ($XDG_CONFIG_HOME or ~/.config) when
// that is missing, both private to the user; never the home folder itself.
bool MakeConfigFolder(const std::string& config) {
    if (config.empty()) return false;
    std::string folder = config.substr(0, config.size() - 1);
    std::string base = folder.substr(0, folder.rfind('/'));
    for (const std::string& f : {base, folder})
        if (!f.empty() && mkdir(f.c_str(), 0700) != 0 && errno != EEXIST) return false;
    return IsFolder(folder);
}

// Copies the default into place through a temporary name, so a half-written copy is never read.
bool CopyDefault(const std::string& from, const std::string& to) {
    int in = open(from.c_str(), O_RDONLY | O_CLOEXEC);
    if (in < 0) return false;
    std::string temp = to + ".new";
    int out = open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    bool ok = out >= 0;
    char block[4096];
    ssize_t n = 0;
    while (ok && (n = read(in, block, sizeof block)) > 0) ok = write(out, block, static_cast<size_t>(n)) == n;
    ok = ok && n == 0;
    if (out >= 0) ok = close(out) == 0 && ok;
    close(in);
    if (ok) ok = rename(temp.c_str(), to.c_str()) == 0;
    if (!ok) unlink(temp.c_str());
    return ok;
}

// A per-user file to read: the player's own, else a fresh copy of the default, else the default.
std::string PerUserForReading(const Layout& layout, const std::string& name) {
    std::string own = layout.config + name;
    if (!layout.config.empty() && Exists(own)) return own;
    std::string fallback = layout.data + name;
    if (!Exists(fallback)) return layout.config.empty() ? fallback : own;
    if (MakeConfigFolder(layout.config) && CopyDefault(fallback, own)) return own;
    return fallback;
}

const char* Give(const std::string& path, char* buffer, int bufferSize) {
    if (!buffer || bufferSize <= 0) return "";
    if (path.size() >= static_cast<size_t>(bufferSize)) {
        buffer[0] = 0;
        return buffer;
    }
    std::memcpy(buffer, path.c_str(), path.size() + 1);
    return buffer;
}

} // namespace

bool IsPerUserFile(const char* path) {
    if (!path) return false;
    std::string name = Slashed(path);
    for (const char* own : kPerUserFiles)
        if (name == own) return true;
    return false;
}

const char* HostPath(const char* path, char* buffer, int bufferSize) {
    if (!path) return Give("", buffer, bufferSize);
    const Layout& layout = Current();
    std::string name = Slashed(path);
    if (!layout.installed || name.starts_with('/')) return Give(name, buffer, bufferSize);
    if (IsPerUserFile(path)) return Give(PerUserForReading(layout, name), buffer, bufferSize);
    return Give(layout.data + name, buffer, bufferSize);
}

const char* HostPathForWriting(const char* path, char* buffer, int bufferSize) {
    if (!path) return Give("", buffer, bufferSize);
    const Layout& layout = Current();
    std::string name = Slashed(path);
    if (!layout.installed || name.starts_with('/')) return Give(name, buffer, bufferSize);
    if (!IsPerUserFile(path) || layout.config.empty()) return Give("", buffer, bufferSize);
    MakeConfigFolder(layout.config);
    return Give(layout.config + name, buffer, bufferSize);
}

void FindGameFiles(const char* binaryDir) {
    Current() = Find(binaryDir);
}

std::string PerUserFolder(const char* name) {
    const Layout& layout = Current();
    std::string folder = Slashed(name);
    if (layout.installed) {
        if (!MakeConfigFolder(layout.config)) return "";
        folder = layout.config + folder;
    }
    if (mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST) return "";
    return IsFolder(folder) ? folder + "/" : "";
}

const char* DataFolder() {
    return Current().data.c_str();
}

const char* ConfigFolder() {
    return Current().config.c_str();
}

} // namespace plat
