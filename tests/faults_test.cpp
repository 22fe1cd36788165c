// Damaged data and floods of input must neither crash the game nor stop it
// playing: a round, the board and a restart still come.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "game/frames.h"
#include "game/world_state.h"
#include "shell/window_proc.h"
#include "tests/gl_harness.h"

namespace {

namespace fs = std::filesystem;
using game::gWorld;

void send(uint32_t code, uintptr_t wParam, intptr_t lParam) {
  shell::windowProc(nullptr, code, wParam, lParam);
}

void writeFile(const fs::path& path, const std::vector<char>& bytes) {
  std::ofstream(path, std::ios::binary | std::ios::trunc)
      .write(bytes.data(), std::streamsize(bytes.size()));
}

// A short round to its end, one board frame, Esc, and the new round's first frame.
void playShortRound() {
  gWorld.playing = 1;
  gWorld.roundTimer = 12;
  for (int i = 0; i < 12 && gWorld.playing == 1; ++i) {
    send(platform::kMsgMouseMove, 0, platform::packPoint(530 + i, 400 + 2 * i));
    game::playFrame();
  }
  ASSERT_EQ(gWorld.playing, 0);
  game::gameOverFrame();
  send(platform::kMsgKeyDown, platform::kKeyEscape, 0);
  ASSERT_EQ(gWorld.playing, 1);
  game::playFrame();
  EXPECT_EQ(gWorld.roundTimer, game::kRoundFrames - 1);
}

TEST(Faults, EveryDataFileEmptiedCutOrNoisedStillPlays) {
  if (!game::missingDataFiles(tt::dataDir()).empty()) GTEST_SKIP() << "no generated data";
  tt::resetGlState();
  char dirTemplate[] = "/tmp/tt_faults_XXXXXX";
  ASSERT_NE(mkdtemp(dirTemplate), nullptr);
  const fs::path dir = dirTemplate;
  for (const std::string& name : game::dataFiles())
    fs::copy_file(fs::path(tt::dataDir()) / name, dir / name);
  std::mt19937 noise(7);
  for (const std::string& name : game::dataFiles()) {
    std::ifstream in(dir / name, std::ios::binary);
    const std::vector<char> good((std::istreambuf_iterator<char>(in)), {});
    std::vector<char> random(good.size());
    for (char& c : random) c = static_cast<char>(noise());
    const std::vector<char> damaged[] = {
        {}, {good.begin(), good.begin() + long(good.size() / 2)}, random};
    for (const std::vector<char>& bytes : damaged) {
      SCOPED_TRACE(name + " of " + std::to_string(bytes.size()) + " bytes");
      writeFile(dir / name, bytes);
      tt::inDirectory(dir.string(), [] { game::setUpWorld(); });
      playShortRound();
      game::releaseWorldTextures();
    }
    writeFile(dir / name, good);
  }
  fs::remove_all(dir);
}

// Between two frames 100 000 moves arrive: 40 steady right-down moves, then a
// swing between two far points. Each is applied; the tilts never pass 10.
TEST(Faults, AHundredThousandMouseMovesBetweenTwoFrames) {
  tt::resetGlState();
  tt::inDirectory(tt::dataDir(), [] { game::setUpWorld(); });
  gWorld.playing = 1;
  gWorld.roundTimer = 2000;
  gWorld.tiltX = gWorld.tiltY = gWorld.spinAngle = 0.0f;
  gWorld.lastMouseX = game::kStartMouseX;
  gWorld.lastMouseY = game::kStartMouseY;
  game::playFrame();
  for (int i = 0; i < 100000; ++i) {
    const bool toFar = i % 2 == 1;
    const intptr_t point = i < 40 ? platform::packPoint(531 + i, 401 + i)
                                  : platform::packPoint(toFar ? 700 : 300, toFar ? 600 : 100);
    send(platform::kMsgMouseMove, 0, point);
    ASSERT_LE(std::abs(gWorld.tiltX), 10.0f) << "after move " << i;
    ASSERT_LE(std::abs(gWorld.tiltY), 10.0f) << "after move " << i;
  }
  EXPECT_EQ(gWorld.spinAngle, 40.0f + 49980.0f);  // one step for every move to the right
  EXPECT_EQ(gWorld.tiltX, 10.0f);
  EXPECT_EQ(gWorld.tiltY, 10.0f);
  EXPECT_EQ(gWorld.lastMouseX, 700);
  EXPECT_EQ(gWorld.lastMouseY, 600);
  game::playFrame();
  EXPECT_EQ(gWorld.roundTimer, 1998);
  game::releaseWorldTextures();
}

}  // namespace
