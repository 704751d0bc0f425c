// One step of a round: movement phases, the worms' moves, boxes, deaths and the round's end.
#pragma once
#include <cstdint>

void GameTick();
void MoveWorm(int p);
void CheckBoxPickup(int p);
void KillPlayer(int p);
// The 5 x 5 square of worm p's head in its colour.
void DrawHead(int p);
// An ammunition box picture at a pixel position, its frame following animFrame.
void DrawBox(int16_t x, int16_t y);
