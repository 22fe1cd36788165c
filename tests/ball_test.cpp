// The ball's motion, rolling and bounce, pinned to the game's numbers.
#include "world/ball.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <vector>

#include "platform/sound.h"

namespace {

// The flags of every sound play call made while alive.
struct SoundLog {
  std::vector<unsigned> flags;
  SoundLog() {
    platform::setSoundObserver([this](const uint8_t*, unsigned f, bool) { flags.push_back(f); });
  }
  ~SoundLog() { platform::setSoundObserver(nullptr); }
};

TEST(Ball, UpdateAddsTiltUntilAComponentIsAboveTheLimit) {
  struct Case {
    float vx, vy, tiltX, tiltY, wantVx, wantVy;
  };
  const Case cases[] = {
      // 2.2 itself still takes the tilt, so it may pass the limit for a frame.
      {2.2f, 0, 0, 10, static_cast<float>(2.2f + 10 * 0.0035), 0},
      {0, -2.2f, 10, 0, 0, static_cast<float>(-2.2f - 10 * 0.0035)},
      {-1, 1, 5, -4, static_cast<float>(-1 - 4 * 0.0035), static_cast<float>(1 - 5 * 0.0035)},
      // Above it: back to exactly 2.2 with the sign, the tilt ignored even if it would slow.
      {2.25f, -2.3f, -10, 10, 2.2f, -2.2f},
      {2.25f, 0, 0, -10, 2.2f, 0},
      {-2.3f, 2.21f, -3, 7, -2.2f, 2.2f},
      {0, 0, 0, 0, 0, 0},
  };
  for (const Case& c : cases) {
    auto ball = std::make_unique<world::Ball>();
    ball->vx = c.vx, ball->vy = c.vy, ball->x = 3, ball->y = -4;
    ball->mesh.vertexCount = 1;
    ball->mesh.vertices[0][0] = 1.5f, ball->mesh.vertices[0][2] = -9.25f;
    ball->mesh.vertices[1][2] = 10;  // past the count: never turned
    ball->update(c.tiltX, c.tiltY);
    SCOPED_TRACE(testing::Message()
                 << c.vx << "," << c.vy << " tilt " << c.tiltX << "," << c.tiltY);
    EXPECT_EQ(ball->vx, c.wantVx);
    EXPECT_EQ(ball->vy, c.wantVy);
    EXPECT_EQ(ball->x, 3 + c.wantVx);
    EXPECT_EQ(ball->y, -4 + c.wantVy);
    EXPECT_EQ(ball->mesh.vertices[1][2], 10.0f);
    if (c.wantVx == 0 && c.wantVy == 0) {  // at rest the vertices keep their values exactly
      EXPECT_EQ(ball->mesh.vertices[0][0], 1.5f);
      EXPECT_EQ(ball->mesh.vertices[0][2], -9.25f);
    }
  }
  EXPECT_NEAR(cases[0].wantVx, 2.235, 1e-6);
}

TEST(Ball, RollsItsVerticesAsABallOfRadiusTenWithoutSliding) {
  // Along +x at speed 1 the top goes forward by 10 sin 0.1, and turns add up.
  auto ball = std::make_unique<world::Ball>();
  ball->mesh.vertexCount = 1;
  ball->mesh.vertices[0][2] = 10;
  ball->vx = 1;
  ball->update(0, 0);
  EXPECT_NEAR(ball->mesh.vertices[0][0], 0.998334, 1e-5);
  EXPECT_NEAR(ball->mesh.vertices[0][1], 0.0, 1e-6);
  EXPECT_NEAR(ball->mesh.vertices[0][2], 9.950042, 1e-5);
  ball->update(0, 0);
  EXPECT_NEAR(ball->mesh.vertices[0][0], 10 * std::sin(0.2), 1e-5);
  EXPECT_NEAR(ball->mesh.vertices[0][2], 10 * std::cos(0.2), 1e-5);

  const float velocities[][2] = {{0, 1}, {-1.5f, 2}, {2.2f, -2.2f}, {-0.3f, -0.05f}};
  const float points[][3] = {{0, 0, 10}, {10, 0, 0}, {3, -4, 5}, {-6, 8, 0}, {0, 0, -10}};
  for (const auto& v : velocities) {
    auto b = std::make_unique<world::Ball>();
    b->vx = v[0], b->vy = v[1];
    b->mesh.vertexCount = 5;
    std::copy(&points[0][0], &points[0][0] + 15, &b->mesh.vertices[0][0]);
    b->update(0, 0);
    // Rodrigues' rotation by s / 10 about +z cross the direction of travel.
    const long double s = std::hypot(static_cast<long double>(v[0]), v[1]), a = s / 10;
    const long double k[3] = {-v[1] / s, v[0] / s, 0};
    for (int i = 0; i < 5; ++i) {
      const float* p = points[i];
      const long double dot = k[0] * p[0] + k[1] * p[1];
      const long double cross[3] = {k[1] * p[2], -k[0] * p[2], k[0] * p[1] - k[1] * p[0]};
      for (int j = 0; j < 3; ++j)
        EXPECT_NEAR(b->mesh.vertices[i][j],
                    p[j] * std::cos(a) + cross[j] * std::sin(a) + k[j] * dot * (1 - std::cos(a)),
                    1e-5)
            << v[0] << "," << v[1] << " #" << i;
    }
  }
}

TEST(Ball, BounceMirrorsTheVelocityAndStepsOneUnitAwayWithABump) {
  struct Case {
    float x, y, vx, vy, ox, oy;
    double tol;  // the 3.14159 and 6.28318 constants bend the mirror slightly
  };
  const Case cases[] = {
      {0, -30, 0, 2, 0, 0, 1e-5},     // head on from below
      {-10, 0, 1, 1, 0, 0, 1e-5},     // centre line along +x
      {-20, -20, 2, 0, 0, 0, 1e-5},   // diagonal centre line
      {0, -30, 0, -2, 0, 0, 5e-5},    // already moving away: mirrored all the same
      {10, 0, -1, 0.5f, 0, 0, 5e-5},  // centre line along -x
      {0, 30, 0.5f, -2, 0, 0, 5e-5},  // obstacle below the ball
      {95, -40, -1.7f, -0.4f, 80, -52, 5e-5},
      {-61, 18, 2.2f, 2.2f, -70, 31, 8e-5},
  };
  uint8_t image[8] = {'R', 'I', 'F', 'F'};
  const assets::SoundClip bump{image, sizeof image};
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message()
                 << "ball " << c.x << "," << c.y << " v " << c.vx << "," << c.vy);
    world::Ball ball;
    ball.x = c.x, ball.y = c.y, ball.vx = c.vx, ball.vy = c.vy;
    ball.bumpClip = &bump;
    const long double dx = c.ox - c.x, dy = c.oy - c.y, d = std::hypot(dx, dy);
    const long double nx = dx / d, ny = dy / d, dot = c.vx * nx + c.vy * ny;
    SoundLog log;
    ball.bounce(c.ox - c.x, c.oy - c.y);
    EXPECT_NEAR(ball.vx, c.vx - 2 * dot * nx, c.tol);
    EXPECT_NEAR(ball.vy, c.vy - 2 * dot * ny, c.tol);
    EXPECT_NEAR(std::hypot(ball.vx, ball.vy), std::hypot(c.vx, c.vy), 2e-6);
    EXPECT_NEAR(ball.x, c.x - nx, 1e-5);
    EXPECT_NEAR(ball.y, c.y - ny, 1e-5);
    EXPECT_EQ(log.flags, std::vector<unsigned>{5});
  }
  world::Ball ball;  // the first two worked examples land exactly
  ball.y = -30, ball.vy = 2;
  ball.bounce(0, 30);
  EXPECT_EQ(ball.x, 0.0f);
  EXPECT_EQ(ball.y, -31.0f);
  ball.x = -10, ball.y = 0, ball.vx = 1, ball.vy = 1;
  ball.bounce(10, 0);
  EXPECT_EQ(ball.x, -11.0f);
  EXPECT_EQ(ball.y, 0.0f);
}

TEST(Ball, BounceWithNoCentreLineOrAtRestLeavesTheBallAlone) {
  uint8_t image[4] = {};
  const assets::SoundClip bump{image, sizeof image};
  const float cases[][4] = {{1.5f, -0.5f, 0, 0}, {0, 0, 12, -5}, {0, 0, 0, 0}};  // vx vy dx dy
  for (const auto& c : cases) {
    world::Ball ball;
    ball.x = 4, ball.y = 6, ball.vx = c[0], ball.vy = c[1];
    ball.bumpClip = &bump;
    SoundLog log;
    ball.bounce(c[2], c[3]);
    EXPECT_EQ(ball.x, 4.0f);
    EXPECT_EQ(ball.y, 6.0f);
    EXPECT_EQ(ball.vx, c[0]);
    EXPECT_EQ(ball.vy, c[1]);
    EXPECT_TRUE(log.flags.empty());
  }
}

}  // namespace
