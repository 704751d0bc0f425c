// The one entry through which a human key or a computer decision acts on the game.
#pragma once

void PlayerAction(unsigned action, int player);
