#include "net/service.h"

#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <ctime>
#include <fstream>
#include <memory>

#include "game/keys.h"
#include "game/records.h"
#include "game/round.h"
#include "game/timer.h"
#include "gfx/canvas.h"
#include "net/lockstep.h"
#include "net/play.h"
#include "platform/clock.h"
#include "platform/dialogs.h"
#include "platform/files.h"
#include "platform/msgbox.h"
#include "platform/surface.h"
#include "replay/service.h"
#include "replay/state.h"
#include "resources/resources.h"

namespace net {
namespace {

constexpr int kBudget = 7; // the points a player may spend on abilities; unspent ones add speed
constexpr uint32_t kNewsMs = 4000;
constexpr const char* kTitle = "Tarvel 4";

struct Session {
    bool hosting = false;
    std::unique_ptr<Machine> machine;
    Host* host = nullptr;
    std::unique_ptr<SessionRules> rules;
    Image own{};         // this machine's own settings, back in place when the session ends
    bool joined = false; // the records hold the session's game
    int ownPlayer = 0;   // a joiner's own player, whose keys it steers with
    std::string where;
    std::string news;
    uint32_t newsUntil = 0;
    std::string shown;
    int descriptor = -1;
};

std::unique_ptr<Session> session;
Start pending;
plat::Msg message = plat::Msg::Other;

uint32_t Now() {
    return plat::TickCountMs();
}

Image RecordImage() {
    Image image;
    std::memcpy(image.data(), PrefsBytes(game), kImageBytes);
    return image;
}

void PutRecordImage(const Image& image) {
    std::memcpy(PrefsBytes(game), image.data(), kImageBytes);
}

std::string Text(const char* bytes, size_t most) {
    return std::string(bytes, strnlen(bytes, most));
}

std::string MachineName(int machine) {
    if (!session || !session->rules) return machine == 0 ? "the host" : "";
    std::string name = Text(session->rules->Current().names[machine].data(), kNameBytes);
    if (!name.empty()) return name;
    return machine == 0 ? "the host" : "machine " + std::to_string(machine + 1);
}

std::string LocalTime() {
    std::time_t t = std::time(nullptr);
    std::tm local{};
    localtime_r(&t, &local);
    char text[24];
    std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", &local);
    return text;
}

void Tell(const std::string& news) {
    if (news.empty() || !session) return;
    std::fprintf(stderr, "tarvel4: %s\n", news.c_str());
    session->news = news;
    session->newsUntil = Now() + kNewsMs;
}

// The window title and the line over the field: whom everyone waits for, news, joining.
void ShowState() {
    if (!session || !game) return;
    Session& s = *session;
    uint32_t now = Now();
    std::string text;
    int waiting = s.machine->WaitingFor(now);
    if (waiting >= 0)
        text = "waiting for " + MachineName(waiting);
    else if (s.machine->CurrentPhase() == Machine::Phase::Joining)
        text = "joining the game at " + s.where + "...";
    else if (static_cast<int32_t>(s.newsUntil - now) > 0)
        text = s.news;
    if (text == s.shown) return;
    s.shown = text;
    plat::SetWindowNotice(game->mainWindow, text.c_str());
    std::string title = text.empty() ? std::string(kTitle) : std::string(kTitle) + " - " + text;
    plat::SetWindowTitle(game->mainWindow, title.c_str());
}

// The lobby, below the title screen's ticker: where the game is, the input delay, every seat.
void DrawLobby() {
    if (!session || !session->joined || !game || game->screenMode != 1) return;
    Session& s = *session;
    const Decision& d = s.rules->Current();
    int me = s.machine->Index();
    FillBox(0, 442, 640, 38, 0);
    plat::SetTextTransparent(game->windowDC, true);
    plat::SetTextColour(game->windowDC, 0x40E0FF);
    std::string head =
        s.hosting ? "Hosting a game on " + s.where : "In " + MachineName(0) + "'s game at " + s.where;
    head += ", input delay " + std::to_string(d.delay) + " ticks";
    DrawText(head.c_str(), 8, 444);
    std::string seats;
    for (int seat = 0; seat < 4; ++seat) {
        int kind = KindIn(d.image, seat);
        std::string who = kind == kComputer ? "computer" : kind == kNoPlayer ? "none" : "open";
        if (kind == kHuman && d.owner[seat] >= 0) {
            bool gone = !(d.active >> d.owner[seat] & 1);
            who = d.owner[seat] == me ? "here"
                                      : MachineName(d.owner[seat]).substr(0, 10) + (gone ? " (gone)" : "");
        } else if (kind == kHuman && !d.open[seat]) {
            who = "nobody";
        }
        seats += std::to_string(seat + 1) + " " + who + "   ";
    }
    DrawText(seats.c_str(), 8, 462);
}

// A joiner's player may play when its abilities and speed cost no more than the budget.
Reason CheckPlayer(const Profile& p) {
    int cost = 0;
    for (uint8_t id : p.abilities) {
        if (id == 0) continue;
        if (AbilityCost(id) == 0) return Reason::Budget;
        cost += AbilityCost(id);
    }
    if (cost > kBudget || p.speed < 0 || p.speed > 2 + kBudget - cost) return Reason::Budget;
    return Reason::None;
}

uint32_t SessionSeed() {
    uint32_t seed = session->rules->NextRoundSeed();
    std::string made = session->machine->Made() + " round " + std::to_string(session->rules->Rounds());
    replay::NoteNewRound(seed, made);
    return seed;
}

void Wake(uintptr_t);
bool Before();
void After();
const TickFeed kFeed = {Before, After};

void Install() {
    Session& s = *session;
    s.descriptor = s.machine->WakeDescriptor();
    if (s.descriptor >= 0) plat::AddWakeSource(s.descriptor, Wake, 0);
    SetTickFeed(&kFeed);
    SetRoundSeedSource(SessionSeed);
}

// Says goodbye to the other machines and stops listening for them.
void Disconnect(Session& s) {
    s.machine->Leave();
    if (s.descriptor >= 0) plat::RemoveWakeSource(s.descriptor);
}

// Ends the session on this machine: its own settings and game back, and why, for the player.
void Leave(const std::string& why) {
    if (!session) return;
    std::unique_ptr<Session> s = std::move(session);
    Disconnect(*s);
    replay::ResumeService();
    if (!game) return;
    if (s->joined) {
        Image own = s->own;
        // How it sounds stays as the player set it meanwhile.
        std::memcpy(own.data() + kAudioAt, PrefsBytes(game) + kAudioAt, kAudioBytes);
        PutRecordImage(own);
        ReturnToTitle();
        RestartTickTimer(TickPeriod(game->gameSpeed));
    }
    plat::SetWindowNotice(game->mainWindow, "");
    plat::SetWindowTitle(game->mainWindow, kTitle);
    if (!why.empty()) {
        std::string text = "The game across machines has ended: " + why + ".";
        std::fprintf(stderr, "tarvel4: %s\n", text.c_str());
        plat::ShowMessageBox(game->mainWindow, text.c_str(), "Tarvel 4");
    }
}

// The records take the session's game: whatever was played here before is over.
void TakeSessionRecords() {
    Session& s = *session;
    if (s.joined) return;
    s.joined = true;
    s.own = RecordImage();
}

void HostGame(uint16_t port) {
    Leave("");
    std::string error;
    auto endpoint = plat::net::Listen(port, error);
    if (!endpoint) {
        std::string text = "Cannot host a game on port " + std::to_string(port) + ": " + error + ".";
        plat::ShowMessageBox(game->mainWindow, text.c_str(), "Host Game");
        return;
    }
    auto s = std::make_unique<Session>();
    s->hosting = true;
    s->own = RecordImage();
    s->where = "port " + std::to_string(endpoint->BoundPort());
    Decision first;
    first.image = s->own;
    PutSeatKeys(first.image);
    // The host's humans are its own; the first other seat is open for another machine.
    bool opened = false;
    for (int seat = 0; seat < 4; ++seat) {
        if (KindIn(first.image, seat) == kHuman) {
            first.owner[seat] = 0;
        } else if (!opened) {
            first.open[seat] = opened = true;
            PutKind(first.image, seat, kHuman);
        }
    }
    std::memcpy(first.names[0].data(), ProfileIn(s->own, FirstHuman(s->own)).name, kNameBytes - 1);
    uint32_t seed = Now() * 2654435761u ^ static_cast<uint32_t>(getpid());
    auto host = std::make_unique<net::Host>(std::move(endpoint), first, seed, seed ^ 0x7A35C001u, LocalTime(),
                                            CheckPlayer, [] { return TickPeriod(game->gameSpeed); });
    s->host = host.get();
    s->machine = std::move(host);
    s->rules = std::make_unique<SessionRules>(seed);
    // The session's settings hold here from now on (its first tick starts everyone on the title).
    s->rules->Begin(first);
    Image image = first.image;
    std::memcpy(image.data() + kAudioAt, s->own.data() + kAudioAt, kAudioBytes);
    PutRecordImage(image);
    s->joined = true; // own holds the host's settings as they were before
    session = std::move(s);
    Install();
    Tell("hosting a game on " + session->where);
}

void JoinGame(const std::string& address, uint16_t port) {
    Leave("");
    std::string error;
    auto endpoint = plat::net::Connect(address, port, kHello, error);
    if (!endpoint) {
        std::string text = "Cannot join a game at " + address + ": " + error + ".";
        plat::ShowMessageBox(game->mainWindow, text.c_str(), "Join Game");
        return;
    }
    auto s = std::make_unique<Session>();
    s->own = RecordImage();
    s->ownPlayer = FirstHuman(s->own);
    s->where = address + ":" + std::to_string(port);
    s->machine = std::make_unique<Joiner>(std::move(endpoint), ProfileIn(s->own, s->ownPlayer));
    session = std::move(s);
    Install();
    ShowState();
}

void Wake(uintptr_t) {
    if (!session) return;
    session->machine->Service(Now());
    if (session->machine->CurrentPhase() == Machine::Phase::Ended)
        Leave(session->machine->EndReason());
    else
        ShowState();
}

void WriteDesyncReport(long tick, uint8_t machines) {
    std::string folder = plat::PerUserFolder("replays");
    if (folder.empty()) return;
    std::string stamp = LocalTime();
    for (char& c : stamp)
        if (c == ' ' || c == ':') c = c == ' ' ? '_' : '-';
    std::ofstream report(folder + "desync-" + stamp + "-machine" +
                         std::to_string(session->machine->Index() + 1) + ".txt");
    report << "Tarvel 4: the machines went out of step at tick " << tick << "\n";
    for (int m = 0; m < kMaxMachines; ++m)
        if (machines >> m & 1) report << "hash differed on " << MachineName(m) << "'s machine\n";
    report << "this is machine " << session->machine->Index() + 1 << " ("
           << MachineName(session->machine->Index()) << ")\n\ntick  rule-state hash on this machine\n";
    for (long t = tick - 30; t < session->machine->NextTick(); ++t)
        if (auto h = session->machine->OwnHash(t)) {
            char line[40];
            std::snprintf(line, sizeof line, "%ld  %08x\n", t, *h);
            report << line;
        }
    report << "\nnow: screen mode " << game->screenMode << ", players left " << int{arena->playersLeft}
           << ", heads";
    for (int p = 0; p < 4; ++p) report << " (" << game->headX[p] << "," << game->headY[p] << ")";
    report << ", random " << RandomState() << "\n";
}

void OnKey(uint32_t code) {
    replay::NoteKey(code);
}

bool Before() {
    Session& s = *session;
    uint32_t now = Now();
    s.machine->Service(now);
    if (s.machine->CurrentPhase() == Machine::Phase::Ended) {
        Leave(s.machine->EndReason());
        return replay::BeforeTick();
    }
    if (s.machine->CurrentPhase() == Machine::Phase::Joining) {
        ShowState();
        return replay::BeforeTick(); // this machine plays on by itself until the host lets it in
    }
    if (!s.rules) s.rules = std::make_unique<SessionRules>(s.machine->Seed());
    TakeSessionRecords();
    if (s.host) s.host->SetAdmitting(game->screenMode == 1);
    if (!s.machine->Ready(now)) {
        ShowState();
        return false;
    }
    TickInput in = s.machine->Take(now);
    const Decision before = s.rules->Current();
    if (s.rules->Apply(in, true, OnKey)) RestartTickTimer(TickPeriod(game->gameSpeed));
    // Seats or players changed on the title screen: the lobby says so.
    if (in.decision && game->screenMode == 1 && !(before == s.rules->Current()))
        plat::RequestPaint(game->mainWindow);
    return replay::BeforeTick();
}

void After() {
    replay::AfterTick();
    Session& s = *session;
    uint32_t now = Now();
    s.machine->Ran(replay::RuleStateHash(), now);
    s.machine->Service(now);
    long tick = 0;
    uint8_t machines = 0;
    if (s.machine->TakeDesync(tick, machines)) {
        WriteDesyncReport(tick, machines);
        std::string who;
        for (int m = 0; m < kMaxMachines; ++m)
            if (machines >> m & 1) who += (who.empty() ? "" : ", ") + MachineName(m);
        Tell("out of step at tick " + std::to_string(tick) + " on " + who +
             "'s machine: the round is over, everyone is back on the title screen");
    }
    if (s.host) Tell(s.host->TakeNews());
    ShowState();
}

// --- the host's doings in the lobby and its settings: decided for everyone ---------------------------

// What a host's click on a slot does to a seat: none, a human here, open for another machine, a
// computer, none again. A seat another machine steers stays its.
void CycleSeat(Decision& d, Image& own, int seat, int was, int now) {
    bool theirs = d.owner[seat] > 0 && (d.active >> d.owner[seat] & 1);
    if (theirs || was == now) return;
    int kind = now;
    if (was == kHuman && now == kComputer && d.owner[seat] == 0) {
        kind = kHuman; // the host's own human becomes a seat open for another machine
        d.open[seat] = true;
        d.owner[seat] = -1;
    } else {
        d.open[seat] = false;
        d.owner[seat] = kind == kHuman ? 0 : -1;
    }
    PutKind(d.image, seat, kind);
    PutKind(own, seat, kind);
}

// After a message: what it changed in the records goes where it belongs. How it sounds is this
// machine's; a capture of keys changes its own bindings; everything else is the host's to decide
// for everyone, and a joiner's records keep the session's.
void SortChanges() {
    Session& s = *session;
    Image now = RecordImage();
    const Image& current = s.rules->Current().image;
    std::memcpy(s.own.data() + kAudioAt, now.data() + kAudioAt, kAudioBytes);
    Image keep = current;
    std::memcpy(keep.data() + kAudioAt, now.data() + kAudioAt, kAudioBytes);
    if (now == keep) return;
    if (s.hosting) {
        for (size_t i = kKeysAt; i < kKeysAt + kKeyBytes; ++i)
            if (now[i] != current[i]) s.own[i] = now[i];
        Decision d = s.host->Latest();
        for (int seat = 0; seat < 4; ++seat) {
            CycleSeat(d, s.own, seat, KindIn(current, seat), KindIn(now, seat));
            // A seat's player is the host's to set up unless another machine sits there.
            const size_t at = kProfileBytes * seat;
            if (d.owner[seat] <= 0 && std::memcmp(now.data() + at, current.data() + at, kProfileBytes) != 0) {
                std::memcpy(d.image.data() + at, now.data() + at, kProfileBytes);
                std::memcpy(s.own.data() + at, now.data() + at, kProfileBytes);
            }
        }
        for (size_t i = kSettingsAt; i < kImageBytes; ++i) {
            if ((i >= kAudioAt && i < kAudioAt + kAudioBytes) || (i >= kKeysAt && i < kKeysAt + kKeyBytes) ||
                now[i] == current[i])
                continue;
            d.image[i] = s.own[i] = now[i];
        }
        if (!(d == s.host->Latest())) s.host->Decide(d);
        plat::RequestPaint(game->mainWindow); // the slots as they stand until the decision holds
    }
    PutRecordImage(keep);
    // The Preferences restart the timer at the speed chosen; the session's holds until decided.
    RestartTickTimer(TickPeriod(game->gameSpeed));
}

// The host's own players' keys become their seats' codes; a joiner's player steers its seat.
std::array<int, 4> SeatsHere() {
    std::array<int, 4> seatOf{-1, -1, -1, -1};
    const Decision& d = session->rules->Current();
    int me = session->machine->Index();
    for (int seat = 0; seat < 4; ++seat)
        if (d.owner[seat] == me) seatOf[seat] = me == 0 ? seat : session->ownPlayer;
    return seatOf;
}

// The dialogs of the menu's Host Game... and Join Game...: a port, an address and a port.
constexpr int kAddressEdit = 102, kPortEdit = 104;
const plat::DialogControl kHostControls[] = {
    {1, plat::ControlKind::PushButton, "OK", 130, 6, 50, 14},
    {2, plat::ControlKind::PushButton, "Cancel", 130, 24, 50, 14},
    {103, plat::ControlKind::Label, "Port:", 8, 10, 30, 9},
    {kPortEdit, plat::ControlKind::Edit, nullptr, 40, 8, 40, 12, plat::kEditBorder | plat::kEditDigits},
    {105, plat::ControlKind::Label, "Others join at this computer's address and this port.", 8, 26, 112, 18},
};
const plat::DialogControl kJoinControls[] = {
    {1, plat::ControlKind::PushButton, "OK", 150, 6, 50, 14},
    {2, plat::ControlKind::PushButton, "Cancel", 150, 24, 50, 14},
    {101, plat::ControlKind::Label, "Host:", 8, 10, 30, 9},
    {kAddressEdit, plat::ControlKind::Edit, nullptr, 40, 8, 100, 12, plat::kEditBorder},
    {103, plat::ControlKind::Label, "Port:", 8, 28, 30, 9},
    {kPortEdit, plat::ControlKind::Edit, nullptr, 40, 26, 40, 12, plat::kEditBorder | plat::kEditDigits},
};
const plat::DialogTemplate kHostDialog = {"TARVHOST",      "Host Game", 190,           48, true,
                                          "MS Sans Serif", 8,           kHostControls, 5};
const plat::DialogTemplate kJoinDialog = {"TARVJOIN",      "Join Game", 210,           46, true,
                                          "MS Sans Serif", 8,           kJoinControls, 6};
std::string lastAddress = "127.0.0.1";
uint16_t lastPort = kDefaultPort;

void AddressProc(plat::Handle dialog, plat::DialogMsg msg, intptr_t first, intptr_t) {
    if (msg == plat::DialogMsg::Init) {
        plat::SetControlText(dialog, kAddressEdit, lastAddress.c_str());
        plat::SetControlNumber(dialog, kPortEdit, lastPort);
    } else if (msg == plat::DialogMsg::Command && (first == 1 || first == 2)) {
        if (first == 1) {
            char address[128] = {};
            plat::GetControlText(dialog, kAddressEdit, address, sizeof address);
            if (address[0]) lastAddress = address;
            uint32_t port = plat::GetControlNumber(dialog, kPortEdit);
            if (port > 0 && port < 65536) lastPort = static_cast<uint16_t>(port);
        }
        plat::EndDialog(dialog, static_cast<int>(first));
    }
}

} // namespace

bool ParseAddress(const std::string& text, std::string& host, uint16_t& port) {
    size_t colon = text.rfind(':');
    host = text.substr(0, colon);
    port = kDefaultPort;
    if (colon != std::string::npos) {
        std::string digits = text.substr(colon + 1);
        if (digits.empty() || digits.size() > 5 ||
            digits.find_first_not_of("0123456789") != std::string::npos)
            return false;
        unsigned long value = std::stoul(digits);
        if (value == 0 || value > 65535) return false;
        port = static_cast<uint16_t>(value);
    }
    return !host.empty() && host.find_first_of(" /") == std::string::npos;
}

void StartService(const Start& start) {
    pending = start;
    if (start.mode == Start::Mode::Join) lastAddress = start.address;
    lastPort = start.port;
}

void StopService() {
    if (session) Disconnect(*session);
    session.reset();
}

bool TakeMessage(plat::Msg msg, intptr_t first, intptr_t second) {
    if (msg == plat::Msg::Command && (first == kCmdHostGame || first == kCmdJoinGame)) {
        bool hosting = first == kCmdHostGame;
        if (plat::RunDialog(hosting ? kHostDialog : kJoinDialog, game->mainWindow, AddressProc) != 1)
            return true;
        if (hosting)
            HostGame(lastPort);
        else
            JoinGame(lastAddress, lastPort);
        return true;
    }
    if (!session) return false;
    Session& s = *session;
    // Leaving the game: this machine's own settings back first, so they are the ones kept.
    const bool click = msg == plat::Msg::LeftDown || msg == plat::Msg::RightDown;
    const auto x = static_cast<unsigned>(second & 0xFFFF), y = static_cast<unsigned>((second >> 16) & 0xFFFF);
    bool quitButton = click && game->screenMode == 1 && OnQuitButton(x, y);
    if (msg == plat::Msg::Close || (msg == plat::Msg::Command && first == kCmdQuit) || quitButton) {
        Leave("");
        return false;
    }
    if (!s.joined) return false; // joining: this machine plays on by itself meanwhile
    auto say = [&](const char* what) {
        Tell(what);
        ShowState();
        return true;
    };
    switch (msg) {
    case plat::Msg::KeyDown: {
        auto key = static_cast<uint32_t>(first);
        if (game->keyCaptureStep != 0) return key == kKeyF5 || key == kKeyF8; // the host's own keys
        if (key == kKeyF5 || key == kKeyF8) {
            if (!s.hosting) return say("only the host starts rounds and goes back to the title screen");
            s.machine->Press(static_cast<uint8_t>(key));
            return true;
        }
        uint8_t ownKeys[kKeyBytes];
        std::memcpy(ownKeys, s.own.data() + kKeysAt, kKeyBytes);
        for (uint8_t code : SeatKeysFor(key, ownKeys, SeatsHere())) s.machine->Press(code);
        return true;
    }
    case plat::Msg::LeftDown:
    case plat::Msg::RightDown: {
        if (!s.hosting) return game->screenMode == 1;
        if (OnPlayButton(x, y) && game->screenMode == 1) {
            s.machine->Press(static_cast<uint8_t>(kKeyF8));
            return true;
        }
        return false;
    }
    case plat::Msg::Command:
        if (first == kCmdNewGame) {
            if (!s.hosting) return say("only the host starts rounds");
            s.machine->Press(static_cast<uint8_t>(kKeyF8));
            return true;
        }
        if (first == kCmdWatchLastRound)
            return say("replays can be watched once the game across machines is over");
        if (first == kCmdPlayerSetup && !s.hosting) return true;
        return false;
    default:
        return false;
    }
}

void BeginMessage(plat::Msg msg, intptr_t) {
    message = msg;
}

void EndMessage() {
    plat::Msg handled = message;
    message = plat::Msg::Other;
    if (!game) return;
    if (pending.mode != Start::Mode::None && game->screenMode == 1) {
        Start start = pending;
        pending = Start{};
        if (start.mode == Start::Mode::Host)
            HostGame(start.port);
        else
            JoinGame(start.address, start.port);
        return;
    }
    if (!session || !session->joined) return;
    SortChanges();
    if (handled == plat::Msg::Paint) DrawLobby();
}

} // namespace net
