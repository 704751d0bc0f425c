// Files through POSIX descriptors; handles are small ids over them.
#include "platform/files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <unordered_map>

#include "platform/held_files.h"

namespace plat {
namespace {
std::unordered_map<Handle, int> files;
Handle nextFile = 1;

Handle Register(int fd) {
    if (fd < 0) return 0;
    Handle id = nextFile++;
    if (nextFile == 0) nextFile = 1;
    files[id] = fd;
    return id;
}

int Descriptor(Handle file) {
    auto it = files.find(file);
    return it == files.end() ? -1 : it->second;
}
} // namespace

Handle OpenFileForReading(const char* path) {
    if (Handle held = OpenHeldFile(path)) return held;
    char host[1024];
    int fd = open(HostPath(path, host, sizeof host), O_RDONLY | O_CLOEXEC);
    if (fd >= 0) {
        struct stat st;
        if (fstat(fd, &st) != 0 || S_ISDIR(st.st_mode)) {
            close(fd);
            return 0;
        }
    }
    return Register(fd);
}

Handle OpenFileForWriting(const char* path) {
    char host[1024];
    return Register(open(HostPathForWriting(path, host, sizeof host), O_WRONLY | O_CREAT | O_CLOEXEC, 0644));
}

int32_t ReadFile(Handle file, void* dest, int32_t count) {
    if (IsHeldHandle(file)) return ReadHeldFile(file, dest, count);
    int fd = Descriptor(file);
    if (fd < 0 || count <= 0) return 0;
    int32_t done = 0;
    while (done < count) {
        ssize_t n = read(fd, static_cast<char*>(dest) + done, static_cast<size_t>(count - done));
        if (n <= 0) break;
        done += static_cast<int32_t>(n);
    }
    return done;
}

int32_t WriteFile(Handle file, const void* src, int32_t count) {
    int fd = Descriptor(file);
    if (fd < 0 || count <= 0) return 0;
    int32_t done = 0;
    while (done < count) {
        ssize_t n = write(fd, static_cast<const char*>(src) + done, static_cast<size_t>(count - done));
        if (n <= 0) break;
        done += static_cast<int32_t>(n);
    }
    return done;
}

int64_t FileSize(Handle file) {
    if (IsHeldHandle(file)) return HeldFileSize(file);
    int fd = Descriptor(file);
    struct stat st;
    if (fd < 0 || fstat(fd, &st) != 0) return -1;
    return st.st_size;
}

void CloseFile(Handle file) {
    if (IsHeldHandle(file)) return CloseHeldFile(file);
    int fd = Descriptor(file);
    if (fd < 0) return;
    close(fd);
    files.erase(file);
}

bool ReadWholeFile(const char* path, uint32_t offset, std::vector<uint8_t>& bytes) {
    Handle file = OpenFileForReading(path);
    if (!file) return false;
    int64_t size = FileSize(file);
    bool ok = size > static_cast<int64_t>(offset) && size <= INT32_MAX;
    if (ok) {
        bytes.resize(static_cast<size_t>(size));
        ok = ReadFile(file, bytes.data(), static_cast<int32_t>(size)) == size;
        // Handles have no seek: the whole file is read and what comes before offset dropped.
        bytes.erase(bytes.begin(), bytes.begin() + offset);
    }
    CloseFile(file);
    return ok;
}

} // namespace plat
