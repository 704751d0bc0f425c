// The status panels below the field and the results screen.
#pragma once

// p = 0..3, or 255 for all four; only the low byte is looked at.
void DrawStatusPanel(int p);
void DrawResults();
