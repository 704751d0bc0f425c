// Lean: any bytes as a message from another machine of a session, read as the lockstep reads it.
// What is read must write out and read back the same.
#include <cstdint>

#include "net/protocol.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    net::Message first, second;
    if (!net::Decode(data, size, first)) return 0;
    std::vector<uint8_t> bytes = net::Encode(first);
    if (!net::Decode(bytes.data(), bytes.size(), second) || net::Encode(second) != bytes) __builtin_trap();
    return 0;
}
