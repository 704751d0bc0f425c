#include "platform/held_files.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <string>
#include <unordered_map>

#include "platform/files.h"

namespace plat {
namespace {

std::unordered_map<std::string, std::shared_ptr<std::vector<uint8_t>>> held;

// An open held file reads its bytes as they were when it was opened.
struct Open {
    std::shared_ptr<const std::vector<uint8_t>> bytes;
    size_t position = 0;
};
std::unordered_map<Handle, Open> opened;
constexpr Handle kHeldBit = 0x80000000u;
Handle nextOpen = kHeldBit;

std::string Key(const char* path) {
    char host[1024];
    return HostPath(path, host, sizeof host);
}

} // namespace

void HoldFile(const char* path, const void* bytes, std::size_t size) {
    const auto* first = static_cast<const uint8_t*>(bytes);
    auto& slot = held[Key(path)];
    if (slot && slot.use_count() == 1) {
        // Reused in place: a fuzzer holds a new input under the same name many times a second.
        slot->assign(first, first + size);
    } else {
        slot = std::make_shared<std::vector<uint8_t>>(first, first + size);
    }
}

void ReleaseHeldFiles() {
    held.clear();
}

const std::vector<uint8_t>* HeldFile(const char* path) {
    if (held.empty() || !path) return nullptr;
    auto it = held.find(Key(path));
    return it == held.end() ? nullptr : it->second.get();
}

Handle OpenHeldFile(const char* path) {
    if (held.empty() || !path) return 0;
    auto it = held.find(Key(path));
    if (it == held.end()) return 0;
    Handle id = nextOpen;
    nextOpen = nextOpen + 1 == 0 ? kHeldBit : nextOpen + 1;
    opened[id] = {it->second, 0};
    return id;
}

bool IsHeldHandle(Handle file) {
    return (file & kHeldBit) != 0;
}

int32_t ReadHeldFile(Handle file, void* dest, int32_t count) {
    auto it = opened.find(file);
    if (it == opened.end() || count <= 0) return 0;
    Open& o = it->second;
    size_t n = std::min(static_cast<size_t>(count), o.bytes->size() - o.position);
    if (n) std::memcpy(dest, o.bytes->data() + o.position, n);
    o.position += n;
    return static_cast<int32_t>(n);
}

int64_t HeldFileSize(Handle file) {
    auto it = opened.find(file);
    return it == opened.end() ? -1 : static_cast<int64_t>(it->second.bytes->size());
}

void CloseHeldFile(Handle file) {
    opened.erase(file);
}

} // namespace plat
