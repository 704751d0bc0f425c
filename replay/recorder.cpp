#include "replay/recorder.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <vector>

#include "game/records.h"

namespace replay {
namespace {

Image CurrentImage() {
    Image image;
    std::memcpy(image.data(), PrefsBytes(game), kImageBytes);
    return image;
}

std::string Now(const char* format) {
    std::time_t t = std::time(nullptr);
    std::tm local{};
    localtime_r(&t, &local);
    char text[32];
    std::strftime(text, sizeof text, format, &local);
    return text;
}

} // namespace

void Recorder::Begin(Start start, uint32_t seed, const Carry& carry, const std::string& made) {
    current = Replay{};
    current.made = made.empty() ? Now("%Y-%m-%d %H:%M:%S") : made;
    current.start = start;
    current.seed = seed;
    current.prefs = lastImage = CurrentImage();
    current.carry = carry;
    recording = true;
    next = 1;
    lastHash = 0;
}

void Recorder::NoteSettings() {
    if (!recording) return;
    Image now = CurrentImage();
    if (now == lastImage) return;
    lastImage = now;
    current.events.push_back({Event::Kind::Settings, next, static_cast<uint32_t>(current.images.size())});
    current.images.push_back(now);
}

void Recorder::Key(uint32_t code) {
    if (!recording) return;
    NoteSettings();
    // Keys of one tick share a line.
    if (!current.events.empty() && current.events.back().kind == Event::Kind::Keys &&
        current.events.back().tick == next) {
        ++current.events.back().count;
    } else {
        current.events.push_back({Event::Kind::Keys, next, static_cast<uint32_t>(current.keys.size()), 1});
    }
    current.keys.push_back(code);
}

void Recorder::TickStarting() {
    NoteSettings();
    leftBefore = arena->playersLeft;
}

bool Recorder::TickRan() {
    if (!recording) return false;
    lastHash = RuleStateHash();
    long tick = next++;
    // The countdown ran out and the results are up.
    if (leftBefore > 4 && arena->playersLeft == 0) {
        current.endTick = tick;
        return true;
    }
    if (tick % kCheckpointTicks == 0)
        current.events.push_back({Event::Kind::Checkpoint, tick, 0, 0, lastHash});
    return false;
}

Replay Recorder::Finish(End end) {
    recording = false;
    current.end = end;
    if (end != End::Results) {
        // Left before tick `next`: what was handled since the last tick is not played back.
        current.endTick = next;
        while (!current.events.empty() && current.events.back().tick >= next) current.events.pop_back();
    }
    current.endHash = lastHash;
    return std::move(current);
}

bool SaveReplay(const Replay& replay, const std::string& folder, int keep, std::string& error) {
    namespace fs = std::filesystem;
    if (folder.empty()) {
        error = "no folder for replays";
        return false;
    }
    std::string stem = replay.made;
    std::replace(stem.begin(), stem.end(), ' ', '_');
    std::replace(stem.begin(), stem.end(), ':', '-');
    if (stem.empty()) stem = "replay";
    std::string path = folder + stem + kReplayExtension;
    // Another in the same second: "_002", "_003"..., which sort after it.
    for (int n = 2; fs::exists(path) && n < 1000; ++n) {
        char suffix[8];
        std::snprintf(suffix, sizeof suffix, "_%03d", n);
        path = folder + stem + suffix + kReplayExtension;
    }
    std::string text = WriteReplay(replay);
    std::string partial = path + ".part";
    int fd = open(partial.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    bool ok = fd >= 0;
    for (size_t at = 0; ok && at < text.size();) {
        ssize_t n = write(fd, text.data() + at, text.size() - at);
        ok = n > 0;
        if (ok) at += static_cast<size_t>(n);
    }
    int saved = errno;
    if (fd >= 0) ok = close(fd) == 0 && ok;
    if (ok) ok = std::rename(partial.c_str(), path.c_str()) == 0;
    if (!ok) {
        error = "cannot write " + path + ": " + std::strerror(saved ? saved : errno);
        unlink(partial.c_str());
        return false;
    }
    // The newest `keep` stay; names sort by the time they were made.
    std::vector<std::string> replays;
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator(folder, ec))
        if (entry.path().extension() == kReplayExtension) replays.push_back(entry.path().string());
    std::sort(replays.begin(), replays.end());
    for (size_t i = 0; i + keep < replays.size(); ++i) fs::remove(replays[i], ec);
    return true;
}

std::string NewestReplay(const std::string& folder) {
    namespace fs = std::filesystem;
    std::string newest;
    std::error_code ec;
    if (folder.empty()) return newest;
    for (const auto& entry : fs::directory_iterator(folder, ec))
        if (entry.path().extension() == kReplayExtension && entry.path().string() > newest)
            newest = entry.path().string();
    return newest;
}

bool LoadReplay(const std::string& path, Replay& replay, std::string& error) {
    std::ifstream file(path, std::ios::binary);
    if (!file) {
        error = "cannot read " + path;
        return false;
    }
    std::string text;
    text.resize(kLargestFile + 1);
    file.read(text.data(), static_cast<std::streamsize>(text.size()));
    text.resize(static_cast<size_t>(file.gcount()));
    return ReadReplay(text, replay, error);
}

} // namespace replay
