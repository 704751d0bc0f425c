#include "replay/service.h"

#include <cstdio>
#include <cstring>
#include <memory>

#include "game/keys.h"
#include "game/records.h"
#include "game/round.h"
#include "game/timer.h"
#include "platform/clock.h"
#include "platform/files.h"
#include "platform/msgbox.h"
#include "replay/playback.h"
#include "replay/recorder.h"

namespace replay {
namespace {

constexpr const char* kTitle = "Tarvel 4";
constexpr uint32_t kResultsShownMs = 3000; // the watched round's results, before the title screen

// A replay being watched.
struct Watcher {
    std::unique_ptr<Playback> playback;
    Image own{};   // the player's settings, put back afterwards
    int speed = 1; // ticks a period
    bool paused = false;
    bool ended = false; // the results are up
    uint32_t endedAt = 0;
    long titleSecond = -1;
    int titleSpeed = 1;
};

struct Service {
    Recorder recorder;
    std::unique_ptr<Watcher> watcher;
    std::string pending; // to watch once the title screen is up
    bool started = false;
    // The message being handled, for what started a round.
    plat::Msg message = plat::Msg::Other;
    intptr_t messageFirst = 0;
    bool roundStartedByMessage = false;
    bool inTick = false;
    Carry tickStartCarry{};
    bool saveFailed = false;
};

Service s;

void Keep(const Replay& replay) {
    std::string error;
    if (SaveReplay(replay, plat::PerUserFolder("replays"), kKeptReplays, error) || s.saveFailed) return;
    // Once: play goes on, and the next rounds are not kept either.
    s.saveFailed = true;
    std::fprintf(stderr, "tarvel4: rounds are not kept as replays: %s\n", error.c_str());
}

void FinishRecording(End end) {
    if (s.recorder.Recording()) Keep(s.recorder.Finish(end));
}

uint32_t WindowSeed() {
    uint32_t seed = plat::TickCountMs();
    NoteNewRound(seed);
    return seed;
}

void ShowTitle() {
    if (!game || !s.watcher) return;
    const Watcher& w = *s.watcher;
    long ms = static_cast<long>(w.playback->NextTick() - 1) * static_cast<long>(TickPeriod(game->gameSpeed));
    long second = ms / 1000;
    if (second == w.titleSecond && w.speed == w.titleSpeed && !w.paused) return;
    s.watcher->titleSecond = w.paused ? -1 : second;
    s.watcher->titleSpeed = w.speed;
    char title[96];
    std::snprintf(title, sizeof title, "%s - replay %ld:%02ld x%d%s", kTitle, second / 60, second % 60,
                  w.speed, w.paused ? " (paused)" : "");
    plat::SetWindowTitle(game->mainWindow, title);
}

void EndWatching() {
    if (!s.watcher) return;
    std::memcpy(PrefsBytes(game), s.watcher->own.data(), kImageBytes);
    s.watcher.reset();
    SetRoundSeedSource(WindowSeed);
    plat::SetWindowTitle(game->mainWindow, kTitle);
    ReturnToTitle();
    RestartTickTimer(TickPeriod(game->gameSpeed));
}

// One tick of the replay, run inside the feed for the speeds above x1.
bool AfterWatchedTick() {
    Watcher& w = *s.watcher;
    if (!w.playback->AfterTick()) {
        std::string text = "This replay " + w.playback->Error() + ".";
        EndWatching();
        plat::ShowMessageBox(game->mainWindow, text.c_str(), "Replay");
        return false;
    }
    if (w.playback->Done()) {
        w.ended = true;
        w.endedAt = plat::TickCountMs();
    }
    ShowTitle();
    return true;
}

bool WatchedTickReady() {
    Watcher& w = *s.watcher;
    if (w.ended) {
        if (plat::TickCountMs() - w.endedAt < kResultsShownMs) return false;
        EndWatching();
        return true; // the title screen's tick
    }
    // Left by a key of its own (F5 in the file): the title screen is up.
    if (game->screenMode != 2 && w.playback->NextTick() > 1) {
        EndWatching();
        return true;
    }
    if (w.paused) return false;
    for (int i = 1; i < w.speed && !w.playback->Done(); ++i) {
        if (w.playback->BeforeTick()) RestartTickTimer(TickPeriod(game->gameSpeed));
        OnTick();
        if (!AfterWatchedTick() || w.ended) return false;
    }
    if (w.playback->BeforeTick()) RestartTickTimer(TickPeriod(game->gameSpeed));
    return true;
}

void StartWatching(const std::string& file) {
    // A round being played ends here, and is the last one to watch.
    FinishRecording(End::TitleScreen);
    std::string path = file.empty() ? NewestReplay(plat::PerUserFolder("replays")) : file;
    Replay replay;
    std::string error;
    if (path.empty())
        error = "There is no replay yet: play a round first.";
    else if (!LoadReplay(path, replay, error))
        error = "Cannot watch " + path + ": " + error + ".";
    if (!error.empty()) {
        plat::ShowMessageBox(game->mainWindow, error.c_str(), "Replay");
        return;
    }
    auto w = std::make_unique<Watcher>();
    std::memcpy(w->own.data(), PrefsBytes(game), kImageBytes);
    w->playback = std::make_unique<Playback>(std::move(replay));
    s.watcher = std::move(w);
    s.watcher->playback->Begin(true);
    RestartTickTimer(TickPeriod(game->gameSpeed));
    ShowTitle();
}

} // namespace

void StartService(const std::string& watchAtStart) {
    s.pending = watchAtStart;
    s.started = true;
    ResumeService();
}

void ResumeService() {
    static const TickFeed feed = {BeforeTick, AfterTick};
    SetTickFeed(&feed);
    SetRoundSeedSource(WindowSeed);
}

void NoteKey(uint32_t code) {
    s.recorder.Key(code);
}

void StopService() {
    if (!s.started) return;
    FinishRecording(End::Quit);
    SetTickFeed(nullptr);
    SetRoundSeedSource(nullptr);
    s = Service{};
}

bool TakeMessage(plat::Msg msg, intptr_t first, intptr_t) {
    if (!s.watcher) return false;
    Watcher& w = *s.watcher;
    switch (msg) {
    case plat::Msg::KeyDown:
        switch (first) {
        case ' ':
            w.paused = !w.paused;
            ShowTitle();
            break;
        case 187: // = +
        case 107: // keypad +
            w.speed = w.speed < 8 ? w.speed * 2 : 8;
            ShowTitle();
            break;
        case 189: // -
        case 109: // keypad -
            w.speed = w.speed > 1 ? w.speed / 2 : 1;
            ShowTitle();
            break;
        case 27: // Escape
        case kKeyF5:
            EndWatching();
            break;
        default:
            break; // the players' keys do nothing while watching
        }
        return true;
    case plat::Msg::KeyUp:
    case plat::Msg::Char:
        return true;
    case plat::Msg::Close:
    case plat::Msg::Command:
        // Anything else the player does (a new round, the options, quitting) begins with their own
        // settings back.
        EndWatching();
        return false;
    default:
        return false;
    }
}

void BeginMessage(plat::Msg msg, intptr_t first) {
    s.message = msg;
    s.messageFirst = first;
    s.roundStartedByMessage = false;
}

void EndMessage() {
    plat::Msg message = s.message;
    s.message = plat::Msg::Other;
    Recorder& r = s.recorder;
    if (!r.Recording()) return;
    if (s.roundStartedByMessage) {
        r.NoteStart();
    } else if (message == plat::Msg::KeyDown) {
        r.Key(static_cast<uint32_t>(s.messageFirst));
    } else {
        r.NoteSettings();
    }
    if (game->screenMode != 2) FinishRecording(End::TitleScreen);
}

void Watch(const std::string& path) {
    if (game) StartWatching(path);
}

bool Watching() {
    return s.watcher != nullptr;
}

bool BeforeTick() {
    if (!s.pending.empty() && game && game->screenMode == 1) {
        std::string path;
        path.swap(s.pending);
        StartWatching(path);
    }
    if (s.watcher) return WatchedTickReady();
    s.inTick = true;
    // The automatic restart begins a round inside this tick: it carries over what the tick began with.
    if (game->screenMode == 2 && game->autoStart == 39) s.tickStartCarry = TakeCarry();
    if (s.recorder.Recording()) s.recorder.TickStarting();
    return true;
}

void AfterTick() {
    s.inTick = false;
    if (s.watcher) {
        AfterWatchedTick();
        return;
    }
    if (s.recorder.Recording() && s.recorder.TickRan()) FinishRecording(End::Results);
    // Left by a key the tick handled (a session's F5) or a game that started again from nothing.
    if (s.recorder.Recording() && game->screenMode != 2) FinishRecording(End::TitleScreen);
}

void NoteNewRound(uint32_t seed, const std::string& made) {
    Start start = s.inTick ? Start::Automatic
                  : s.message == plat::Msg::KeyDown && static_cast<unsigned>(s.messageFirst) == kKeyF8
                      ? Start::F8
                      : Start::NewRound;
    FinishRecording(End::NewRound);
    s.recorder.Begin(start, seed, start == Start::Automatic ? s.tickStartCarry : TakeCarry(), made);
    s.roundStartedByMessage = !s.inTick;
}

} // namespace replay
