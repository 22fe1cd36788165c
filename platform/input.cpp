#include "platform/input.h"

#include <algorithm>
#include <cmath>

namespace platform::input {
namespace {

Table levelTable() { return Table{}; }

TableReader gReader = levelTable;
Sink gSink = nullptr;

// Where a held input wants the table, in steps: x drives tiltY (as the
// mouse's x does), y drives tiltX.
struct Held {
  bool held = false;
  int x = 0, y = 0;
  uint64_t changed = 0;  // when it last moved, in changes counted since the start
};
// The sources of the header, then the keyboard, kept apart from the d-pad so
// that letting go of one does not let go of the other.
constexpr int kKeys = 4;
constexpr int kSlots = 5;
Held gHeld[kSlots];
uint64_t gChanges = 0;
// After everything is let go the table is levelled once, then the layer is
// idle: a mouse player is never fought.
bool gLevelling = false;
// A sensor's last whole step on each axis, for its dead band.
int gSensorStep[kSlots][2] = {};
// How far the layer's own moves have carried the game's pointer.
int32_t gShiftX = 0, gShiftY = 0;
// The keys held, one bit each.
unsigned gKeysDown = 0;

int index(Source source) { return static_cast<int>(source); }

void hold(int slot, bool held, int x, int y) {
  Held& h = gHeld[slot];
  if (!held) x = y = 0;
  if (h.held == held && h.x == x && h.y == y) return;
  const bool wasHeld = h.held;
  h = Held{held, x, y, ++gChanges};
  if (held) {
    gLevelling = false;
  } else if (wasHeld && std::none_of(gHeld, gHeld + kSlots, [](const Held& o) { return o.held; })) {
    gLevelling = true;
  }
}

int clampSteps(int steps) { return std::clamp(steps, -kMaxSteps, kMaxSteps); }

// A whole step only once the sensor is a whole degree past the last one.
int sensorStep(float degrees, int current) {
  if (degrees >= static_cast<float>(current) + 1.0f) {
    current = static_cast<int>(std::floor(degrees));
  } else if (degrees <= static_cast<float>(current) - 1.0f) {
    current = static_cast<int>(std::ceil(degrees));
  }
  return clampSteps(current);
}

int sign(int v) { return (v > 0) - (v < 0); }

int steps(float tilt) { return static_cast<int>(std::lround(tilt / kTiltStep)); }

void send(uint32_t code, uintptr_t wParam, intptr_t lParam) {
  if (gSink) gSink(code, wParam, lParam);
}

// One message moving the game's pointer by (dx, dy) from where it last was.
void move(Table& table, int dx, int dy) {
  table.lastMouseX += dx * kMovePixels;
  table.lastMouseY += dy * kMovePixels;
  gShiftX += dx * kMovePixels;
  gShiftY += dy * kMovePixels;
  send(kMsgMouseMove, 0, packPoint(table.lastMouseX, table.lastMouseY));
}

// What each pad last showed, in whole steps: a stick's noise inside a step is
// no move, so a pad lying still never takes over from the one in use.
struct PadSeen {
  int pad = 0;
  bool used = false;
  Steps stick;
  int padX = 0, padY = 0;
  uint64_t changed = 0;
};
constexpr int kPads = 16;
PadSeen gPads[kPads];
int gDriverPad = -1;  // the index into gPads of the pad that moved last

// The held keys, a bit each: the arrows in the low four, W, A, S and D in
// the next four, so letting go of one of a pair held together keeps the other.
struct KeyBit {
  uintptr_t key;
  unsigned bit;
};
constexpr unsigned kLeft = 1, kRight = 2, kUp = 4, kDown = 8, kLetters = 4;
constexpr KeyBit kKeyBits[] = {
    {kKeyLeft, kLeft},      {kKeyRight, kRight},      {kKeyUp, kUp},
    {kKeyDown, kDown},      {'A', kLeft << kLetters}, {'D', kRight << kLetters},
    {'W', kUp << kLetters}, {'S', kDown << kLetters}};

}  // namespace

void setTableReader(TableReader reader) { gReader = reader ? reader : levelTable; }

void setSink(Sink sink) { gSink = sink; }

intptr_t pointerAt(int x, int y) { return packPoint(x + gShiftX, y + gShiftY); }

Steps stickSteps(float x, float y) {
  // Radial, so a diagonal push leaves the zone as soon as a straight one does;
  // outside it the deflection counts as it is, so half a push is half the tilt.
  if (x * x + y * y < kStickDeadZone * kStickDeadZone) return {};
  return {clampSteps(static_cast<int>(std::lround(x * kMaxSteps))),
          clampSteps(static_cast<int>(std::lround(y * kMaxSteps)))};
}

void holdStick(float x, float y) {
  const Steps at = stickSteps(x, y);
  hold(index(Source::kStick), at != Steps{}, at.x, at.y);
}

void holdDirections(int x, int y) {
  x = sign(x);
  y = sign(y);
  hold(index(Source::kDirections), x != 0 || y != 0, x * kMaxSteps, y * kMaxSteps);
}

void holdPad(int pad, float stickX, float stickY, int padX, int padY) {
  PadSeen* seen = nullptr;
  for (PadSeen& p : gPads) {
    if (p.used && p.pad == pad) seen = &p;
  }
  for (PadSeen& p : gPads) {
    if (!seen && !p.used) seen = &p;
  }
  if (!seen) return;  // more pads than anyone holds: the new one is not read
  if (!seen->used) *seen = PadSeen{pad, true, {}, 0, 0, 0};
  const Steps stick = stickSteps(stickX, stickY);
  const int slot = static_cast<int>(seen - gPads);
  if (stick != seen->stick || padX != seen->padX || padY != seen->padY) {
    *seen = PadSeen{pad, true, stick, padX, padY, ++gChanges};
    gDriverPad = slot;
  }
  if (gDriverPad != slot) return;
  holdStick(stickX, stickY);
  holdDirections(padX, padY);
}

void padGone(int pad) {
  for (PadSeen& p : gPads) {
    if (!p.used || p.pad != pad) continue;
    const bool driving = gDriverPad == &p - gPads;
    p = PadSeen{};
    if (!driving) continue;
    release(Source::kStick);
    release(Source::kDirections);
    // A pad still held takes over, the one moved last; with none the table levels.
    gDriverPad = -1;
    for (const PadSeen& o : gPads) {
      const bool held = o.stick != Steps{} || o.padX != 0 || o.padY != 0;
      if (o.used && held && (gDriverPad < 0 || o.changed > gPads[gDriverPad].changed))
        gDriverPad = static_cast<int>(&o - gPads);
    }
  }
}

void holdSensor(Source source, float rightDownDegrees, float towardDegrees) {
  int* step = gSensorStep[index(source)];
  step[0] = sensorStep(rightDownDegrees, step[0]);
  step[1] = sensorStep(towardDegrees, step[1]);
  // A sensor at level holds nothing, so a finger on the same phone is free.
  hold(index(source), step[0] != 0 || step[1] != 0, step[0], step[1]);
}

void release(Source source) {
  gSensorStep[index(source)][0] = gSensorStep[index(source)][1] = 0;
  hold(index(source), false, 0, 0);
}

void keyChanged(uintptr_t virtualKey, bool down) {
  for (const KeyBit& k : kKeyBits) {
    if (k.key != virtualKey) continue;
    gKeysDown = down ? (gKeysDown | k.bit) : (gKeysDown & ~k.bit);
  }
  const unsigned held = gKeysDown | (gKeysDown >> kLetters);
  const int x = ((held & kRight) != 0) - ((held & kLeft) != 0);
  const int y = ((held & kDown) != 0) - ((held & kUp) != 0);
  hold(kKeys, x != 0 || y != 0, x * kMaxSteps, y * kMaxSteps);
}

void releaseKeys() {
  gKeysDown = 0;
  hold(kKeys, false, 0, 0);
}

void confirm() { send(kMsgKeyDown, kKeyReturn, 0); }

void back() { send(kMsgKeyDown, kKeyEscape, 0); }

void frame() {
  const Held* driver = nullptr;
  for (const Held& h : gHeld) {
    if (h.held && (!driver || h.changed > driver->changed)) driver = &h;
  }
  if (!driver && !gLevelling) return;
  const int targetX = driver ? driver->x : 0, targetY = driver ? driver->y : 0;
  Table table = gReader();
  const int nowX = steps(table.tiltY), nowY = steps(table.tiltX);
  const int leftX = targetX - nowX, leftY = targetY - nowY;
  if (!driver && leftX == 0 && leftY == 0) {
    gLevelling = false;
    return;
  }
  int count = std::min(kStepsPerFrame, std::max(std::abs(leftX), std::abs(leftY)));
  // Held right at its place, the board must still spin as a mouse moving right
  // spins it: a step right and one back, the way back first at the limit, so
  // the next frame sees the same tilt and one degree more spin.
  const bool spin = targetX > 0 && leftX == 0;
  if (spin) count = std::max(count, 2);
  const int spinFirst = nowX >= kMaxSteps ? -1 : 1;
  for (int i = 0; i < count; ++i) {
    int dx = i < std::abs(leftX) ? sign(leftX) : 0;
    if (spin && i < 2) dx = i == 0 ? spinFirst : -spinFirst;
    const int dy = i < std::abs(leftY) ? sign(leftY) : 0;
    move(table, dx, dy);
  }
  // Level once these are handled: from the next frame on the mouse is free.
  if (!driver && std::max(std::abs(leftX), std::abs(leftY)) <= count) gLevelling = false;
}

void reset() {
  for (Held& h : gHeld) h = Held{};
  for (int* step : gSensorStep) step[0] = step[1] = 0;
  gChanges = 0;
  gLevelling = false;
  gShiftX = gShiftY = 0;
  gKeysDown = 0;
  for (PadSeen& p : gPads) p = PadSeen{};
  gDriverPad = -1;
}

}  // namespace platform::input
