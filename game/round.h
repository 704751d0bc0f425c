// Starting a round: the field, the worms on their edges, blocks and the four ammunition boxes.
#pragma once
#include <cstdint>

void NewRound();
// Where NewRound takes its seed from: the millisecond clock, unless a replay or a session across
// machines says otherwise (nullptr: the clock again).
void SetRoundSeedSource(uint32_t (*source)());
// Puts box i on a random free 4 x 4 area with new contents; draws nothing.
void PlaceBox(int i);
