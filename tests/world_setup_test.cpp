// Start-up placement and the restart of a round, with the clock pinned so the
// random draws can be replayed here from the same seed.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <functional>

#include "game/world_state.h"
#include "platform/runtime.h"
#include "tests/gl_harness.h"
#include "text/text.h"

namespace {

using game::gWorld;

bool haveData() {
  std::FILE* f = std::fopen((tt::dataDir() + "/table.3ds").c_str(), "rb");
  if (f) std::fclose(f);
  return f != nullptr;
}

long fileSize(const char* name) {
  std::FILE* f = std::fopen((tt::dataDir() + "/" + name).c_str(), "rb");
  if (!f) return -1;
  std::fseek(f, 0, SEEK_END);
  const long size = std::ftell(f);
  std::fclose(f);
  return size;
}

struct Placement {
  float ballX, cupX[4], heading;
};

void expectPlacement(const Placement& p, const char* what) {
  EXPECT_EQ(gWorld.ball.x, p.ballX) << what;
  EXPECT_EQ(gWorld.ball.y, -80.0f) << what;
  EXPECT_EQ(gWorld.ball.vx, 0.0f) << what;
  EXPECT_EQ(gWorld.ball.vy, 0.0f) << what;
  const float cupY[4] = {70, -42, -70, 40};
  for (int k = 0; k < 4; ++k) {
    EXPECT_EQ(gWorld.cups[k].x, p.cupX[k]) << what << " cup " << k;
    EXPECT_EQ(gWorld.cups[k].y, cupY[k]) << what << " cup " << k;
  }
  EXPECT_EQ(gWorld.roach.x, 0.0f) << what;
  EXPECT_EQ(gWorld.roach.y, 0.0f) << what;
  EXPECT_EQ(gWorld.roach.heading, p.heading) << what;
  EXPECT_EQ(gWorld.squashSpot.frame, 0) << what;
  EXPECT_EQ(gWorld.squashSpot.x, 0.0f) << what;
  EXPECT_EQ(gWorld.squashSpot.y, 0.0f) << what;
  EXPECT_EQ(gWorld.squashSpot.scale, 0.0f) << what;
  EXPECT_EQ(gWorld.squashSpot.rotation, 0.0f) << what;
}

TEST(WorldSetup, PlacesEveryObjectFromTheSecondsSeed) {
  if (!haveData()) GTEST_SKIP() << "no generated data";
  tt::ensureGlContext();
  for (unsigned seconds : {1700000000u, 1234567890u, 42u}) {
    platform::pinCalendarSeconds(seconds);
    tt::inDirectory(tt::dataDir(), [] { game::setUpWorld(); });

    // The same steps by hand: every Prop init reseeds before its rotation.
    std::srand(seconds);
    Placement p{};
    p.ballX = static_cast<float>(std::rand() % 100);
    int rotation = -1;
    auto propDraw = [&](bool drawsPlace) {
      const int r = drawsPlace ? std::rand() : 0;
      std::srand(seconds);
      rotation = std::rand() % 360;
      return r;
    };
    p.cupX[0] = static_cast<float>(propDraw(true) % 20 + 110);
    p.cupX[1] = static_cast<float>(propDraw(true) % 10 + 140);
    p.cupX[2] = static_cast<float>(-110 - propDraw(true) % 20);
    p.cupX[3] = static_cast<float>(-140 - propDraw(true) % 10);
    propDraw(false);
    p.heading = static_cast<float>(std::rand() % 360);
    expectPlacement(p, "set up");

    EXPECT_TRUE(p.ballX >= 0 && p.ballX <= 99);
    EXPECT_TRUE(p.cupX[0] >= 110 && p.cupX[0] <= 129);
    EXPECT_TRUE(p.cupX[1] >= 140 && p.cupX[1] <= 149);
    EXPECT_EQ(gWorld.cups[2].x, -gWorld.cups[0].x);
    EXPECT_EQ(gWorld.cups[3].x, -gWorld.cups[1].x);
    for (const world::Prop& prop : {std::cref(gWorld.cups[0]), std::cref(gWorld.cups[1]),
                                    std::cref(gWorld.cups[2]), std::cref(gWorld.cups[3]),
                                    std::cref(gWorld.pizza)}) {
      EXPECT_EQ(prop.rotation, static_cast<float>(rotation)) << seconds;
    }
    EXPECT_EQ(gWorld.pizza.x, 0.0f);
    EXPECT_EQ(gWorld.pizza.y, 0.0f);
    EXPECT_EQ(gWorld.roach.speed, 1.4f);
    EXPECT_EQ(gWorld.roach.walkPhase, 0);
  }
  platform::pinCalendarSeconds(std::nullopt);

  // Everything is loaded, and the clips hold their files byte for byte.
  for (const assets::Model* m : {static_cast<const assets::Model*>(&gWorld.table),
                                 static_cast<const assets::Model*>(&gWorld.ball),
                                 static_cast<const assets::Model*>(&gWorld.cups[3]),
                                 static_cast<const assets::Model*>(&gWorld.pizza),
                                 static_cast<const assets::Model*>(&gWorld.roach.parts[7]),
                                 static_cast<const assets::Model*>(&gWorld.squashSpot)}) {
    EXPECT_GT(m->mesh.faceCount, 0);
    EXPECT_NE(m->texture, 0u);
  }
  EXPECT_NE(gWorld.fontTexture, 0u);
  EXPECT_NE(gWorld.loseTexture, gWorld.winTexture);
  EXPECT_EQ(text::fontTexture(), gWorld.fontTexture);
  struct ClipFile {
    const assets::SoundClip& clip;
    const char* name;
  };
  for (const ClipFile& c : {ClipFile{gWorld.squashClip, "squash.wav"},
                            ClipFile{gWorld.beepClip, "beep.wav"},
                            ClipFile{gWorld.bumpClip, "bump.wav"},
                            ClipFile{gWorld.squeakxClip, "squeakx.wav"},
                            ClipFile{gWorld.squeakyClip, "squeaky.wav"},
                            ClipFile{gWorld.laughClip, "laugh.wav"}}) {
    EXPECT_EQ(static_cast<long>(c.clip.size), fileSize(c.name)) << c.name;
  }
  EXPECT_EQ(gWorld.ball.bumpClip, &gWorld.bumpClip);
  EXPECT_EQ(gWorld.squashSpot.squashClip, &gWorld.squashClip);
}

TEST(WorldSetup, RestartMakesSixDrawsFromOneSeedAndKeepsTheRest) {
  if (!haveData()) GTEST_SKIP() << "no generated data";
  tt::ensureGlContext();
  platform::pinCalendarSeconds(1700000000);
  tt::inDirectory(tt::dataDir(), [] { game::setUpWorld(); });
  const float cupRotation = gWorld.cups[0].rotation;
  const float pizzaRotation = gWorld.pizza.rotation;

  for (unsigned seconds : {1700000007u, 1700000007u, 1700000008u}) {
    gWorld.roundTimer = 0;
    gWorld.playing = 0;
    gWorld.score = 5;
    gWorld.tiltX = 3.5f;
    gWorld.tiltY = -10.0f;
    gWorld.spinAngle = 181.0f;
    gWorld.lastMouseX = 17;
    gWorld.lastMouseY = 23;
    gWorld.ball.vx = 1.5f;
    gWorld.ball.vy = -2.0f;
    gWorld.roach.x = 99.0f;
    gWorld.roach.walkPhase = 5;
    gWorld.squashSpot.frame = 40;
    gWorld.squashSpot.x = 12.0f;
    gWorld.squashSpot.scale = 1.0f;
    gWorld.squashSpot.rotation = 77.0f;
    platform::pinCalendarSeconds(seconds);
    game::restartRound();

    std::srand(seconds);
    Placement p{};
    p.ballX = static_cast<float>(std::rand() % 100);
    p.cupX[0] = static_cast<float>(std::rand() % 20 + 110);
    p.cupX[1] = static_cast<float>(std::rand() % 10 + 140);
    p.cupX[2] = static_cast<float>(-110 - std::rand() % 20);
    p.cupX[3] = static_cast<float>(-140 - std::rand() % 10);
    p.heading = static_cast<float>(std::rand() % 360);
    expectPlacement(p, "restart");
    EXPECT_EQ(gWorld.roundTimer, 3000);
    EXPECT_EQ(gWorld.playing, 1);
    EXPECT_EQ(gWorld.score, 0);
    EXPECT_EQ(gWorld.tiltX, 0.0f);
    EXPECT_EQ(gWorld.tiltY, 0.0f);
    EXPECT_EQ(gWorld.spinAngle, 181.0f);
    EXPECT_EQ(gWorld.lastMouseX, 17);
    EXPECT_EQ(gWorld.lastMouseY, 23);
    EXPECT_EQ(gWorld.roach.walkPhase, 5);
    EXPECT_EQ(gWorld.roach.speed, 1.4f);
    for (const world::Prop& cup : gWorld.cups) EXPECT_EQ(cup.rotation, cupRotation);
    EXPECT_EQ(gWorld.pizza.rotation, pizzaRotation);
    EXPECT_EQ(gWorld.pizza.x, 0.0f);
    EXPECT_EQ(gWorld.pizza.y, 0.0f);
  }
  platform::pinCalendarSeconds(std::nullopt);
}

}  // namespace
