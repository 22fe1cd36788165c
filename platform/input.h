// Every input a player holds (a stick, a d-pad or the arrow keys, a phone's
// tilt, a controller's gyro) turned into the window's own messages: the
// mouse-move that tilts the table one step, Esc, and Enter as "confirm".
// The window procedure applies them exactly as it applies the mouse's, so
// the game never learns where a move came from. Every backend feeds this one
// layer; none of them holds a tilt rule of its own.
#pragma once

#include <cstdint>

#include "platform/platform.h"

namespace platform::input {

// The table's tilt rule, written once: each mouse-move message moves each
// tilt one step toward the direction of the move, never past the limit.
constexpr float kTiltStep = 0.5f;    // degrees per message, whatever the distance moved
constexpr float kTiltLimit = 10.0f;  // degrees, either way, on each axis
constexpr int kMaxSteps = 20;        // kTiltLimit / kTiltStep
static_assert(kMaxSteps * kTiltStep == kTiltLimit);
// How many steps a held input may move the table in one frame: end to end
// (40 steps) in 10 frames, 0.3 s.
constexpr int kStepsPerFrame = 4;

// What the window procedure last left: the tilts and the last mouse position.
struct Table {
  float tiltX = 0, tiltY = 0;
  int32_t lastMouseX = 0, lastMouseY = 0;
};
using TableReader = Table (*)();
// The shell tells the layer where to read the table; before that it reads a
// level table at (0, 0).
void setTableReader(TableReader reader);

// Where the layer's messages go: the backend posts each to the window, in order.
using Sink = void (*)(uint32_t code, uintptr_t wParam, intptr_t lParam);
void setSink(Sink sink);

// A real pointer (mouse or finger) at client pixels (x, y): returns the
// lParam of the mouse-move to deliver. Unchanged until held input has moved
// the game's pointer; after that, shifted by as far as those moves took it,
// so a real move still tilts the way it goes.
intptr_t pointerAt(int x, int y);

// The messages the layer sends are positions next to the game's last mouse
// position, so each moves each tilt by one step at most; one is never more
// than this far from the last.
constexpr int kMovePixels = 1;

// Held positions. Axes: x to the right, y downward, as the mouse moves; a
// full deflection tilts the table the full kTiltLimit, half of it half as far.
enum class Source { kStick, kDirections, kSensor, kGyro };
// A stick's deflection, each axis in [-1, 1]; inside the radial dead zone it
// counts as centred.
constexpr float kStickDeadZone = 0.25f;
void holdStick(float x, float y);
// Where a stick at (x, y) holds the table, in whole steps ((0, 0) inside the
// dead zone): a backend with several pads tells by it which one moved.
struct Steps {
  int x = 0, y = 0;
  bool operator==(const Steps&) const = default;
};
Steps stickSteps(float x, float y);
// The d-pad or the arrow keys: each of -1, 0 or 1.
void holdDirections(int x, int y);
// A game pad's left stick and d-pad as read this frame, for a backend with
// several pads; `pad` names it while it is plugged in. Any pad works, and
// the one that moved last drives: its stick and d-pad are held as above.
void holdPad(int pad, float stickX, float stickY, int padX, int padY);
// The pad was pulled out: if it was driving, another pad still held takes
// over (the one moved last), and with none the table levels as if let go.
void padGone(int pad);
// A sensor's turn from level, in degrees (a phone's tilt, a gyro's turned
// angle): its right side going down, as a mouse moving right, and its far or
// top edge rising toward the player, as a mouse moving down. One degree is
// one step, up to kMaxSteps. A step is taken only a whole degree past the
// last, so a device held still sends nothing; at level it holds nothing.
void holdSensor(Source source, float rightDownDegrees, float towardDegrees);
// The player let go: when nothing else is held, the table levels exactly,
// and from then on the layer sends nothing until something is held again.
// The most recently changed held input drives the table.
void release(Source source);

// Keys as the window's key-down messages give them (virtual-key codes):
// the arrows and W, A, S, D are held directions.
void keyChanged(uintptr_t virtualKey, bool down);
// The window lost the keyboard: whatever was held is let go, since the key-ups
// go elsewhere.
void releaseKeys();

// A pad's A or Start, a tap: Enter's key-down, which starts a new round on
// the board. A pad's Back: Esc's key-down.
void confirm();
void back();

// Once a frame, after the backend has read its devices: posts this frame's
// steps toward the held position (moving right while held right, so the
// board spins), or toward level after a release.
void frame();

// Forgets every held input and the pointer's shift (tests, a new window).
void reset();

}  // namespace platform::input
