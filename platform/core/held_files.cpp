// Held files open as anonymous in-memory files, so whatever reads a descriptor reads them unchanged.
#include "platform/held_files.h"

#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

#include "platform/files.h"

namespace plat {
namespace {

std::unordered_map<std::string, std::vector<uint8_t>> held;

std::string Key(const char* path) {
    char host[1024];
    return HostPath(path, host, sizeof host);
}

} // namespace

void HoldFile(const char* path, const void* bytes, std::size_t size) {
    const auto* first = static_cast<const uint8_t*>(bytes);
    held[Key(path)].assign(first, first + size);
}

void ReleaseHeldFiles() {
    held.clear();
}

int OpenHeldFile(const char* path) {
    if (held.empty() || !path) return -1;
    auto it = held.find(Key(path));
    if (it == held.end()) return -1;
    int fd = memfd_create("held", MFD_CLOEXEC);
    if (fd < 0) return -1;
    const std::vector<uint8_t>& bytes = it->second;
    size_t done = 0;
    while (done < bytes.size()) {
        ssize_t n = write(fd, bytes.data() + done, bytes.size() - done);
        if (n <= 0) break;
        done += static_cast<size_t>(n);
    }
    if (done != bytes.size() || lseek(fd, 0, SEEK_SET) != 0) {
        close(fd);
        return -1;
    }
    return fd;
}

} // namespace plat
