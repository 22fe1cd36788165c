// A whole scripted round replayed with the clock pinned, its World written out
// every 50 frames and compared with the checked-in record. Every rule and every
// rounding of the round shows in it; TT_UPDATE_GOLDEN=1 rewrites the record.
#include <GL/gl.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

#include "game/frames.h"
#include "game/world_state.h"
#include "platform/runtime.h"
#include "platform/sound.h"
#include "shell/window_proc.h"
#include "tests/gl_harness.h"

namespace {

using game::gWorld;

const char* const kGoldenPath = TT_SOURCE_DIR "/tests/golden/replay.txt";

void dump(std::string& out, const char* label, int frame, std::string& sounds) {
  const game::World& w = gWorld;
  const float* v0 = w.ball.mesh.vertices[0];
  char line[640];
  std::snprintf(line, sizeof line,
                "%s %d timer %d playing %d score %d tilt %.9g %.9g spin %.9g"
                " ball %.9g %.9g v %.9g %.9g roll %.9g %.9g %.9g"
                " roach %.9g %.9g %.9g %d spot %d %.9g %.9g %.9g %.9g"
                " cups %.9g %.9g %.9g %.9g sounds %s\n",
                label, frame, w.roundTimer, w.playing, w.score, w.tiltX, w.tiltY, w.spinAngle,
                w.ball.x, w.ball.y, w.ball.vx, w.ball.vy, v0[0], v0[1], v0[2], w.roach.x,
                w.roach.y, w.roach.heading, w.roach.walkPhase, w.squashSpot.frame, w.squashSpot.x,
                w.squashSpot.y, w.squashSpot.scale, w.squashSpot.rotation, w.cups[0].x, w.cups[1].x,
                w.cups[2].x, w.cups[3].x, sounds.empty() ? "-" : sounds.c_str());
  out += line;
  sounds.clear();
}

int step(float want, float have) { return want > have ? 1 : want < have ? -1 : 0; }

// The player's hand: steer the ball at a point ahead of the roach, kept off
// the edges, with the ball's speed damped. The mouse moves one pixel a frame
// on each axis toward the tilts that would do it.
void moveMouse(int& x, int& y) {
  const game::World& w = gWorld;
  const double h = w.roach.heading * M_PI / 180.0;
  const float aimX = std::clamp(static_cast<float>(w.roach.x - 42.0 * std::sin(h)), -180.0f, 180.0f);
  const float aimY = std::clamp(static_cast<float>(w.roach.y + 42.0 * std::cos(h)), -100.0f, 100.0f);
  // tiltY speeds the ball toward +x, tiltX toward -y.
  x += step(0.2f * (aimX - w.ball.x) - 6.0f * w.ball.vx, w.tiltY);
  y += step(-(0.2f * (aimY - w.ball.y) - 6.0f * w.ball.vy), w.tiltX);
  shell::windowProc(nullptr, platform::kMsgMouseMove, 0, platform::packPoint(x, y));
}

TEST(GoldenReplay, AScriptedRoundPlaysTheSameBitForBit) {
  std::FILE* probe = std::fopen((tt::dataDir() + "/table.3ds").c_str(), "rb");
  if (!probe) GTEST_SKIP() << "no generated data";
  std::fclose(probe);
  tt::resetGlState();
  platform::pinCalendarSeconds(1700000000);
  tt::inDirectory(tt::dataDir(), [] { game::setUpWorld(); });
  gWorld.roundTimer = 3000;
  gWorld.playing = 1;
  gWorld.score = 0;
  gWorld.tiltX = gWorld.tiltY = gWorld.spinAngle = 0.0f;
  gWorld.lastMouseX = game::kStartMouseX;
  gWorld.lastMouseY = game::kStartMouseY;
  game::gFrame.squeakDirX = game::gFrame.squeakDirY = 1;
  // A known point on the ball's surface, so its roll does not hang on the mesh file.
  float* v0 = gWorld.ball.mesh.vertices[0];
  v0[0] = 0.0f, v0[1] = 0.0f, v0[2] = 10.0f;
  std::string sounds;
  platform::setSoundObserver([&sounds](const uint8_t* image, unsigned, bool) {
    const game::World& w = gWorld;
    sounds += image == w.bumpClip.data      ? 'U'
              : image == w.squashClip.data  ? 'S'
              : image == w.beepClip.data    ? 'B'
              : image == w.laughClip.data   ? 'L'
              : image == w.squeakxClip.data ? 'X'
              : image == w.squeakyClip.data ? 'Y'
                                            : '?';
  });
  // The picture is not looked at here; a one-pixel viewport keeps it quick.
  glViewport(0, 0, 1, 1);

  std::string record;
  int x = game::kStartMouseX, y = game::kStartMouseY, frame = 0;
  dump(record, "start", frame, sounds);
  while (gWorld.playing == 1) {
    moveMouse(x, y);
    game::playFrame();
    if (++frame % 50 == 0 || gWorld.playing != 1) dump(record, "frame", frame, sounds);
  }
  for (int i = 1; i <= 3; ++i) {
    shell::windowProc(nullptr, platform::kMsgMouseMove, 0, platform::packPoint(x + i, y));
    game::gameOverFrame();
  }
  dump(record, "board", frame, sounds);
  shell::windowProc(nullptr, platform::kMsgKeyDown, platform::kKeyEscape, 0);
  dump(record, "restart", frame, sounds);
  platform::setSoundObserver(nullptr);
  platform::pinCalendarSeconds(std::nullopt);
  tt::resetGlState();

  const char* update = std::getenv("TT_UPDATE_GOLDEN");
  if (update && std::string(update) == "1") {
    std::ofstream(kGoldenPath, std::ios::binary) << record;
    GTEST_SUCCEED() << "wrote " << kGoldenPath;
    return;
  }
  std::ifstream in(kGoldenPath, std::ios::binary);
  ASSERT_TRUE(in) << "missing " << kGoldenPath;
  std::stringstream expected;
  expected << in.rdbuf();
  // Line by line, so a failure names the first frame that differs.
  std::istringstream got(record), want(expected.str());
  std::string g, e;
  while (std::getline(want, e)) {
    ASSERT_TRUE(std::getline(got, g)) << "record ends before: " << e;
    ASSERT_EQ(g, e);
  }
  EXPECT_FALSE(std::getline(got, g)) << "record goes on: " << g;
}

}  // namespace
