// Heap blocks for the game's records.
#pragma once
#include <cstddef>

namespace plat {

// A zero-filled block, or nullptr when the allocation fails.
void* AllocateZeroed(std::size_t bytes);
void FreeBlock(void* block);
// Tests: make allocation number `n` from now (1 = the next) fail; 0 switches it off.
void FailAllocationAfter(int n);

} // namespace plat
