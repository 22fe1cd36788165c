// The game's pieces: the ball's motion, rolling and bounce, the roach's walk and turning rule,
// props and the squash stain, and bitmap-font lines. What gets drawn is read back from real
// OpenGL: feedback mode reports every corner with its texture coordinate.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/gl.h"
#include "platform/runtime.h"
#include "platform/sound.h"
#include "tests/gl_harness.h"
#include "text/text.h"
#include "world/ball.h"
#include "world/props.h"
#include "world/roach.h"

namespace {

using tt::Plays;
using tt::SoundLog;

// vx vy tiltX tiltY and a vertex, then the wanted vx vy and where the vertex goes: the tilt is
// added until a component is above the limit, which then is exactly the limit; a frame turns each
// vertex about +z cross the direction of travel by speed / 10 radians.
TEST(Ball, UpdateAddsTiltUnderTheLimitAndRollsAsABallOfRadiusTen) {
  const float cases[][12] = {
      {2.2f, 0, 0, 10, 0, 0, 0, 2.2f + 10 * 0.0035, 0, 0, 0, 0},  // 2.2 still tilts (in double)
      {-1, 1, 5, -4, 0, 0, 0, -1 - 4 * 0.0035, 1 - 5 * 0.0035, 0, 0, 0},  // y pulls vx, x pushes vy
      {2.25f, -2.3f, -10, 10, 0, 0, 0, 2.2f, -2.2f, 0, 0, 0},
      {0, 0, 0, 0, 0, 0, -9.25f, 0, 0, 0, 0, -9.25f},  // at rest nothing turns (no NaN axis)
      {1, 0, 0, 0, 0, 0, 9, 1, 0, 0.8985008f, 0, 8.95503807f},  // cos 0.1 rounded to float first
      {0, -2, 0, 0, 0, 0, 10, 0, -2, 0, -1.98669326f, 9.80066586f},
      {1.5f, -2, 0, 0, 10, 0, 0, 1.5f, -2, 9.88808441f, 0.149220377f, -1.48442376f},
      {-2.2f, 2.2f, 0, 0, 3, -4, 5, -2.2f, 2.2f, 1.74962306f, -2.74962306f, 6.27522039f},
  };
  for (const auto& c : cases) {
    auto ball = std::make_unique<world::Ball>();
    ball->vx = c[0], ball->vy = c[1], ball->x = 3, ball->y = -4, ball->mesh.vertexCount = 1;
    std::copy(c + 4, c + 7, ball->mesh.vertices[0]);
    ball->update(c[2], c[3]);
    const float* v = ball->mesh.vertices[0];
    EXPECT_EQ((std::array{ball->vx, ball->vy, ball->x, ball->y, v[0], v[1], v[2]}),
              (std::array{c[7], c[8], 3 + c[7], -4 + c[8], c[9], c[10], c[11]}))
        << &c - cases;
  }
}

TEST(Ball, BounceMirrorsTheVelocityAndStepsOneUnitAwayWithABump) {
  // Ball x y vx vy, obstacle x y, and the tolerance the 3.14159 and 6.28318 constants need; 0:
  // no centre line or a ball at rest, no direction to mirror about, so nothing changes (no NaN).
  const float cases[][7] = {
      {0, -30, 0, 2, 0, 0, 1e-5f},     // head on from below
      {-10, 0, 2, 2, 0, 0, 1e-5f},     // centre line along +x: a is 0, not 6.28318
      {-20, -20, 2, 0, 0, 0, 1e-5f},   // diagonal centre line
      {0, -30, 0, -2, 0, 0, 5e-5f},    // already moving away: mirrored all the same
      {10, 0, -1, 0.5f, 0, 0, 5e-5f},  // centre line along -x
      {95, -40, -1.7f, -0.4f, 80, -52, 5e-5f},
      {4, 6, 1.5f, -0.5f, 4, 6, 0},
      {4, 6, 0, 0, 16, 1, 0},
  };
  uint8_t image[4] = {'R', 'I', 'F', 'F'};
  const assets::SoundClip bump{image, sizeof image};
  for (const auto& c : cases) {
    SCOPED_TRACE(&c - cases);
    world::Ball ball;
    ball.x = c[0], ball.y = c[1], ball.vx = c[2], ball.vy = c[3], ball.bumpClip = &bump;
    const long double dx = c[4] - c[0], dy = c[5] - c[1];
    const long double d = c[6] ? std::hypot(dx, dy) : INFINITY;  // no direction: no change
    const long double nx = dx / d, ny = dy / d, dot = c[2] * nx + c[3] * ny;
    SoundLog log;
    ball.bounce(c[4] - c[0], c[5] - c[1]);
    const double landing = &c - cases < 2 || !c[6] ? 0 : 1e-5;  // the first two land exactly
    EXPECT_NEAR(ball.vx, c[2] - 2 * dot * nx, c[6]);
    EXPECT_NEAR(ball.vy, c[3] - 2 * dot * ny, c[6]);
    EXPECT_NEAR(ball.x, c[0] - nx, landing);
    EXPECT_NEAR(ball.y, c[1] - ny, landing);
    EXPECT_EQ(log.plays, (c[6] ? Plays{{image, 5}} : Plays{}));
  }
}

TEST(Roach, InitPlacesItAndTheLegsSwingInASixStepCycle) {
  tt::ensureGlContext();  // missing files leave the pieces without meshes
  auto roach = std::make_unique<world::Roach>();
  roach->walkPhase = 4;
  roach->init("a", "b", "c", "d", "e", "f", 12.5f, -3.0f, 217.0f);
  EXPECT_EQ((std::array{roach->x, roach->y, roach->heading, roach->speed}),
            (std::array{12.5f, -3.0f, 217.0f, 1.4f}));
  // One settling step, then a cycle of six. Steps walked, phase, then the turns of pieces 2..7.
  const float steps[][8] = {{1, 1, 3, -9, -3, 9, -30, 24},
                            {4, 4, 15, 3, -15, -3, -18, 36},
                            {7, 1, 3, -9, -3, 9, -30, 24}};
  for (int walked = 0; const auto& s : steps) {
    for (; walked < s[0]; ++walked) roach->walk();
    EXPECT_EQ(roach->walkPhase, s[1]);
    for (int k = 2; k < 8; ++k) EXPECT_EQ(roach->parts[k].rotation, s[k]) << "step " << s[0];
  }
}

TEST(Roach, WalkStepsAlongTheHeadingAndOutsideTheCycleOnlyMoves) {
  // Heading, the wanted x and y (pi taken as 3.14159 leaves the crumbs), and a phase outside 0..6.
  const float cases[][4] = {
      {0, 0, 1.4f, 7}, {90, -1.4f, 1.77462709e-6f, -1}, {180, -3.54925419e-6f, -1.4f, 100}};
  for (const auto& c : cases) {
    auto roach = std::make_unique<world::Roach>();
    roach->heading = c[0], roach->speed = 1.4f;
    roach->walkPhase = static_cast<int>(c[3]);
    for (int k = 0; k < 8; ++k) roach->parts[k].rotation = k * 5.0f;
    roach->walk();
    EXPECT_EQ(std::make_pair(roach->x, roach->y), std::make_pair(c[1], c[2])) << c[0];
    EXPECT_EQ(roach->walkPhase, c[3]);
    for (int k = 0; k < 8; ++k) EXPECT_EQ(roach->parts[k].rotation, k * 5.0f);
  }
}

TEST(Roach, SteerAwayTurnsFromWhatLiesWithin110DegreesOfTheHeading) {
  // Heading, direction, factor, wanted heading. (0, 1) has bearing exactly 0, so d = 360 - heading.
  const float cases[][5] = {
      {0, 0, 1, 1, 357},          // d = 0: clockwise, wrapped
      {250, 0, 1, 1, 247},        // d = 110: clockwise
      {249.9f, 0, 1, 1, 249.9f},  // d = 110.1: no turn
      {180, 0, 1, 4, 180},        // d = 180, straight behind
      {110, 0, 1, 1, 113},        // d = 250: counter-clockwise
      {200, -5, -5, 2, 206},      // bearing 135, d = 295
      {1, -1, 1, 1, 358},         // bearing 45: 1 - 3 wraps to 358
      {359, 1, 0, 4, 11},         // bearing 270: 359 + 12 wraps to 11
      {42, 0, 0, 4, 42},          // zero vector: no direction, no turn
      {357, 1, 0, 1, 360},        // bearing 270: a heading of exactly 360 stays
  };
  for (const auto& c : cases) {
    world::Roach roach;
    roach.heading = c[0];
    roach.steerAway(c[1], c[2], c[3]);
    EXPECT_EQ(roach.heading, c[4]) << c[0] << " towards " << c[1] << "," << c[2] << " x" << c[3];
  }
}

using tt::capture;
using tt::Polygons;

struct FreshGl {  // the fixed state before and after
  FreshGl() { tt::resetGlState(); }
  ~FreshGl() { tt::resetGlState(); }
};

// One triangle: the model's origin and the tips of its x and y axes.
void giveAxes(assets::Model& m, float length) {
  m.mesh.vertexCount = 3;
  m.mesh.faceCount = 1;
  m.mesh.vertices[1][0] = m.mesh.vertices[2][1] = length;
  for (int i = 0; i < 3; ++i) m.mesh.faces[0][i] = i;
}

void expectTriangle(const Polygons& drawn, const std::array<std::array<double, 3>, 3>& want) {
  ASSERT_EQ(drawn.size(), 1u);
  ASSERT_EQ(drawn[0].size(), 3u);
  for (int i = 0; i < 3; ++i) {
    EXPECT_NEAR(drawn[0][i].x, want[i][0], 1e-4) << i;
    EXPECT_NEAR(drawn[0][i].y, want[i][1], 1e-4) << i;
    EXPECT_NEAR(drawn[0][i].z, want[i][2], 1e-3) << i;
  }
}

TEST(Prop, InitReseedsFromTheCalendarSecondAndDrawsTurnedTwentyAboveItsPlace) {
  FreshGl gl;
  platform::pinCalendarSeconds(1700000000);
  std::srand(1700000000);
  const int first = std::rand(), second = std::rand();
  auto a = std::make_unique<world::Prop>(), b = std::make_unique<world::Prop>();
  a->init("no_cup.3ds", "no_clay.bmp", -35.0f, 60.5f);
  std::rand();  // whatever was drawn between two inits does not matter
  b->init("no_cup.3ds", "no_clay.bmp", 1.0f, 2.0f);
  platform::pinCalendarSeconds(std::nullopt);
  EXPECT_EQ((std::array{a->x, a->y, a->rotation, b->rotation}),
            (std::array{-35.0f, 60.5f, static_cast<float>(first % 360),
                        static_cast<float>(first % 360)}));
  EXPECT_EQ(std::rand(), second);  // later draws go on from the fresh seed

  giveAxes(*a, 1);
  a->x = 10, a->y = 20, a->rotation = 90;  // the x axis along +y, the y axis along -x
  expectTriangle(capture([&] { a->draw(); }), {{{10, 20, 20}, {10, 21, 20}, {9, 20, 20}}});
}

// The ball's centre stands 14 above its place; the roach's middle 8 above its place, turned by its
// heading, each piece scaled and turned about that middle with its offset in its own frame.
TEST(Drawing, TheBallAndTheRoachLandAboveTheirPlaces) {
  FreshGl gl;
  auto ball = std::make_unique<world::Ball>();
  giveAxes(*ball, 10);
  ball->x = 100, ball->y = -50;
  expectTriangle(capture([&] { ball->draw(); }, -480, -320),
                 {{{100, -50, 14}, {110, -50, 14}, {100, -40, 14}}});
  auto roach = std::make_unique<world::Roach>();
  roach->x = 100, roach->y = 50, roach->heading = 90;
  for (world::RoachPart& part : roach->parts) giveAxes(part, 1);
  roach->parts[0].x = 1, roach->parts[0].scale = 2, roach->parts[0].rotation = 90;
  const Polygons drawn = capture([&] { roach->draw(); }, -480, -320);
  ASSERT_EQ(drawn.size(), 8u);
  expectTriangle({drawn[0]}, {{{98, 50, 6.4}, {96, 50, 6.4}, {98, 48, 6.4}}});
  for (int k = 1; k < 8; ++k) EXPECT_NEAR(drawn[k][0].z, 8, 1e-3) << k;  // scale 0: at the middle
}

TEST(SquashSpot, GrowsStaysShrinksAndGoesIdleAfterItsNinetyNinthDrawing) {
  FreshGl gl;
  uint8_t image[4] = {'R', 'I', 'F', 'F'};
  const assets::SoundClip squash{image, sizeof image};
  auto spot = std::make_unique<world::SquashSpot>();
  giveAxes(*spot, 100);
  spot->squashClip = &squash;
  spot->x = 300, spot->y = 200, spot->rotation = 90;
  spot->scale = 0.6f;  // whatever is left over, frame 1 starts from nothing
  spot->frame = 1;
  SoundLog log;
  expectTriangle(capture([&] { spot->animate(); }),
                 {{{300, 200, 5.5}, {300, 225, 5.5}, {275, 200, 5.5}}});
  // The scale after each frame: a quarter more up to frame 4, 0.03 less (in double) from 71.
  const std::map<int, float> scales = {{3, 0.75f}, {4, 1}, {70, 1}, {71, 0.97f}, {98, 0.16f}};
  for (int f = 2; f <= 98; ++f) {
    spot->animate();
    EXPECT_TRUE(!scales.count(f) || std::fabs(spot->scale - scales.at(f)) < 1e-5) << f;
  }
  EXPECT_EQ(spot->frame, 99);
  spot->animate();
  EXPECT_EQ((std::array{spot->x, spot->y, spot->scale, spot->rotation}),
            (std::array{0.f, 0.f, 0.f, 0.f}));
  EXPECT_EQ(spot->frame, 0);
  EXPECT_TRUE(capture([&] { spot->animate(); }).empty());
  EXPECT_EQ(log.plays, (Plays{{image, 5}}));
}

struct FontTexture : FreshGl {  // a font name of its own, the previous one put back after
  GLuint name = 0, previous = text::fontTexture();
  FontTexture() { glGenTextures(1, &name), text::setFontTexture(name); }
  ~FontTexture() { text::setFontTexture(previous), glDeleteTextures(1, &name); }
};

TEST(DrawText, EachCharacterIsASquareCutFromItsGlyphCell) {
  FontTexture font;
  struct Case {
    std::string text;
    float size, x, y, z, angle;
    std::string shown;  // as the cells read
  };
  const Case cases[] = {
      {"A ~Hi9!0", 10, 100, 50, 0, 0, "A ~Hi9!0"},
      {"W\xe9\x1f", 12.5f, -200, -100, 5, 0, "WW)"},  // signed bytes: cells -55 and -1, wrapped
      {"299", 7.5f, 13.3f, 40, -3, 180, "299"},       // turned: runs toward -x
  };
  for (const Case& c : cases) {
    glBindTexture(GL_TEXTURE_2D, 0);
    const auto drawn = capture(
        [&] { text::drawText(c.size, c.x, c.y, c.z, c.angle, c.text.c_str()); }, -480, -320);
    EXPECT_EQ(tt::readText(drawn),
              std::vector<tt::TextLine>({{c.shown, c.size, c.x, c.y, c.z, c.angle ? -1 : 1}}));
    GLint bound = 0;
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
    EXPECT_EQ(static_cast<GLuint>(bound), font.name);
  }
  // Each square's corners take exactly their cell's corners: ~ is in row 9, column 4; the byte
  // 233 (-23) wraps onto the cell of W from s -0.5, t 1.4.
  const struct {
    const char* text;
    float s0, tBottom;
  } cells[] = {{"A", 0.3f, 0.6f}, {" ", 0.0f, 0.9f}, {"~", 0.4f, 0.0f}, {"\xe9", -0.5f, 1.4f}};
  for (const auto& cell : cells) {
    SCOPED_TRACE(cell.text);
    const Polygons drawn = capture([&] { text::drawText(10, 0, 0, 0, 0, cell.text); });
    ASSERT_FALSE(drawn.empty());
    for (const auto& polygon : drawn) {
      for (const tt::Corner& k : polygon) {
        EXPECT_NEAR(k.s, cell.s0 + (k.x > 5 ? 0.1f : 0.0f), 1e-6) << k.x << "," << k.y;
        EXPECT_NEAR(k.t, cell.tBottom + (k.y > 5 ? 0.1f : 0.0f), 1e-6) << k.x << "," << k.y;
        EXPECT_NEAR(std::fabs(k.x - 5), 5, 1e-4);
        EXPECT_NEAR(std::fabs(k.y - 5), 5, 1e-4);
      }
    }
  }
  EXPECT_TRUE(capture([] { text::drawText(10, 5, 5, 5, 0, ""); }).empty());
  glTranslatef(5, -7, 1);  // the caller's matrix is the same afterwards
  glRotatef(20, 0, 0, 1);
  GLfloat before[16], after[16];
  glGetFloatv(GL_MODELVIEW_MATRIX, before);
  text::drawText(3, 1, 2, 3, 45, "Hi");
  glGetFloatv(GL_MODELVIEW_MATRIX, after);
  EXPECT_TRUE(std::equal(before, before + 16, after));
}

}  // namespace
