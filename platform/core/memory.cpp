#include "platform/memory.h"

#include <cstdlib>

namespace plat {
namespace {
int failCountdown = 0;
}

void* AllocateZeroed(std::size_t bytes) {
    if (failCountdown > 0 && --failCountdown == 0) return nullptr;
    return std::calloc(1, bytes);
}

void FreeBlock(void* block) {
    std::free(block);
}

void FailAllocationAfter(int n) {
    failCountdown = n;
}

} // namespace plat
