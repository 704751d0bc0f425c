// The real window's size, place and fullscreen between runs: a small text file of its own,
// "window.cfg", a per-user file beside prefs.prf (which never holds them).
#pragma once
#include <string>

namespace plat {

struct WindowSettings {
    bool placed = false; // x and y hold where the window was
    int x = 0, y = 0;
    int width = 0, height = 0; // 0: the default size
    bool maximised = false;
    bool fullscreen = false;
};

// What a file's text says; whatever is missing, damaged or out of range keeps its default.
WindowSettings ParseWindowSettings(const std::string& text);
std::string FormatWindowSettings(const WindowSettings& settings);
// Reads window.cfg; an absent or damaged file gives the defaults.
WindowSettings LoadWindowSettings();
// Writes window.cfg whole (a new file put in place of the old); false when it cannot.
bool SaveWindowSettings(const WindowSettings& settings);

} // namespace plat
