// Turns the player's input into World state between frames.
#pragma once

#include <cstdint>

#include "platform/platform.h"

namespace shell {

intptr_t windowProc(platform::Window* window, uint32_t code, uintptr_t wParam, intptr_t lParam);

}  // namespace shell
