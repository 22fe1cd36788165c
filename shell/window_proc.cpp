#include "shell/window_proc.h"

#include "game/world_state.h"
#include "platform/input.h"

namespace shell {
namespace {

using platform::input::kTiltLimit;
using platform::input::kTiltStep;

void mouseTilt(intptr_t lParam) {
  game::World& w = game::gWorld;
  const int32_t x = static_cast<int16_t>(lParam & 0xFFFF);
  const int32_t y = static_cast<int16_t>((lParam >> 16) & 0xFFFF);
  const int32_t dx = x - w.lastMouseX;
  const int32_t dy = y - w.lastMouseY;
  if (dx > 0) {
    if (w.tiltY < kTiltLimit) w.tiltY += kTiltStep;
    w.spinAngle += 1.0f;  // the board spins only while the mouse moves right
  }
  if (dx < 0 && w.tiltY > -kTiltLimit) w.tiltY -= kTiltStep;
  if (dy > 0 && w.tiltX < kTiltLimit) w.tiltX += kTiltStep;
  if (dy < 0 && w.tiltX > -kTiltLimit) w.tiltX -= kTiltStep;
  w.lastMouseX = x;
  w.lastMouseY = y;
}

}  // namespace

intptr_t windowProc(platform::Window* window, uint32_t code, uintptr_t wParam, intptr_t lParam) {
  switch (code) {
    case platform::kMsgDestroy:
      return 0;  // the quit is already posted by the time the window goes
    case platform::kMsgClose:
      platform::postQuitMessage(0);  // the loop's teardown destroys the window
      return 0;
    case platform::kMsgKeyDown:
      if (wParam == platform::kKeyEscape) {
        if (game::gWorld.playing == 1) {
          platform::postQuitMessage(0);
        } else {
          game::restartRound();
        }
      }
      // Confirm (Enter, Space, a pad's A or Start, a tap) plays again on the
      // board; during a round it must not quit as Esc would.
      if ((wParam == platform::kKeyReturn || wParam == platform::kKeySpace) &&
          game::gWorld.playing != 1) {
        game::restartRound();
      }
      return 0;
    case platform::kMsgMouseMove:
      mouseTilt(lParam);
      return 0;
    default:
      return platform::defWindowProc(window, code, wParam, lParam);
  }
}

platform::input::Table tableForInput() {
  const game::World& w = game::gWorld;
  return {w.tiltX, w.tiltY, w.lastMouseX, w.lastMouseY};
}

}  // namespace shell
