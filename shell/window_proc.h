// Turns the player's input into World state between frames.
#pragma once

#include <cstdint>

#include "platform/input.h"
#include "platform/platform.h"

namespace shell {

intptr_t windowProc(platform::Window* window, uint32_t code, uintptr_t wParam, intptr_t lParam);

// The tilts and the last mouse position, for the input layer to step from.
platform::input::Table tableForInput();

}  // namespace shell
