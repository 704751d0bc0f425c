#include "net/protocol.h"

#include <cstring>

namespace net {
namespace {

struct Writer {
    std::vector<uint8_t> bytes;
    void U8(uint8_t v) { bytes.push_back(v); }
    void U32(uint32_t v) {
        for (int i = 0; i < 4; ++i) bytes.push_back(static_cast<uint8_t>(v >> (8 * i)));
    }
    void Raw(const void* data, size_t size) {
        if (size == 0) return;
        const auto* p = static_cast<const uint8_t*>(data);
        bytes.insert(bytes.end(), p, p + size);
    }
    void Keys(const std::vector<uint8_t>& keys) {
        U8(static_cast<uint8_t>(keys.size()));
        Raw(keys.data(), keys.size());
    }
};

struct Reader {
    const uint8_t* data;
    size_t size, at = 0;
    bool ok = true;
    bool Need(size_t n) {
        if (size - at < n) ok = false;
        return ok;
    }
    uint8_t U8() { return Need(1) ? data[at++] : 0; }
    uint32_t U32() {
        if (!Need(4)) return 0;
        uint32_t v = 0;
        for (int i = 0; i < 4; ++i) v |= static_cast<uint32_t>(data[at + i]) << (8 * i);
        at += 4;
        return v;
    }
    void Raw(void* out, size_t n) {
        if (n == 0 || !Need(n)) return; // an empty vector's data may be null
        std::memcpy(out, data + at, n);
        at += n;
    }
    // A count, refused above most.
    size_t Count(size_t most) {
        size_t n = U8();
        if (n > most) ok = false;
        return ok ? n : 0;
    }
    std::vector<uint8_t> Keys() {
        size_t n = Count(kMostKeys);
        std::vector<uint8_t> keys(n);
        Raw(keys.data(), n);
        return keys;
    }
};

} // namespace

std::vector<uint8_t> Encode(const Message& m) {
    Writer w;
    w.U8('T');
    w.U8('4');
    w.U8(kProtocol);
    w.U8(static_cast<uint8_t>(m.kind));
    w.U32(m.session);
    switch (m.kind) {
    case Kind::Join:
        w.Raw(m.profile.name, sizeof m.profile.name);
        w.U32(m.profile.colour);
        w.Raw(m.profile.abilities, 4);
        w.U8(static_cast<uint8_t>(m.profile.speed));
        w.U8(static_cast<uint8_t>(m.profile.points));
        break;
    case Kind::Welcome: {
        w.U8(m.machine);
        w.U32(m.tick);
        w.U32(m.seed);
        w.U32(m.stamp);
        char made[24] = {};
        std::strncpy(made, m.made.c_str(), sizeof made - 1);
        w.Raw(made, sizeof made);
        break;
    }
    case Kind::Decision: {
        const Decision& d = m.decision;
        w.U32(m.tick);
        w.Raw(d.image.data(), d.image.size());
        for (int s = 0; s < 4; ++s) w.U8(static_cast<uint8_t>(d.owner[s]));
        uint8_t open = 0;
        for (int s = 0; s < 4; ++s) open |= static_cast<uint8_t>(d.open[s] << s);
        w.U8(open);
        for (const auto& name : d.names) w.Raw(name.data(), name.size());
        w.U8(d.delay);
        w.U8(d.active);
        w.U8(d.reset);
        break;
    }
    case Kind::Desync:
        w.U32(m.tick);
        w.U8(m.machine);
        break;
    case Kind::Stall:
        w.U8(m.machine);
        break;
    case Kind::Input:
        w.U32(m.ack);
        w.U32(m.epoch);
        w.U8(static_cast<uint8_t>(m.hashes.size()));
        for (const auto& h : m.hashes) w.U32(h[0]), w.U32(h[1]);
        w.U32(m.first);
        w.U8(static_cast<uint8_t>(m.inputs.size()));
        for (const auto& keys : m.inputs) w.Keys(keys);
        break;
    case Kind::Ticks:
        w.U32(m.ack);
        w.U32(m.first);
        w.U8(static_cast<uint8_t>(m.ticks.size()));
        for (const TickData& t : m.ticks) {
            uint8_t mask = 0;
            for (int i = 0; i < kMaxMachines; ++i) mask |= static_cast<uint8_t>(!t.keys[i].empty() << i);
            // Most ticks carry nothing: one byte says so.
            w.U8(static_cast<uint8_t>(mask | t.decisions << 4));
            for (int i = 0; i < kMaxMachines; ++i)
                if (mask >> i & 1) w.Keys(t.keys[i]);
        }
        break;
    case Kind::Ping:
    case Kind::Pong:
        w.U32(m.stamp);
        break;
    }
    return std::move(w.bytes);
}

bool Decode(const uint8_t* data, size_t size, Message& m) {
    m = Message{};
    Reader r{data, size};
    if (r.U8() != 'T' || r.U8() != '4' || r.U8() != kProtocol || !r.ok) return false;
    uint8_t kind = r.U8();
    if (kind < static_cast<uint8_t>(Kind::Join) || kind > static_cast<uint8_t>(Kind::Pong)) return false;
    m.kind = static_cast<Kind>(kind);
    m.session = r.U32();
    switch (m.kind) {
    case Kind::Join:
        r.Raw(m.profile.name, sizeof m.profile.name);
        m.profile.name[sizeof m.profile.name - 1] = 0;
        m.profile.colour = r.U32() & 0x00FFFFFFu;
        r.Raw(m.profile.abilities, 4);
        m.profile.speed = static_cast<int8_t>(r.U8());
        m.profile.points = static_cast<int8_t>(r.U8());
        break;
    case Kind::Welcome: {
        m.machine = r.U8();
        m.tick = r.U32();
        m.seed = r.U32();
        m.stamp = r.U32();
        if (m.stamp > 60000) return false;
        char made[24];
        r.Raw(made, sizeof made);
        made[sizeof made - 1] = 0;
        if (r.ok) m.made = made;
        if (m.machine == 0 || m.machine >= kMaxMachines) return false;
        break;
    }
    case Kind::Decision: {
        Decision& d = m.decision;
        m.tick = r.U32();
        r.Raw(d.image.data(), d.image.size());
        for (int s = 0; s < 4; ++s) {
            d.owner[s] = static_cast<int8_t>(r.U8());
            if (d.owner[s] < -1 || d.owner[s] >= kMaxMachines) return false;
        }
        uint8_t open = r.U8();
        for (int s = 0; s < 4; ++s) d.open[s] = open >> s & 1;
        for (auto& name : d.names) {
            // Its last byte is always 0. (A store into the nested arrays themselves misleads GCC 12's
            // overflow warning at -O2.)
            std::array<char, kNameBytes> read{};
            r.Raw(read.data(), read.size() - 1);
            r.U8();
            name = read;
        }
        d.delay = r.U8();
        d.active = r.U8();
        uint8_t reset = r.U8();
        if (d.delay < 1 || d.delay > 100 || !(d.active & 1) || d.active > 15 || reset > 1) return false;
        d.reset = reset;
        break;
    }
    case Kind::Desync:
        m.tick = r.U32();
        m.machine = r.U8();
        break;
    case Kind::Stall:
        m.machine = r.U8();
        break;
    case Kind::Input: {
        m.ack = r.U32();
        m.epoch = r.U32();
        size_t hashes = r.Count(kMostHashes);
        for (size_t i = 0; i < hashes; ++i) m.hashes.push_back({r.U32(), r.U32()});
        m.first = r.U32();
        size_t n = r.Count(kMostTicks);
        for (size_t i = 0; i < n && r.ok; ++i) m.inputs.push_back(r.Keys());
        break;
    }
    case Kind::Ticks: {
        m.ack = r.U32();
        m.first = r.U32();
        size_t n = r.Count(kMostTicks);
        for (size_t i = 0; i < n && r.ok; ++i) {
            TickData t;
            uint8_t head = r.U8();
            t.decisions = head >> 4;
            for (int k = 0; k < kMaxMachines; ++k)
                if (head >> k & 1) {
                    t.keys[k] = r.Keys();
                    if (t.keys[k].empty()) r.ok = false; // a machine named has keys
                }
            m.ticks.push_back(std::move(t));
        }
        break;
    }
    case Kind::Ping:
    case Kind::Pong:
        m.stamp = r.U32();
        break;
    }
    return r.ok && r.at == size;
}

} // namespace net
