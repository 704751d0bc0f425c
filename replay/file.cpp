#include "replay/file.h"

#include <charconv>
#include <sstream>

namespace replay {
namespace {

constexpr const char* kMagic = "tarvel4 replay ";
constexpr size_t kMostKeysOnALine = 64;

const char* StartName(Start s) {
    switch (s) {
    case Start::F8:
        return "f8";
    case Start::NewRound:
        return "new";
    default:
        return "auto";
    }
}

const char* EndName(End e) {
    switch (e) {
    case End::Results:
        return "results";
    case End::TitleScreen:
        return "title";
    case End::NewRound:
        return "new";
    default:
        return "quit";
    }
}

std::string HashHex(uint64_t hash) {
    uint8_t bytes[8];
    for (int i = 0; i < 8; ++i) bytes[i] = static_cast<uint8_t>(hash >> (56 - 8 * i));
    return ToHex(bytes, 8);
}

bool ParseHash(const std::string& hex, uint64_t& hash) {
    uint8_t bytes[8];
    if (!FromHex(hex, bytes, 8)) return false;
    hash = 0;
    for (uint8_t b : bytes) hash = hash << 8 | b;
    return true;
}

template <typename T> bool ParseNumber(const std::string& text, T max, T& value) {
    if (text.empty() || text.size() > 12) return false;
    unsigned long long v = 0;
    auto r = std::from_chars(text.data(), text.data() + text.size(), v);
    if (r.ec != std::errc() || r.ptr != text.data() + text.size() || v > static_cast<unsigned long long>(max))
        return false;
    value = static_cast<T>(v);
    return true;
}

// The words of a line, split at spaces and tabs.
std::vector<std::string> Words(const std::string& line) {
    std::vector<std::string> words;
    size_t at = 0;
    while ((at = line.find_first_not_of(" \t", at)) != std::string::npos) {
        size_t end = line.find_first_of(" \t", at);
        words.push_back(line.substr(at, end == std::string::npos ? std::string::npos : end - at));
        at = end;
    }
    return words;
}

} // namespace

std::string WriteReplay(const Replay& r) {
    std::ostringstream out;
    out << kMagic << kFormatVersion << "\n";
    if (!r.made.empty()) out << "made " << r.made << "\n";
    out << "start " << StartName(r.start) << "\n";
    out << "seed " << r.seed << "\n";
    out << "prefs " << ToHex(r.prefs.data(), r.prefs.size()) << "\n";
    out << "carry " << ToHex(r.carry.data(), r.carry.size()) << "\n";
    for (const Event& e : r.events) {
        out << e.tick;
        switch (e.kind) {
        case Event::Kind::Keys:
            out << " k";
            for (uint32_t i = 0; i < e.count; ++i) out << " " << r.keys[e.first + i];
            break;
        case Event::Kind::Settings:
            out << " s " << ToHex(r.images[e.first].data(), kImageBytes);
            break;
        case Event::Kind::Checkpoint:
            out << " h " << HashHex(e.hash);
            break;
        }
        out << "\n";
    }
    out << r.endTick << " end " << EndName(r.end) << " " << HashHex(r.endHash) << "\n";
    return out.str();
}

bool ReadReplay(const std::string& text, Replay& r, std::string& error) {
    r = Replay{};
    if (text.size() > kLargestFile) {
        error = "not a replay (far too large)";
        return false;
    }
    size_t at = 0;
    std::string line;
    // One line at a time, without its newline; false at the end.
    auto nextLine = [&]() {
        if (at >= text.size()) return false;
        size_t end = text.find('\n', at);
        if (end == std::string::npos) end = text.size();
        line.assign(text, at, end - at);
        at = end + 1;
        return true;
    };
    if (!nextLine() || line.rfind(kMagic, 0) != 0) {
        error = "not a replay";
        return false;
    }
    int version = 0;
    if (!ParseNumber(line.substr(std::char_traits<char>::length(kMagic)), 1000000, version) || version < 1) {
        error = "not a replay";
        return false;
    }
    if (version > kFormatVersion) {
        error = "made by a newer version of Tarvel 4 (replay format " + std::to_string(version) + ")";
        return false;
    }
    long number = 1;
    auto bad = [&](const std::string& what) {
        error = "not a replay: line " + std::to_string(number) + ": " + what;
        return false;
    };
    // The head: each of these once, in this order ("made" may be missing).
    bool haveStart = false, haveSeed = false, havePrefs = false, haveCarry = false, ended = false;
    long lastTick = 0;
    while (nextLine()) {
        ++number;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.empty()) continue;
        if (ended) return bad("more after the end");
        std::vector<std::string> w = Words(line);
        if (w.empty()) continue;
        if (!haveCarry) {
            const std::string& key = w[0];
            if (key == "made" && !haveStart && r.made.empty()) {
                r.made = line.size() > 5 ? line.substr(5, 40) : "";
            } else if (key == "start" && !haveStart && w.size() == 2) {
                if (w[1] == "f8")
                    r.start = Start::F8;
                else if (w[1] == "new")
                    r.start = Start::NewRound;
                else if (w[1] == "auto")
                    r.start = Start::Automatic;
                else
                    return bad("an unknown start");
                haveStart = true;
            } else if (key == "seed" && haveStart && !haveSeed && w.size() == 2) {
                if (!ParseNumber(w[1], 0xFFFFFFFFu, r.seed)) return bad("a seed that is no number");
                haveSeed = true;
            } else if (key == "prefs" && haveSeed && !havePrefs && w.size() == 2) {
                if (!FromHex(w[1], r.prefs.data(), r.prefs.size())) return bad("settings of the wrong size");
                havePrefs = true;
            } else if (key == "carry" && havePrefs && w.size() == 2) {
                if (!FromHex(w[1], r.carry.data(), r.carry.size())) return bad("a carry of the wrong size");
                haveCarry = true;
            } else {
                return bad("expected start, seed, prefs and carry first");
            }
            continue;
        }
        long tick = 0;
        if (w.size() < 2 || !ParseNumber(w[0], kLastTick, tick))
            return bad("no tick number, or an absurd one");
        if (tick < lastTick || tick < 1) return bad("ticks out of order");
        lastTick = tick;
        if (w[1] == "end") {
            if (w.size() != 4) return bad("an end line needs its reason and hash");
            if (w[2] == "results")
                r.end = End::Results;
            else if (w[2] == "title")
                r.end = End::TitleScreen;
            else if (w[2] == "new")
                r.end = End::NewRound;
            else if (w[2] == "quit")
                r.end = End::Quit;
            else
                return bad("an unknown end");
            if (!ParseHash(w[3], r.endHash)) return bad("a hash that is not 16 hex digits");
            r.endTick = tick;
            ended = true;
            continue;
        }
        Event e{Event::Kind::Keys, tick};
        if (w[1] == "k") {
            if (w.size() < 3 || w.size() - 2 > kMostKeysOnALine)
                return bad("a key line with no keys, or too many");
            e.first = static_cast<uint32_t>(r.keys.size());
            for (size_t i = 2; i < w.size(); ++i) {
                uint32_t key = 0;
                if (!ParseNumber(w[i], 0xFFFFFFFFu, key)) return bad("a key code that is no number");
                r.keys.push_back(key);
            }
            e.count = static_cast<uint32_t>(w.size() - 2);
        } else if (w[1] == "s" && w.size() == 3) {
            e.kind = Event::Kind::Settings;
            e.first = static_cast<uint32_t>(r.images.size());
            r.images.emplace_back();
            if (!FromHex(w[2], r.images.back().data(), kImageBytes)) return bad("settings of the wrong size");
        } else if (w[1] == "h" && w.size() == 3) {
            e.kind = Event::Kind::Checkpoint;
            if (!ParseHash(w[2], e.hash)) return bad("a hash that is not 16 hex digits");
        } else {
            return bad("an unknown line");
        }
        r.events.push_back(std::move(e));
    }
    if (!haveCarry) {
        error = "not a replay (it ends before its round begins)";
        return false;
    }
    if (!ended) {
        error = "not a replay (cut short: it has no end)";
        return false;
    }
    return true;
}

} // namespace replay
