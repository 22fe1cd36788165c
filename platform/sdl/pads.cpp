#include "platform/sdl/pads.h"

#include <vector>

#include "platform/gyro.h"
#include "platform/input.h"

namespace platform::pads {
namespace {

struct Pad {
  SDL_GameController* controller = nullptr;
  SDL_JoystickID id = -1;
  bool hasGyro = false, gyroOn = false;
  GyroIntegrator gyro;
};

std::vector<Pad> gPads;
bool gOpen = false;

constexpr float kAxisFull = 32767.0f;  // SDL's axes run from -32768 to 32767

float axis(SDL_GameController* c, SDL_GameControllerAxis which) {
  const float v = static_cast<float>(SDL_GameControllerGetAxis(c, which)) / kAxisFull;
  return v < -1.0f ? -1.0f : v;
}

bool button(SDL_GameController* c, SDL_GameControllerButton which) {
  return SDL_GameControllerGetButton(c, which) != 0;
}

Pad* find(SDL_JoystickID id) {
  for (Pad& pad : gPads) {
    if (pad.id == id) return &pad;
  }
  return nullptr;
}

void add(int deviceIndex) {
  SDL_GameController* controller = SDL_GameControllerOpen(deviceIndex);
  if (!controller) return;
  const SDL_JoystickID id = SDL_JoystickInstanceID(SDL_GameControllerGetJoystick(controller));
  if (find(id)) {  // SDL reports pads present at start once more
    SDL_GameControllerClose(controller);
    return;
  }
  Pad pad;
  pad.controller = controller;
  pad.id = id;
  pad.hasGyro = SDL_GameControllerHasSensor(controller, SDL_SENSOR_GYRO) == SDL_TRUE;
  gPads.push_back(pad);
}

void remove(SDL_JoystickID id) {
  for (auto it = gPads.begin(); it != gPads.end(); ++it) {
    if (it->id != id) continue;
    // Pulled out while held: the table levels as if let go.
    if (it->gyroOn) input::release(input::Source::kGyro);
    input::padGone(id);
    SDL_GameControllerClose(it->controller);
    gPads.erase(it);
    return;
  }
}

// Y turns the gyro on, taking the pad's pose now as level, and off again. It
// starts off: a pad lying on a desk must not move the table.
void toggleGyro(Pad& pad) {
  if (!pad.hasGyro) return;
  pad.gyroOn = !pad.gyroOn;
  SDL_GameControllerSetSensorEnabled(pad.controller, SDL_SENSOR_GYRO,
                                     pad.gyroOn ? SDL_TRUE : SDL_FALSE);
  if (pad.gyroOn) {
    pad.gyro.level();
  } else {
    input::release(input::Source::kGyro);
  }
}

}  // namespace

void open() {
  // The game is played with the window in front; a pad is read only then,
  // unless SDL_JOYSTICK_ALLOW_BACKGROUND_EVENTS says otherwise.
  gOpen = SDL_InitSubSystem(SDL_INIT_GAMECONTROLLER) == 0;
}

void close() {
  for (Pad& pad : gPads) SDL_GameControllerClose(pad.controller);
  gPads.clear();
  if (gOpen) SDL_QuitSubSystem(SDL_INIT_GAMECONTROLLER);
  gOpen = false;
}

bool handle(const SDL_Event& event) {
  switch (event.type) {
    case SDL_CONTROLLERDEVICEADDED:
      add(event.cdevice.which);
      return true;
    case SDL_CONTROLLERDEVICEREMOVED:
      remove(event.cdevice.which);
      return true;
    case SDL_CONTROLLERBUTTONDOWN: {
      const auto b = static_cast<SDL_GameControllerButton>(event.cbutton.button);
      if (b == SDL_CONTROLLER_BUTTON_A || b == SDL_CONTROLLER_BUTTON_START) input::confirm();
      if (b == SDL_CONTROLLER_BUTTON_BACK) input::back();
      if (b == SDL_CONTROLLER_BUTTON_Y) {
        if (Pad* pad = find(event.cbutton.which)) toggleGyro(*pad);
      }
      return true;
    }
    case SDL_CONTROLLERSENSORUPDATE: {
      Pad* pad = find(event.csensor.which);
      if (!pad || !pad->gyroOn || event.csensor.sensor != SDL_SENSOR_GYRO) return true;
      // Pads without their own clock get the time SDL read them.
      const Uint64 us = event.csensor.timestamp_us
                            ? event.csensor.timestamp_us
                            : static_cast<Uint64>(event.csensor.timestamp) * 1000;
      pad->gyro.add(us, event.csensor.data);
      return true;
    }
    case SDL_CONTROLLERAXISMOTION:
    case SDL_CONTROLLERBUTTONUP:
      return true;  // read in poll()
    default:
      return false;
  }
}

void poll() {
  for (Pad& pad : gPads) {
    SDL_GameController* c = pad.controller;
    const float x = axis(c, SDL_CONTROLLER_AXIS_LEFTX), y = axis(c, SDL_CONTROLLER_AXIS_LEFTY);
    const int px =
        button(c, SDL_CONTROLLER_BUTTON_DPAD_RIGHT) - button(c, SDL_CONTROLLER_BUTTON_DPAD_LEFT);
    const int py =
        button(c, SDL_CONTROLLER_BUTTON_DPAD_DOWN) - button(c, SDL_CONTROLLER_BUTTON_DPAD_UP);
    input::holdPad(pad.id, x, y, px, py);
    // Turning the pad: its right side going down is roll the other way, its
    // far edge rising is pitch (SDL's axes: x right, y up, z toward the player).
    if (pad.gyroOn)
      input::holdSensor(input::Source::kGyro, -pad.gyro.degrees(2), pad.gyro.degrees(0));
  }
}

}  // namespace platform::pads
