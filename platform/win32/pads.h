// XInput, looked up when the game starts, so the program runs where no
// XInput DLL exists.
#pragma once

namespace platform::pads {

void load();
// Reads the four slots into the input layer; does nothing without XInput.
void poll();

}  // namespace platform::pads
