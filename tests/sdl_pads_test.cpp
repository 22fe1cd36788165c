// Pads plugged into the real SDL backend: SDL's virtual joystick stands in
// for a controller, and every message the backend posts goes through the
// game's own window procedure, so what is checked is the table and the round.
#include <SDL.h>
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "game/world_state.h"
#include "platform/input.h"
#include "platform/message_queue.h"
#include "platform/platform.h"
#include "shell/window_proc.h"
#include "tests/gl_harness.h"

namespace {

using game::gWorld;

bool gQuit = false;

void drain() {
  for (platform::Message m; platform::peekMessage(m);) {
    gQuit = gQuit || m.code == platform::kMsgQuit;
    if (m.code != platform::kMsgQuit) platform::dispatchMessage(m);
  }
}

// One frame as the main loop runs it: the queue, the held input, the queue.
void frames(int n) {
  for (int i = 0; i < n; ++i) {
    drain();
    platform::pollInput();
    drain();
  }
}

// A pad as SDL's virtual driver makes one: every button and axis of a game controller.
struct VirtualPad {
  SDL_Joystick* joystick = nullptr;
  void plug() {
    const int index = SDL_JoystickAttachVirtual(
        SDL_JOYSTICK_TYPE_GAMECONTROLLER, SDL_CONTROLLER_AXIS_MAX, SDL_CONTROLLER_BUTTON_MAX, 0);
    ASSERT_GE(index, 0) << SDL_GetError();
    joystick = SDL_JoystickOpen(index);
    ASSERT_NE(joystick, nullptr) << SDL_GetError();
  }
  void unplug() {
    if (!joystick) return;
    const SDL_JoystickID id = SDL_JoystickInstanceID(joystick);
    for (int i = 0; i < SDL_NumJoysticks(); ++i) {
      if (SDL_JoystickGetDeviceInstanceID(i) == id) SDL_JoystickDetachVirtual(i);
    }
    SDL_JoystickClose(joystick);
    joystick = nullptr;
  }
  void stick(Sint16 x, Sint16 y) {
    SDL_JoystickSetVirtualAxis(joystick, SDL_CONTROLLER_AXIS_LEFTX, x);
    SDL_JoystickSetVirtualAxis(joystick, SDL_CONTROLLER_AXIS_LEFTY, y);
  }
  void button(SDL_GameControllerButton b, bool down) {
    SDL_JoystickSetVirtualButton(joystick, b, down ? 1 : 0);
  }
  // A press and a release, a frame apart, as a player's thumb gives them.
  void press(SDL_GameControllerButton b) { button(b, true), frames(1), button(b, false); }
};

VirtualPad gPads[2];

TEST(SdlPads, AVirtualPadTiltsLevelsConfirmsAndGoesBack) {
  tt::ensureGlContext();
  // The test window never has the keyboard's focus, which SDL wants before it
  // passes a pad on.
  SDL_SetHint(SDL_HINT_JOYSTICK_ALLOW_BACKGROUND_EVENTS, "1");
  platform::queue::attachWindow(platform::queue::window(), shell::windowProc);
  platform::input::reset();
  platform::input::setSink(platform::queue::post);
  platform::input::setTableReader(shell::tableForInput);
  gWorld.tiltX = gWorld.tiltY = 0;
  gWorld.lastMouseX = gWorld.lastMouseY = 100;
  VirtualPad& pad = gPads[0];
  VirtualPad& other = gPads[1];

  struct Step {
    const char* what;
    std::function<void()> act;
    int frames;
    float tiltX, tiltY;
    char round;  // '-': goes on, 'b': on the board, played again, 'q': quit
  };
  const auto press = [](VirtualPad& p, SDL_GameControllerButton b) {
    return [&p, b] { p.press(b); };
  };
  const Step steps[] = {
      {"plugged in, it sends nothing", [&] { pad.plug(); }, 3, 0, 0, '-'},
      {"full right: all the tilt in five frames", [&] { pad.stick(32767, 0); }, 5, 0, 10, '-'},
      {"half up", [&] { pad.stick(0, -16384); }, 5, -5, 0, '-'},
      {"inside the dead zone: centred, it levels", [&] { pad.stick(4000, 6000); }, 5, 0, 0, '-'},
      {"the d-pad down and left",
       [&] {
         pad.button(SDL_CONTROLLER_BUTTON_DPAD_DOWN, true);
         pad.button(SDL_CONTROLLER_BUTTON_DPAD_LEFT, true);
       },
       5, 10, -10, '-'},
      {"A during a round does nothing", press(pad, SDL_CONTROLLER_BUTTON_A), 1, 10, -10, '-'},
      {"pulled out while held: the table levels", [&] { pad.unplug(); }, 5, 0, 0, '-'},
      {"plugged in again at once", [&] { pad.plug(); }, 1, 0, 0, '-'},
      {"a second pad: the one that moves drives",
       [&] { other.plug(), frames(1), pad.stick(-32768, 0), frames(2), other.stick(0, 32767); }, 5,
       10, 0, '-'},
      {"the first moving again takes the table", [&] { pad.stick(-32768, 16384); }, 5, 5, -10, '-'},
      {"both let go", [&] { pad.stick(0, 0), other.stick(0, 0); }, 5, 0, 0, '-'},
      {"A on the board plays again", press(pad, SDL_CONTROLLER_BUTTON_A), 1, 0, 0, 'b'},
      {"Start on the board too", press(other, SDL_CONTROLLER_BUTTON_START), 1, 0, 0, 'b'},
      {"Back on the board too, as Esc", press(pad, SDL_CONTROLLER_BUTTON_BACK), 1, 0, 0, 'b'},
      {"Back during a round quits", press(other, SDL_CONTROLLER_BUTTON_BACK), 1, 0, 0, 'q'},
  };
  for (const Step& s : steps) {
    SCOPED_TRACE(s.what);
    gQuit = false;
    if (s.round == 'b') gWorld.playing = 0;
    gWorld.roundTimer = 7;
    s.act();
    frames(s.frames);
    EXPECT_EQ(std::make_pair(gWorld.tiltX, gWorld.tiltY), std::make_pair(s.tiltX, s.tiltY));
    EXPECT_EQ(gWorld.roundTimer, s.round == 'b' ? 3000 : 7);
    EXPECT_EQ(gWorld.playing, 1);
    EXPECT_EQ(gQuit, s.round == 'q');
  }
  for (VirtualPad& p : gPads) p.unplug();
  frames(1);
  platform::queue::attachWindow(platform::queue::window(), nullptr);
  platform::input::reset();
}

}  // namespace
