// Missile flight: one step of a player's missile slots.
#pragma once
#include <cstdint>

// slot 0..2, or 255 for all three in order.
void StepMissiles(uint8_t player, uint8_t slot);
