#include "platform/xinput_pads.h"

#include "platform/input.h"

namespace platform::xinput {
namespace {

bool gConnected[kSlots] = {};
GamepadRecord gLast[kSlots];

constexpr float kAxisFull = 32767.0f;  // the thumbs run from -32768 to 32767

float axis(int16_t v) {
  const float f = static_cast<float>(v) / kAxisFull;
  return f < -1.0f ? -1.0f : f;
}

bool pressed(const GamepadRecord& before, const GamepadRecord& now, uint16_t bits) {
  return (now.wButtons & bits) != 0 && (before.wButtons & bits) == 0;
}

int direction(uint16_t buttons, uint16_t plus, uint16_t minus) {
  return ((buttons & plus) != 0) - ((buttons & minus) != 0);
}

}  // namespace

Reading read(const GamepadRecord& before, const GamepadRecord& now) {
  Reading r;
  r.stickX = axis(now.sThumbLX);
  r.stickY = -axis(now.sThumbLY);
  r.padX = direction(now.wButtons, kDpadRight, kDpadLeft);
  r.padY = direction(now.wButtons, kDpadDown, kDpadUp);
  r.confirm = pressed(before, now, kA) || pressed(before, now, kStart);
  r.back = pressed(before, now, kBack);
  return r;
}

void update(const StateRecord* const states[kSlots]) {
  for (int i = 0; i < kSlots; ++i) {
    if (!states[i]) {
      if (gConnected[i]) input::padGone(i);
      gConnected[i] = false;
      gLast[i] = GamepadRecord{};
      continue;
    }
    const Reading r = read(gLast[i], states[i]->Gamepad);
    gConnected[i] = true;
    gLast[i] = states[i]->Gamepad;
    if (r.confirm) input::confirm();
    if (r.back) input::back();
    input::holdPad(i, r.stickX, r.stickY, r.padX, r.padY);
  }
}

void reset() {
  for (int i = 0; i < kSlots; ++i) {
    gConnected[i] = false;
    gLast[i] = GamepadRecord{};
  }
}

}  // namespace platform::xinput
