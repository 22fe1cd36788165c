// Windows' XInput pads from their state records to the input layer: what one
// record pair reads as, and four slots over frames, played through the game's
// window procedure so the table is what is checked.
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "game/world_state.h"
#include "platform/input.h"
#include "platform/xinput_pads.h"
#include "shell/window_proc.h"

namespace {

namespace xinput = platform::xinput;
using game::gWorld;
using xinput::GamepadRecord;

GamepadRecord pad(uint16_t buttons, int16_t lx = 0, int16_t ly = 0) {
  GamepadRecord g;
  g.wButtons = buttons;
  g.sThumbLX = lx;
  g.sThumbLY = ly;
  g.sThumbRX = 32767;  // the right stick and the triggers mean nothing
  g.bLeftTrigger = 255;
  return g;
}

TEST(XInput, ARecordReadsAsStickDpadAndNewPresses) {
  using namespace xinput;
  struct Case {
    const char* what;
    GamepadRecord before, now;
    float stickX, stickY;
    int padX, padY, confirm, back;
  };
  const Case cases[] = {
      {"nothing held", pad(0), pad(0), 0, 0, 0, 0, 0, 0},
      {"the stick right and up: y grows downward", pad(0), pad(0, 32767, 32767), 1, -1, 0, 0, 0, 0},
      {"a corner is no further than an edge", pad(0), pad(0, -32768, -32768), -1, 1, 0, 0, 0, 0},
      {"half left", pad(0), pad(0, -16384), -16384 / 32767.0f, 0, 0, 0, 0, 0},
      {"the d-pad down and right", pad(0), pad(kDpadDown | kDpadRight), 0, 0, 1, 1, 0, 0},
      {"the d-pad up and left", pad(0), pad(kDpadUp | kDpadLeft), 0, 0, -1, -1, 0, 0},
      {"A pressed", pad(0), pad(kA), 0, 0, 0, 0, 1, 0},
      {"A held is no new press", pad(kA), pad(kA), 0, 0, 0, 0, 0, 0},
      {"Start pressed while A is held", pad(kA), pad(kA | kStart), 0, 0, 0, 0, 1, 0},
      {"Back pressed", pad(0), pad(kBack), 0, 0, 0, 0, 0, 1},
      {"Y and the other buttons are nothing here", pad(0), pad(0x7F00 & ~kA), 0, 0, 0, 0, 0, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const Reading r = xinput::read(c.before, c.now);
    EXPECT_EQ(std::vector<float>({r.stickX, r.stickY, float(r.padX), float(r.padY),
                                  float(r.confirm), float(r.back)}),
              std::vector<float>({c.stickX, c.stickY, float(c.padX), float(c.padY),
                                  float(c.confirm), float(c.back)}));
  }
}

std::string gKeys;  // the key-downs the layer posted, as E (Enter) and X (Esc)

TEST(XInput, FourSlotsOverFramesDriveTheTable) {
  using Slot = std::optional<GamepadRecord>;  // nullopt: empty
  struct Frame {
    const char* what;
    int frames;
    float tiltX, tiltY;
    const char* keys;
    Slot slots[xinput::kSlots];
  };
  const Slot no = std::nullopt, up = pad(0, 0, 32767), most = pad(0, 0, 30000);
  const Frame script[] = {
      {"no pad", 2, 0, 0, "", {no, no, no, no}},
      {"a pad in slot 2 at rest", 2, 0, 0, "", {no, no, pad(0), no}},
      {"its stick full up", 5, -10, 0, "", {no, no, up, no}},
      {"slot 0 at rest does not take over", 2, -10, 0, "", {pad(0, 2000, -3000), no, up, no}},
      {"slot 0's d-pad left drives", 5, 0, -10, "", {pad(xinput::kDpadLeft), no, up, no}},
      {"slot 0 out while driving: slot 2, still held, takes over", 5, -10, 0, "", {no, no, up, no}},
      {"slot 2 moves a step", 2, -9.0f, 0, "", {no, no, most, no}},
      {"A and then Back on slot 3", 1, -9.0f, 0, "E", {no, no, most, pad(xinput::kA)}},
      {"held: nothing more", 2, -9.0f, 0, "X", {no, no, most, pad(xinput::kA | xinput::kBack)}},
      {"slot 2 pulled out while held: the table levels", 5, 0, 0, "", {no, no, no, pad(0)}},
      {"slot 3 out and in again with A held: a new press", 1, 0, 0, "", {no, no, no, no}},
      {"", 1, 0, 0, "E", {no, no, no, pad(xinput::kA)}},
  };
  platform::input::reset();
  xinput::reset();
  platform::input::setTableReader(shell::tableForInput);
  static std::vector<std::pair<uint32_t, intptr_t>> posted;
  platform::input::setSink([](uint32_t code, uintptr_t wParam, intptr_t lParam) {
    if (code != platform::kMsgKeyDown) posted.emplace_back(code, lParam);
    if (code == platform::kMsgKeyDown)
      gKeys += wParam == platform::kKeyReturn ? 'E' : wParam == platform::kKeyEscape ? 'X' : '?';
  });
  gWorld.tiltX = gWorld.tiltY = 0;
  gWorld.lastMouseX = gWorld.lastMouseY = 50;
  for (const Frame& f : script) {
    SCOPED_TRACE(f.what);
    gKeys.clear();
    for (int i = 0; i < f.frames; ++i) {
      xinput::StateRecord records[xinput::kSlots];
      const xinput::StateRecord* states[xinput::kSlots] = {};
      for (int s = 0; s < xinput::kSlots; ++s) {
        if (f.slots[s]) records[s].Gamepad = *f.slots[s], states[s] = &records[s];
      }
      xinput::update(states);
      platform::input::frame();
      for (const auto& [code, lParam] : posted) shell::windowProc(nullptr, code, 0, lParam);
      posted.clear();
    }
    EXPECT_EQ(std::make_pair(gWorld.tiltX, gWorld.tiltY), std::make_pair(f.tiltX, f.tiltY));
    EXPECT_EQ(gKeys, f.keys);
  }
  platform::input::reset();
  xinput::reset();
}

}  // namespace
