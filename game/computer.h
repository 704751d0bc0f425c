// The computer worm's decisions for one tick.
#pragma once

void ComputerPlayerThink(int p);
