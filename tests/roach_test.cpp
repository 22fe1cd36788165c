// The roach's setup, walk, leg cycle and turning rule.
#include "world/roach.h"

#include <gtest/gtest.h>

#include <array>
#include <memory>

#include "tests/gl_harness.h"

namespace {

TEST(Roach, InitSetsEveryPieceAndTheGait) {
  tt::ensureGlContext();  // missing files leave the pieces without meshes
  auto roach = std::make_unique<world::Roach>();
  roach->walkPhase = 4;
  roach->init("a", "b", "c", "d", "e", "f", 12.5f, -3.0f, 217.0f);
  EXPECT_EQ(roach->x, 12.5f);
  EXPECT_EQ(roach->y, -3.0f);
  EXPECT_EQ(roach->heading, 217.0f);
  EXPECT_EQ(roach->speed, 1.4f);
  EXPECT_EQ(roach->walkPhase, 0);
  const float want[8][4] = {{0, 0, 1.5f, 0},          {3, 7, 1.7f, 0},        {4.8f, 2.5f, 2, 3},
                            {0, 2.5f, 2, -3},         {4.4f, 0.5f, 2.5f, -9}, {0.4f, 0.5f, 2.5f, 9},
                            {4.6f, -0.5f, 2.5f, -30}, {0.2f, -0.5f, 2.5f, 30}};
  for (int k = 0; k < 8; ++k) {
    const world::RoachPart& p = roach->parts[k];
    EXPECT_EQ((std::array{p.x, p.y, p.scale, p.rotation}),
              (std::array{want[k][0], want[k][1], want[k][2], want[k][3]}))
        << k;
    EXPECT_NE(p.texture, k ? roach->parts[k - 1].texture : 0u);  // a texture of its own
  }

  // Walking from here: one settling step, then a six-step cycle. Pieces 2..7.
  struct Step {
    int step;
    float legs[6];
    int phase;
  };
  const Step steps[] = {
      {1, {3, -9, -3, 9, -30, 24}, 1},    {2, {11, -5, -7, 7, -28, 28}, 2},
      {3, {13, -1, -11, -1, -26, 32}, 3}, {4, {15, 3, -15, -3, -18, 36}, 4},
      {5, {11, -5, -13, 1, -22, 34}, 5},  {6, {7, -7, -5, 5, -26, 32}, 6},
      {7, {3, -9, -3, 9, -30, 24}, 1},    {10, {15, 3, -15, -3, -18, 36}, 4},
      {13, {3, -9, -3, 9, -30, 24}, 1},
  };
  int walked = 0;
  for (const Step& s : steps) {
    for (; walked < s.step; ++walked) roach->walk();
    for (int k = 0; k < 6; ++k) EXPECT_EQ(roach->parts[k + 2].rotation, s.legs[k]) << s.step;
    EXPECT_EQ(roach->walkPhase, s.phase) << s.step;
    EXPECT_EQ(roach->parts[0].rotation, 0.0f);
    EXPECT_EQ(roach->parts[1].rotation, 0.0f);
  }
}

TEST(Roach, WalkStepsAlongTheHeadingAndOutsideTheCycleOnlyMoves) {
  struct Case {
    float heading, x, y, wantX, wantY;
    int phase;
  };
  const Case cases[] = {
      {0, 0, 0, 0, 1.4f, 7},
      {90, 0, 0, -1.4f, 0, -1},
      {180, 0, 0, 0, -1.4f, 7},
      {270, 0, 0, 1.4f, 0, 100},
      {45, 10, -20, 10 - 0.98994949f, -20 + 0.98994949f, -1},
  };
  for (const Case& c : cases) {
    auto roach = std::make_unique<world::Roach>();
    roach->x = c.x, roach->y = c.y, roach->heading = c.heading, roach->speed = 1.4f;
    roach->walkPhase = c.phase;
    for (int k = 0; k < 8; ++k) roach->parts[k].rotation = k * 5.0f;
    roach->walk();
    // Only the 3.14159 used for pi keeps these from being exact.
    EXPECT_NEAR(roach->x, c.wantX, 1e-5) << c.heading;
    EXPECT_NEAR(roach->y, c.wantY, 1e-5) << c.heading;
    if (c.heading == 0) {
      EXPECT_EQ(roach->y, 1.4f);
    }
    EXPECT_EQ(roach->heading, c.heading);
    EXPECT_EQ(roach->walkPhase, c.phase);
    for (int k = 0; k < 8; ++k) EXPECT_EQ(roach->parts[k].rotation, k * 5.0f);
  }
}

TEST(Roach, SteerAwayTurnsFromWhatLiesWithin110DegreesOfTheHeading) {
  struct Case {
    float heading, dx, dy, factor, want;
  };
  // (0, 1) has bearing exactly 0, so d = 360 - heading exactly.
  const Case cases[] = {
      {0, 0, 1, 1, 357},  // straight ahead: clockwise, wrapped
      {0, 0, 1, 0.3f, 360.0f - 0.3f * 3.0f},
      {250, 0, 1, 1, 247},            // d = 110: clockwise
      {250.1f, 0, 1, 1, 250.1f - 3},  // d = 109.9
      {249.9f, 0, 1, 1, 249.9f},      // d = 110.1: no turn
      {180, 0, 1, 4, 180},            // straight behind
      {110.1f, 0, 1, 1, 110.1f},      // d = 249.9
      {110, 0, 1, 1, 113},            // d = 250: counter-clockwise
      {109.9f, 0, 1, 1, 109.9f + 3},  // d = 250.1
      {0, -1, 0, 1, 357},             // bearing 90, to the left
      {0, 1, 0, 1, 3},                // bearing 270, to the right
      {0, 0, -1, 4, 0},               // bearing 180
      {0, 3, 3, 2, 6},                // bearing 315
      {200, -5, -5, 2, 206},          // bearing 135, d = 295
      {1, -1, 1, 1, 358},             // 1 - 3 wraps to 358
      {359, 1, 0, 4, 11},             // 359 + 12 wraps to 11
      {42, 0, 0, 4, 42},              // zero vector: no direction, no turn
      {360, 0, -1, 1, 360},           // exactly 360 is left as it is
      {360, 0, 0, 1, 360},
  };
  for (const Case& c : cases) {
    world::Roach roach;
    roach.heading = c.heading;
    roach.steerAway(c.dx, c.dy, c.factor);
    EXPECT_EQ(roach.heading, c.want)
        << "heading " << c.heading << " towards " << c.dx << "," << c.dy << " x" << c.factor;
  }
  world::Roach roach;  // successive calls start from the heading left before
  roach.heading = 10;
  roach.steerAway(-1, 0, 1);  // bearing 90: d = 80, then 83
  roach.steerAway(-1, 0, 2);
  EXPECT_EQ(roach.heading, 1.0f);
}

}  // namespace
