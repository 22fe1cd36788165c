// Props and the squash stain: placement, the shared seed, and the stain's
// course as real OpenGL receives it (feedback mode reports what was drawn).
#include "world/props.h"

#include <GL/gl.h>
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstdlib>
#include <functional>
#include <memory>
#include <vector>

#include "platform/runtime.h"
#include "platform/sound.h"
#include "tests/gl_harness.h"

namespace {

using Corner = std::array<float, 3>;

// Corners of every polygon drawn, one list per polygon. The projection maps
// window x, y to eye x, y, and the depth back to eye z.
std::vector<std::vector<Corner>> capture(const std::function<void()>& draw) {
  tt::resetGlState();
  glMatrixMode(GL_PROJECTION);
  glLoadIdentity();
  glOrtho(0, 960, 0, 640, -100, 100);
  glMatrixMode(GL_MODELVIEW);
  static GLfloat b[4096];
  glFeedbackBuffer(4096, GL_3D, b);
  glRenderMode(GL_FEEDBACK);
  draw();
  const GLint n = glRenderMode(GL_RENDER);
  tt::resetGlState();
  std::vector<std::vector<Corner>> polygons;
  for (GLint i = 0; i < n && b[i] == GL_POLYGON_TOKEN; i += 2 + 3 * static_cast<int>(b[i + 1])) {
    polygons.emplace_back();
    for (int k = 0; k < b[i + 1]; ++k) {
      const GLfloat* v = b + i + 2 + 3 * k;
      polygons.back().push_back({v[0], v[1], (0.5f - v[2]) * 200});
    }
  }
  return polygons;
}

// One triangle: the model's origin and the tips of its x and y axes.
void giveAxes(assets::Model& m, float length) {
  m.mesh.vertexCount = 3;
  m.mesh.faceCount = 1;
  m.mesh.vertices[1][0] = m.mesh.vertices[2][1] = length;
  for (int i = 0; i < 3; ++i) m.mesh.faces[0][i] = i;
}

void expectAt(const Corner& v, double x, double y, double z, double tol = 1e-4) {
  EXPECT_NEAR(v[0], x, tol);
  EXPECT_NEAR(v[1], y, tol);
  EXPECT_NEAR(v[2], z, 1e-3);
}

TEST(Prop, InitReseedsFromTheCalendarSecond) {
  tt::ensureGlContext();
  for (unsigned seed : {1700000000u, 42u}) {
    platform::pinCalendarSeconds(seed);
    std::srand(seed);
    const int first = std::rand(), second = std::rand();
    auto a = std::make_unique<world::Prop>(), b = std::make_unique<world::Prop>();
    a->init("no_cup.3ds", "no_clay.bmp", -35.0f, 60.5f);
    std::rand();  // whatever was drawn between two inits does not matter
    b->init("no_cup.3ds", "no_clay.bmp", 1.0f, 2.0f);
    EXPECT_EQ(a->x, -35.0f);
    EXPECT_EQ(a->y, 60.5f);
    EXPECT_EQ(a->rotation, static_cast<float>(first % 360)) << seed;
    EXPECT_EQ(b->rotation, a->rotation);
    EXPECT_EQ(std::rand(), second);  // later draws go on from the fresh seed
  }
  platform::pinCalendarSeconds(std::nullopt);
}

TEST(Prop, DrawsTurnedAboutItsPlaceTwentyAboveTheTable) {
  const float cases[][3] = {{10, 20, 90}, {100, 200, 30}, {400, 300, 0}};  // x, y, rotation
  for (const auto& c : cases) {
    auto prop = std::make_unique<world::Prop>();
    giveAxes(*prop, 1);
    prop->x = c[0], prop->y = c[1], prop->rotation = c[2];
    const auto drawn = capture([&] { prop->draw(); });
    ASSERT_EQ(drawn.size(), 1u);
    ASSERT_EQ(drawn[0].size(), 3u);
    const double r = c[2] * M_PI / 180;
    SCOPED_TRACE(c[2]);
    expectAt(drawn[0][0], c[0], c[1], 20);
    expectAt(drawn[0][1], c[0] + std::cos(r), c[1] + std::sin(r), 20);
    expectAt(drawn[0][2], c[0] - std::sin(r), c[1] + std::cos(r), 20);
  }
}

struct SoundLog {  // what each sound play call was given
  std::vector<std::pair<const uint8_t*, unsigned>> plays;
  SoundLog() {
    platform::setSoundObserver([this](const uint8_t* p, unsigned f, bool) {
      plays.push_back({p, f});
    });
  }
  ~SoundLog() { platform::setSoundObserver(nullptr); }
};

TEST(SquashSpot, GrowsStaysShrinksAndGoesIdleAfterFrame99) {
  uint8_t image[4] = {'R', 'I', 'F', 'F'};
  const assets::SoundClip squash{image, sizeof image};
  auto spot = std::make_unique<world::SquashSpot>();
  giveAxes(*spot, 100);
  spot->squashClip = &squash;
  spot->x = 300, spot->y = 200, spot->rotation = 90;
  spot->scale = 0.6f;  // whatever is left over, frame 1 starts from nothing
  spot->frame = 1;
  SoundLog log;
  float want = 0;
  for (int f = 1; f <= 99; ++f) {
    SCOPED_TRACE(f);
    if (f <= 4) want += 0.25f;
    if (f > 70) want = static_cast<float>(want - 0.03);
    if (f <= 71) {
      EXPECT_EQ(want, f < 4 ? 0.25f * f : f <= 70 ? 1.0f : 0.97f);
    }
    const auto drawn = capture([&] { spot->animate(); });
    ASSERT_EQ(drawn.size(), 1u);
    // Turned by 90 degrees: the model's x axis points along +y.
    expectAt(drawn[0][0], 300, 200, 5.5);
    expectAt(drawn[0][1], 300, 200 + 100 * want, 5.5, 2e-4);
    expectAt(drawn[0][2], 300 - 100 * want, 200, 5.5, 2e-4);
    EXPECT_EQ(log.plays.size(), 1u);
    if (f < 99) {
      EXPECT_EQ(spot->scale, want);
      EXPECT_EQ(spot->frame, f + 1);
    }
  }
  EXPECT_EQ(log.plays[0], std::make_pair(static_cast<const uint8_t*>(image), 5u));
  EXPECT_NEAR(want, 0.13, 1e-5);
  EXPECT_EQ((std::array{spot->x, spot->y, spot->scale, spot->rotation}),
            (std::array{0.f, 0.f, 0.f, 0.f}));
  EXPECT_EQ(spot->frame, 0);
  EXPECT_TRUE(capture([&] { spot->animate(); }).empty());
  EXPECT_EQ(log.plays.size(), 1u);

  spot->frame = 1;  // started again: sound once more
  for (int i = 0; i < 30; ++i) spot->animate();
  EXPECT_EQ(log.plays.size(), 2u);
  spot->x = 500, spot->y = 300;
  spot->frame = 1;  // squashed again while the stain shows
  const auto drawn = capture([&] { spot->animate(); });
  EXPECT_EQ(spot->scale, 0.25f);
  EXPECT_EQ(log.plays.size(), 3u);
  ASSERT_EQ(drawn.size(), 1u);
  // The idle stain lost its rotation, so the x axis points along +x again.
  expectAt(drawn[0][1], 525, 300, 5.5);
}

TEST(SquashSpot, IdleStaysUnchangedAndInitMakesIdle) {
  uint8_t image[4] = {};
  const assets::SoundClip squash{image, sizeof image};
  SoundLog log;
  for (int idle : {0, -3}) {
    world::SquashSpot spot;
    spot.squashClip = &squash;
    spot.x = 7, spot.y = 8, spot.scale = 0.5f, spot.rotation = 9, spot.frame = idle;
    for (int i = 0; i < 3; ++i) EXPECT_TRUE(capture([&] { spot.animate(); }).empty());
    EXPECT_EQ((std::array{spot.x, spot.y, spot.scale, spot.rotation}),
              (std::array{7.f, 8.f, 0.5f, 9.f}));
    EXPECT_EQ(spot.frame, idle);
    spot.frame = 40;
    spot.init("no_spot.3ds", "no_spot.bmp");
    EXPECT_EQ((std::array{spot.x, spot.y, spot.scale, spot.rotation}),
              (std::array{0.f, 0.f, 0.f, 0.f}));
    EXPECT_EQ(spot.frame, 0);
  }
  EXPECT_TRUE(log.plays.empty());
}

}  // namespace
