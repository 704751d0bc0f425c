// window.cfg: "key value..." lines, read leniently and written whole.
#include "platform/window_settings.h"

#include <cstdio>
#include <sstream>

#include "platform/files.h"

namespace plat {
namespace {

constexpr const char* kFileName = "window.cfg";
constexpr const char* kHeader = "tarvel4 window 1";
// Sizes and places past these are damage, not a window anyone had.
constexpr int kLargest = 32768;

bool InRange(long v, long low, long high) {
    return v >= low && v <= high;
}

} // namespace

WindowSettings ParseWindowSettings(const std::string& text) {
    WindowSettings s;
    std::istringstream lines(text);
    std::string line;
    if (!std::getline(lines, line) || line != kHeader) return s;
    while (std::getline(lines, line)) {
        std::istringstream words(line);
        std::string key;
        long a = 0, b = 0;
        words >> key;
        if (key == "position" && words >> a >> b && InRange(a, -kLargest, kLargest) &&
            InRange(b, -kLargest, kLargest)) {
            s.placed = true;
            s.x = static_cast<int>(a);
            s.y = static_cast<int>(b);
        } else if (key == "size" && words >> a >> b && InRange(a, 1, kLargest) && InRange(b, 1, kLargest)) {
            s.width = static_cast<int>(a);
            s.height = static_cast<int>(b);
        } else if (key == "maximised" && words >> a && InRange(a, 0, 1)) {
            s.maximised = a == 1;
        } else if (key == "fullscreen" && words >> a && InRange(a, 0, 1)) {
            s.fullscreen = a == 1;
        }
    }
    return s;
}

std::string FormatWindowSettings(const WindowSettings& s) {
    std::ostringstream out;
    out << kHeader << "\n";
    if (s.placed) out << "position " << s.x << " " << s.y << "\n";
    if (s.width > 0 && s.height > 0) out << "size " << s.width << " " << s.height << "\n";
    out << "maximised " << (s.maximised ? 1 : 0) << "\n";
    out << "fullscreen " << (s.fullscreen ? 1 : 0) << "\n";
    return out.str();
}

WindowSettings LoadWindowSettings() {
    Handle file = OpenFileForReading(kFileName);
    if (!file) return {};
    // A settings file is a few lines; anything much larger is not one.
    std::string text(4096, '\0');
    int64_t size = FileSize(file);
    int32_t got = size >= 0 && size <= 4096 ? ReadFile(file, text.data(), static_cast<int32_t>(size)) : -1;
    CloseFile(file);
    if (got < 0) return {};
    text.resize(static_cast<size_t>(got));
    return ParseWindowSettings(text);
}

bool SaveWindowSettings(const WindowSettings& settings) {
    char host[1024];
    const char* path = HostPathForWriting(kFileName, host, sizeof host);
    if (!*path) return false;
    std::string partial = std::string(path) + ".part";
    FILE* file = std::fopen(partial.c_str(), "w");
    if (!file) return false;
    std::string text = FormatWindowSettings(settings);
    bool written = std::fwrite(text.data(), 1, text.size(), file) == text.size();
    written = std::fclose(file) == 0 && written;
    // Put in place whole, so a failure half way never leaves a damaged file behind.
    if (written && std::rename(partial.c_str(), path) == 0) return true;
    std::remove(partial.c_str());
    return false;
}

} // namespace plat
