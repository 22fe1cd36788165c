// The mouse tilt rule, Esc and the close request, through windowProc.
#include "shell/window_proc.h"

#include <gtest/gtest.h>

#include <vector>

#include "game/world_state.h"
#include "platform/platform.h"

namespace {

using game::gWorld;

struct Point {
  int x, y;
};

void resetInput() {
  gWorld.tiltX = 0.0f;
  gWorld.tiltY = 0.0f;
  gWorld.spinAngle = 0.0f;
  gWorld.lastMouseX = game::kStartMouseX;
  gWorld.lastMouseY = game::kStartMouseY;
  gWorld.playing = 1;
}

void move(int x, int y) {
  shell::windowProc(nullptr, platform::kMsgMouseMove, 0, platform::packPoint(x, y));
}

// Drains the quit the procedure may have posted; returns whether there was one.
bool quitPosted() {
  platform::Message m;
  bool quit = false;
  while (platform::peekMessage(m)) quit = quit || m.code == platform::kMsgQuit;
  return quit;
}

TEST(MouseTilt, EachMessageStepsEachTiltByHalfADegree) {
  struct Case {
    const char* name;
    Point start;
    std::vector<Point> moves;
    float tiltX, tiltY, spin;
  };
  const std::vector<Case> cases = {
      {"first move from the start position lowers both", {530, 400}, {{480, 380}}, -0.5f, -0.5f, 0},
      {"no movement changes nothing", {100, 100}, {{100, 100}, {100, 100}}, 0, 0, 0},
      {"a jump of hundreds of pixels is one step", {0, 0}, {{900, 600}}, 0.5f, 0.5f, 1},
      {"diagonal moves both", {100, 100}, {{110, 90}, {120, 80}}, -1.0f, 1.0f, 2},
      {"down raises tiltX", {100, 100}, {{100, 101}, {100, 102}, {100, 103}}, 1.5f, 0, 0},
      {"left lowers tiltY and leaves the spin", {500, 100}, {{499, 100}, {498, 100}}, 0, -1.0f, 0},
      {"right then back left", {100, 100}, {{101, 100}, {100, 100}}, 0, 0, 1},
      // Client coordinates are signed 16-bit: a move beyond the left edge is negative.
      {"negative coordinates", {5, 5}, {{-3, -4}}, -0.5f, -0.5f, 0},
  };
  for (const Case& c : cases) {
    resetInput();
    gWorld.lastMouseX = c.start.x;
    gWorld.lastMouseY = c.start.y;
    for (Point p : c.moves) move(p.x, p.y);
    EXPECT_EQ(gWorld.tiltX, c.tiltX) << c.name;
    EXPECT_EQ(gWorld.tiltY, c.tiltY) << c.name;
    EXPECT_EQ(gWorld.spinAngle, c.spin) << c.name;
    EXPECT_EQ(gWorld.lastMouseX, c.moves.back().x) << c.name;
    EXPECT_EQ(gWorld.lastMouseY, c.moves.back().y) << c.name;
  }
}

TEST(MouseTilt, TiltsStopAtExactlyTenWhileTheSpinKeepsRising) {
  resetInput();
  gWorld.lastMouseX = 0;
  for (int i = 1; i <= 30; ++i) {
    move(i, 400);
    EXPECT_EQ(gWorld.tiltY, i < 20 ? 0.5f * i : 10.0f);
    EXPECT_EQ(gWorld.spinAngle, static_cast<float>(i));
  }
  for (int i = 1; i <= 50; ++i) move(30 - i, 400 - i);
  EXPECT_EQ(gWorld.tiltY, -10.0f);
  EXPECT_EQ(gWorld.tiltX, -10.0f);
  EXPECT_EQ(gWorld.spinAngle, 30.0f);
  for (int i = 1; i <= 50; ++i) move(0, 350 + i);
  EXPECT_EQ(gWorld.tiltX, 10.0f);
}

TEST(WindowMessages, EscQuitsDuringARoundAndRestartsOnTheBoard) {
  quitPosted();
  resetInput();
  gWorld.playing = 1;
  shell::windowProc(nullptr, platform::kMsgKeyDown, platform::kKeyEscape, 0);
  EXPECT_TRUE(quitPosted());
  EXPECT_EQ(gWorld.playing, 1);

  // A held Esc on the board: the first key-down restarts, the repeat quits.
  gWorld.playing = 0;
  gWorld.roundTimer = 0;
  gWorld.score = 4;
  gWorld.tiltX = 3.0f;
  shell::windowProc(nullptr, platform::kMsgKeyDown, platform::kKeyEscape, 0);
  EXPECT_FALSE(quitPosted());
  EXPECT_EQ(gWorld.playing, 1);
  EXPECT_EQ(gWorld.roundTimer, 3000);
  EXPECT_EQ(gWorld.score, 0);
  EXPECT_EQ(gWorld.tiltX, 0.0f);
  shell::windowProc(nullptr, platform::kMsgKeyDown, platform::kKeyEscape, 0x40000000);
  EXPECT_TRUE(quitPosted());
}

TEST(WindowMessages, OtherKeysDoNothingAndCloseQuits) {
  quitPosted();
  resetInput();
  for (uintptr_t key :
       {uintptr_t{'A'}, uintptr_t{' '}, uintptr_t{0x0D}, uintptr_t{platform::kKeyF4}}) {
    EXPECT_EQ(shell::windowProc(nullptr, platform::kMsgKeyDown, key, 0), 0);
  }
  EXPECT_FALSE(quitPosted());
  gWorld.playing = 0;
  shell::windowProc(nullptr, platform::kMsgKeyDown, 'A', 0);
  EXPECT_EQ(gWorld.playing, 0);
  EXPECT_EQ(shell::windowProc(nullptr, platform::kMsgDestroy, 0, 0), 0);
  EXPECT_FALSE(quitPosted());
  EXPECT_EQ(shell::windowProc(nullptr, platform::kMsgClose, 0, 0), 0);
  EXPECT_TRUE(quitPosted());
}

TEST(WindowMessages, AltF4AsksTheWindowToClose) {
  quitPosted();
  shell::windowProc(nullptr, platform::kMsgSysKeyDown, platform::kKeyF4, 0);
  platform::Message m;
  ASSERT_TRUE(platform::peekMessage(m));
  EXPECT_EQ(m.code, platform::kMsgClose);
}

}  // namespace
