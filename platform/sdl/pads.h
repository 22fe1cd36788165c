// Game controllers through SDL's game controller API, fed to the input layer.
#pragma once

#include <SDL.h>

namespace platform::pads {

// Starts SDL's controller support; the game plays on without it.
void open();
// Closes every pad, before SDL itself goes.
void close();
// Takes a controller event (plugging, buttons, the gyro); false for any other.
bool handle(const SDL_Event& event);
// Reads the sticks and d-pads of the open pads into the input layer.
void poll();

}  // namespace platform::pads
