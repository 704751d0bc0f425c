// Explosions, owned by the player in activePlayer (-1 for none).
#pragma once
#include <cstdint>

void Explode(int16_t x, int16_t y);
void Supernova(int16_t x, int16_t y);
