// The two game frames. Each draws the whole picture and swaps the buffers.
#pragma once

#include <cstdint>

#include "world/ball.h"
#include "world/props.h"
#include "world/roach.h"

namespace game {

// One game frame while a round is on.
void playFrame();
// One frame of the game-over board.
void gameOverFrame();

// Euclidean distance of two table points as every proximity test takes it:
// float differences, squares and root in double, rounded to float.
float distance(float ax, float ay, float bx, float by);

// Base-10 text of `value` into a buffer of at least 12 bytes, as the C
// runtime's integer-to-text conversion writes it (a minus sign for negatives).
char* formatDecimal(int32_t value, char* out);

// The result of the roach's edge tests: 0 for none, else the band that won.
int edgeBand(float roachX, float roachY);

}  // namespace game
