// The drifting stars behind a round and the ticker on the title screen.
#pragma once

void InitStarfield();
void StarfieldStep();
void ScrollerStep();
