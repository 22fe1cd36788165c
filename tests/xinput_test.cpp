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
  struct Case {
    const char* what;
    GamepadRecord before, now;
    xinput::Reading reading;
  };
  const Case cases[] = {
      {"nothing held", pad(0), pad(0), {}},
      {"the stick right and up: y grows downward", pad(0), pad(0, 32767, 32767), {1, -1}},
      {"the stick's far corner is no further than its edge",
       pad(0),
       pad(0, -32768, -32768),
       {-1, 1}},
      {"half left", pad(0), pad(0, -16384), {-16384 / 32767.0f, 0}},
      {"the d-pad down and right",
       pad(0),
       pad(xinput::kDpadDown | xinput::kDpadRight),
       {0, 0, 1, 1}},
      {"the d-pad up and left", pad(0), pad(xinput::kDpadUp | xinput::kDpadLeft), {0, 0, -1, -1}},
      {"A pressed", pad(0), pad(xinput::kA), {0, 0, 0, 0, true, false}},
      {"A held is no new press", pad(xinput::kA), pad(xinput::kA), {}},
      {"Start pressed while A is held",
       pad(xinput::kA),
       pad(xinput::kA | xinput::kStart),
       {0, 0, 0, 0, true, false}},
      {"Back pressed", pad(0), pad(xinput::kBack), {0, 0, 0, 0, false, true}},
      {"Y and the other buttons are nothing here", pad(0), pad(0x7F00 & ~xinput::kA), {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const xinput::Reading r = xinput::read(c.before, c.now);
    EXPECT_EQ(std::vector<float>({r.stickX, r.stickY}),
              std::vector<float>({c.reading.stickX, c.reading.stickY}));
    EXPECT_EQ(
        std::vector<int>({r.padX, r.padY, r.confirm, r.back}),
        std::vector<int>({c.reading.padX, c.reading.padY, c.reading.confirm, c.reading.back}));
  }
}

std::string gKeys;  // the key-downs the layer posted, as E (Enter) and X (Esc)

TEST(XInput, FourSlotsOverFramesDriveTheTable) {
  using Slots = std::vector<std::optional<GamepadRecord>>;  // one a slot, nullopt: empty
  struct Frame {
    const char* what;
    Slots slots;
    int frames;
    float tiltX, tiltY;
    const char* keys;
  };
  const std::nullopt_t none = std::nullopt;
  const Frame script[] = {
      {"no pad", {none, none, none, none}, 2, 0, 0, ""},
      {"a pad in slot 2 at rest", {none, none, pad(0), none}, 2, 0, 0, ""},
      {"its stick full up", {none, none, pad(0, 0, 32767), none}, 5, -10, 0, ""},
      {"a pad in slot 0 at rest does not take over",
       {pad(0, 2000, -3000), none, pad(0, 0, 32767), none},
       2,
       -10,
       0,
       ""},
      {"slot 0's d-pad left drives",
       {pad(xinput::kDpadLeft), none, pad(0, 0, 32767), none},
       5,
       0,
       -10,
       ""},
      {"slot 0 pulled out while driving: slot 2, still held, takes the table back",
       {none, none, pad(0, 0, 32767), none},
       5,
       -10,
       0,
       ""},
      {"slot 2 moves a step", {none, none, pad(0, 0, 30000), none}, 2, -9.0f, 0, ""},
      {"A and then Back on slot 3",
       {none, none, pad(0, 0, 30000), pad(xinput::kA)},
       1,
       -9.0f,
       0,
       "E"},
      {"held, they press nothing more",
       {none, none, pad(0, 0, 30000), pad(xinput::kA | xinput::kBack)},
       2,
       -9.0f,
       0,
       "X"},
      {"slot 2 pulled out while held: the table levels", {none, none, none, pad(0)}, 5, 0, 0, ""},
      {"slot 3 out and in again with A held: a new press", {none, none, none, none}, 1, 0, 0, ""},
      {"", {none, none, none, pad(xinput::kA)}, 1, 0, 0, "E"},
  };
  platform::input::reset();
  xinput::reset();
  platform::input::setTableReader(shell::tableForInput);
  static std::vector<std::pair<uint32_t, intptr_t>> posted;
  platform::input::setSink([](uint32_t code, uintptr_t wParam, intptr_t lParam) {
    if (code == platform::kMsgKeyDown) {
      gKeys += wParam == platform::kKeyReturn ? 'E' : wParam == platform::kKeyEscape ? 'X' : '?';
    } else {
      posted.emplace_back(code, lParam);
    }
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
        if (!f.slots[s]) continue;
        records[s].dwPacketNumber = 7 + i;
        records[s].Gamepad = *f.slots[s];
        states[s] = &records[s];
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
