// The input layer from held positions to the messages it posts, played
// through the real window procedure so each frame steps from the table the
// game really has; and the gyro's turned angle from a stream of samples.
#include "platform/input.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <sstream>
#include <string>
#include <vector>

#include "game/world_state.h"
#include "platform/gyro.h"
#include "shell/window_proc.h"

namespace {

namespace input = platform::input;
using game::gWorld;

struct Posted {
  uint32_t code;
  uintptr_t wParam;
  intptr_t lParam;
};
std::vector<Posted> gPosted;

// What a frame's messages did, in order: a move as the directions it took the
// game's pointer ("R", "LD", ...), a key as its name; " |" ends each frame.
// A move of more than one pixel on an axis, or of none, is written as "?".
std::string gStream;

void deliver() {
  for (const Posted& p : gPosted) {
    if (!gStream.empty() && gStream.back() != ' ') gStream += ' ';
    if (p.code == platform::kMsgKeyDown) {
      gStream += p.wParam == platform::kKeyReturn   ? "Enter"
                 : p.wParam == platform::kKeyEscape ? "Esc"
                                                    : "key";
      continue;  // Esc would quit the test program
    }
    const int dx = static_cast<int16_t>(p.lParam & 0xFFFF) - gWorld.lastMouseX;
    const int dy = static_cast<int16_t>((p.lParam >> 16) & 0xFFFF) - gWorld.lastMouseY;
    if (std::abs(dx) > 1 || std::abs(dy) > 1 || (dx == 0 && dy == 0)) gStream += '?';
    if (dx) gStream += dx > 0 ? 'R' : 'L';
    if (dy) gStream += dy > 0 ? 'D' : 'U';
    shell::windowProc(nullptr, p.code, p.wParam, p.lParam);
  }
  gPosted.clear();
}

// Plays a script of words: "*N" plays N frames; "stick:X,Y", "dpad:X,Y", "sensor:R,T" and
// "gyro:R,T" hold; "free-stick" and "free-sensor" let go; "down:K" and "up:K" press and let go of
// key K (a letter, or one of < ^ > v for the arrows), "lost" is the window losing the keyboard;
// "mouse:DX,DY,N" moves the real pointer N times; "enter" and "esc" are confirm and back. It starts
// from a level table, the game's pointer and the real one at (300, 200).
void play(const std::string& script, int32_t playing) {
  input::reset();
  input::setTableReader(shell::tableForInput);
  input::setSink([](uint32_t code, uintptr_t wParam, intptr_t lParam) {
    gPosted.push_back({code, wParam, lParam});
  });
  gPosted.clear(), gStream.clear();
  gWorld.tiltX = gWorld.tiltY = gWorld.spinAngle = 0.0f;
  gWorld.playing = playing;
  int pointerX = gWorld.lastMouseX = 300, pointerY = gWorld.lastMouseY = 200;
  std::istringstream in(script);
  for (std::string word; in >> word;) {
    const std::string op = word.substr(0, word.find(':'));
    float x = 0, y = 0, n = 0;
    std::sscanf(word.c_str() + op.size(), ":%f,%f,%f", &x, &y, &n);
    const size_t arrow = std::string("<^>v").find(word.back());
    const uintptr_t key = arrow == std::string::npos ? word.back() : platform::kKeyLeft + arrow;
    for (int i = 0; op[0] == '*' && i < std::stoi(op.substr(1)); ++i) {
      input::frame();
      deliver();
      gStream += gStream.empty() ? "|" : " |";
    }
    if (op == "stick") input::holdStick(x, y);
    if (op == "dpad") input::holdDirections(int(x), int(y));
    if (op == "sensor") input::holdSensor(input::Source::kSensor, x, y);
    if (op == "gyro") input::holdSensor(input::Source::kGyro, x, y);
    if (op == "free-stick") input::release(input::Source::kStick);
    if (op == "free-sensor") input::release(input::Source::kSensor);
    if (op == "down" || op == "up") input::keyChanged(key, op == "down");
    if (op == "lost") input::releaseKeys();
    for (int i = 0; op == "mouse" && i < int(n); ++i) {  // a real pointer, from where it really is
      pointerX += int(x), pointerY += int(y);
      shell::windowProc(nullptr, platform::kMsgMouseMove, 0, input::pointerAt(pointerX, pointerY));
    }
    if (op == "enter") input::confirm();
    if (op == "esc") input::back();
  }
}

TEST(InputLayer, HeldPositionsBecomeTheExactStreamOfMessages) {
  struct Case {
    const char* what;
    int32_t playing;
    const char* script;
    const char* stream;
    float tiltX, tiltY, spin;  // after
  };
  const Case cases[] = {
      {"a stick just inside its radial dead zone sends nothing", 1, "stick:.17,.17 *2", "| |", 0, 0,
       0},
      {"just outside it counts as it is, 0.25 of the way is 2.5 degrees", 1,
       "stick:.18,.18 *1 stick:0,.25 *1", "RD RD RD RD | LD L L L |", 2.5f, 0, 4},
      {"full deflection: end to end in five frames, then still and spinning", 1, "stick:1,0 *6",
       "R R R R | R R R R | R R R R | R R R R | R R R R | L R |", 0, 10, 21},
      {"half deflection is half the tilt, and never overshoots", 1, "stick:-.5,0 *4",
       "L L L L | L L L L | L L | |", 0, -5, 0},
      {"held right at half: a step right and one back each frame", 0, "stick:.5,0 *4",
       "R R R R | R R R R | R R | R L |", 0, 5, 11},
      {"the board spins by one a frame while the d-pad is held right", 0, "dpad:1,0 *8",
       "R R R R | R R R R | R R R R | R R R R | R R R R | L R | L R | L R |", 0, 10, 23},
      {"letting go levels exactly after the mouse was clamped at the limit", 1,
       "dpad:0,-1 *5 mouse:0,-1,3 dpad:0,0 *6",
       "U U U U | U U U U | U U U U | U U U U | U U U U | "
       "D D D D | D D D D | D D D D | D D D D | D D D D | |",
       0, 0, 0},
      {"mouse and stick mixed: the stick takes back what the mouse moved, letting go levels, "
       "then a mouse player is left alone",
       1, "stick:0,1 *2 mouse:-1,-1,6 *5 free-stick *5 mouse:1,0,3 *2",
       "D D D D | D D D D | RD RD RD RD | RD RD D D | D D D D | D D D D | D D | "
       "U U U U | U U U U | U U U U | U U U U | U U U U | | |",
       0, 1.5f, 9},
      {"the most recently changed held input drives, and the one still held takes over "
       "(-0.52 is the same step as -0.5: not a change)",
       1,
       "dpad:0,1 *1 stick:0,-.5 *3 stick:0,-.52 sensor:0,3.5 *2 free-sensor *2 dpad:0,0 *1 "
       "stick:0,0 *3",
       "D D D D | U U U U | U U U U | U U U U | D D D D | D D D D | U U U U | U U U U | U U | "
       "D D D D | D D D D | D D |",
       0, 0, 0},
      {"a sensor steps a whole degree past the last, one step a degree", 1,
       "sensor:0,.9 *1 sensor:0,1 *1 sensor:0,1.99 *1 sensor:0,.01 *1 sensor:0,2.7 *1 "
       "sensor:0,1.8 *1 sensor:0,.8 *1 sensor:0,-.3 *1",
       "| D | | | D | | U | U |", 0, 0, 0},
      {"a sensor's turn counts up to the limit only, and its band keeps it there", 1,
       "gyro:-37,0 *6 gyro:-19.5,0 *1 gyro:-19,0 *1",
       "L L L L | L L L L | L L L L | L L L L | L L L L | | | R |", 0, -9.5f, 1},
      {"arrows and WASD are a d-pad; letting go of one of a pair keeps the other", 1,
       "down:< *1 down:A up:< *1 down:W *1 up:A *1 down:Q up:W *3",
       "L L L L | L L L L | LU LU LU LU | RU RU RU RU | RD RD RD RD | RD RD RD RD | |", 0, 0, 12},
      {"the window losing the keyboard lets go of every key, so a new one is alone", 1,
       "down:v *1 lost *2 down:< *1", "D D D D | U U U U | | L L L L |", 0, -2, 0},
      {"confirm is Enter and back is Esc, at once", 0, "enter *1 esc *1", "Enter | Esc |", 0, 0, 0},
      // A real move after held ones goes the way the real pointer went, from the game's pointer.
      {"a mouse player's own move", 1, "stick:.3,-.3 free-stick mouse:1,-1,1", "", -0.5f, 0.5f, 1},
      {"right and up after four steps", 1, "stick:.3,-.3 *1 free-stick mouse:1,-1,1",
       "RU RU RU RU |", -2.5f, 2.5f, 5},
      {"left and down after four steps", 1, "stick:.3,-.3 *1 free-stick mouse:-1,1,1",
       "RU RU RU RU |", -1.5f, 1.5f, 4},
      {"down after the whole way", 1, "stick:.3,-.3 *3 free-stick mouse:0,1,1",
       "RU RU RU RU | RU RU | R L |", -2.5f, 3.0f, 7},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    play(c.script, c.playing);
    EXPECT_EQ(gStream, c.stream);
    EXPECT_EQ(std::vector<float>({gWorld.tiltX, gWorld.tiltY, gWorld.spinAngle}),
              std::vector<float>({c.tiltX, c.tiltY, c.spin}));
  }
  gWorld.playing = 1;
  input::reset();
}

// A pad turned about one axis at a time, as its gyro reports it: 1 ms
// samples with the jitter of a real one's clock, a gap the pad slept
// through, a clock that steps back, and a level in the middle.
TEST(Gyro, TurnedAngleFromTimestampedSamples) {
  constexpr float kQuarter = 1.5707964f;  // radians a second: 90 degrees
  struct Sample {
    uint64_t us;
    float rate;  // about the case's axis
    bool levelFirst = false;
  };
  using Samples = std::vector<Sample>;
  const auto steady = [](uint64_t from, int count, float rate) {
    Samples out;
    for (int i = 0; i < count; ++i) out.push_back({from + i * 1000ull, rate});
    return out;
  };
  Samples jittered, ramp, slept = steady(0, 101, kQuarter), levelled = slept,
                          back = steady(1000000, 11, kQuarter);
  for (int i = 0; i <= 200; ++i)
    jittered.push_back({5000000 + i * 1000ull + (i % 3 == 1 ? 230 : 0), -kQuarter});
  for (int i = 0; i <= 500; ++i) ramp.push_back({i * 1000ull, i * 0.004f});  // to 2 rad/s evenly
  for (const Sample& s : steady(900000, 101, kQuarter)) slept.push_back(s);
  levelled[50].levelFirst = true;
  back.push_back({500000, kQuarter}), back.push_back({501000, kQuarter});
  const struct {
    const char* what;
    int axis;
    Samples samples;
    float degrees;
  } cases[] = {
      {"a quarter turn a second for 0.2 s, on a jittering clock", 2, jittered, -18.0f},
      {"a turn that speeds up counts its mean speed", 0, ramp, 28.647890f},
      {"a long gap turns nothing", 0, slept, 18.0f},
      {"level in the middle: only what came after", 1, levelled, 4.5f},
      {"a clock that goes back starts again from there", 2, back, 0.99f},
      {"one sample alone turns nothing", 1, steady(7, 1, 3), 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    platform::GyroIntegrator gyro;
    for (const Sample& s : c.samples) {
      if (s.levelFirst) gyro.level();
      float rate[3] = {};
      rate[c.axis] = s.rate;
      gyro.add(s.us, rate);
    }
    for (int axis = 0; axis < 3; ++axis)
      EXPECT_NEAR(gyro.degrees(axis), axis == c.axis ? c.degrees : 0, 1e-3f) << axis;
  }
}

}  // namespace
