// Starting a round: the field, the worms on their edges, blocks and the four ammunition boxes.
#pragma once
#include <cstdint>

void NewRound();
// Puts box i on a random free 4 x 4 area with new contents; draws nothing.
void PlaceBox(int i);
