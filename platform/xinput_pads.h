// Windows' XInput pads as the input layer sees them. The records hold the
// fields of XInput's own under their names (the backend copies them over), so
// this part needs no Windows header and is tested on records anywhere.
#pragma once

#include <cstdint>

namespace platform::xinput {

// XInput's button bits.
constexpr uint16_t kDpadUp = 0x0001, kDpadDown = 0x0002, kDpadLeft = 0x0004, kDpadRight = 0x0008;
constexpr uint16_t kStart = 0x0010, kBack = 0x0020, kA = 0x1000, kY = 0x8000;
constexpr int kSlots = 4;  // XInput knows four pads

struct GamepadRecord {
  uint16_t wButtons = 0;
  uint8_t bLeftTrigger = 0, bRightTrigger = 0;
  int16_t sThumbLX = 0, sThumbLY = 0, sThumbRX = 0, sThumbRY = 0;  // y grows upward
};
struct StateRecord {
  uint32_t dwPacketNumber = 0;
  GamepadRecord Gamepad;
};

// What one pad shows between two readings: the stick (y downward, as the
// table's axes), the d-pad, and the buttons pressed since the last reading.
struct Reading {
  float stickX = 0, stickY = 0;
  int padX = 0, padY = 0;
  bool confirm = false, back = false;
};
Reading read(const GamepadRecord& before, const GamepadRecord& now);

// The four slots, read once a frame: each is the slot's state, or null when
// no pad is there. The pad that moved last drives the table; any pad's A or
// Start confirms and Back goes back; a pad pulled out while driving levels it.
void update(const StateRecord* const states[kSlots]);
// Forgets every pad (tests, a new window).
void reset();

}  // namespace platform::xinput
