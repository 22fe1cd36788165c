// A whole round on the real context with the generated data: input through
// the window procedure, the countdown drawn with the font, the round's end,
// the game-over board and the Esc restart.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

#include "assets/bmp.h"
#include "assets/file_bytes.h"
#include "game/frames.h"
#include "game/world_state.h"
#include "platform/runtime.h"
#include "shell/window_proc.h"
#include "tests/gl_harness.h"

namespace {

using game::gWorld;

std::optional<assets::RgbImage> decodeData(const char* name) {
  std::vector<uint8_t> bytes;
  if (!assets::readFileBytes((tt::dataDir() + "/" + name).c_str(), bytes)) return std::nullopt;
  return assets::decodeBmp(bytes.data(), bytes.size());
}

// Window pixel columns (or rows) whose centres an eye-space span at depth z
// covers, with the fixed projection: 45 degrees, aspect 1.5, 960 x 640.
struct Span {
  int first, last;
};
Span project(double a, double b, double z, bool vertical) {
  const double f = 1.0 / std::tan(22.5 * M_PI / 180.0);
  const double scale = vertical ? f : f / 1.5, size = vertical ? 640 : 960;
  auto window = [&](double v) { return (scale * v / -z + 1.0) * size / 2.0; };
  return {static_cast<int>(std::ceil(window(a) - 0.5)),
          static_cast<int>(std::ceil(window(b) - 0.5)) - 1};
}

bool near(tt::Rgb p, const uint8_t* q, int tolerance) {
  return std::abs(p.r - q[0]) <= tolerance && std::abs(p.g - q[1]) <= tolerance &&
         std::abs(p.b - q[2]) <= tolerance;
}

// The box of pixels of colour c within [x0, x1] x [y0, y1]; first > last when none.
struct Box {
  Span x{9999, -1}, y{9999, -1};
  int count = 0;
};
Box boxOf(const std::vector<tt::Rgb>& frame, const uint8_t* c, int x0, int x1, int y0, int y1) {
  Box box;
  for (int y = y0; y <= y1; ++y) {
    for (int x = x0; x <= x1; ++x) {
      if (!near(frame[static_cast<size_t>(y) * 960 + x], c, 12)) continue;
      ++box.count;
      box.x = {std::min(box.x.first, x), std::max(box.x.last, x)};
      box.y = {std::min(box.y.first, y), std::max(box.y.last, y)};
    }
  }
  return box;
}

void expectSpan(Span got, Span want, const char* what) {
  EXPECT_NEAR(got.first, want.first, 1) << what;
  EXPECT_NEAR(got.last, want.last, 1) << what;
}

// Mean colour of the frame over window box [x0, x1] x [y0, y1], and of the
// picture over the same part of the 30 x 20 board (window 16.5 .. 943.5 by
// 11 .. 629 at distance 25).
void expectBoardShows(const assets::RgbImage& picture, const char* what) {
  const std::vector<tt::Rgb> frame = tt::readFrame();
  const Span bx = project(-15, 15, -25, false), by = project(-10, 10, -25, true);
  const int x0 = bx.first + 8, x1 = 470, y0 = by.first + 8, y1 = by.last - 8;
  double got[3] = {}, want[3] = {};
  for (int y = y0; y <= y1; ++y) {
    for (int x = x0; x <= x1; ++x) {
      const tt::Rgb p = frame[static_cast<size_t>(y) * 960 + x];
      got[0] += p.r, got[1] += p.g, got[2] += p.b;
      const int u = (x - bx.first) * picture.width / (bx.last + 1 - bx.first);
      const int v = (y - by.first) * picture.height / (by.last + 1 - by.first);
      const uint8_t* q = &picture.rgb[(static_cast<size_t>(v) * picture.width + u) * 3];
      for (int k = 0; k < 3; ++k) want[k] += q[k];
    }
  }
  const double n = static_cast<double>(x1 - x0 + 1) * (y1 - y0 + 1);
  for (int k = 0; k < 3; ++k) EXPECT_NEAR(got[k] / n, want[k] / n, 4.0) << what << " channel " << k;
}

void mouseTo(int x, int y) {
  shell::windowProc(nullptr, platform::kMsgMouseMove, 0, platform::packPoint(x, y));
}

TEST(Round, PlaysToTheEndThenShowsTheBoardAndRestartsOnEsc) {
  const auto font = decodeData("font.bmp");
  const auto win = decodeData("win.bmp");
  const auto lose = decodeData("lose.bmp");
  if (!font || !win || !lose) GTEST_SKIP() << "no generated data";
  tt::resetGlState();
  platform::pinCalendarSeconds(1700000000);
  tt::inDirectory(tt::dataDir(), [] { game::setUpWorld(); });
  platform::pinCalendarSeconds(std::nullopt);
  gWorld.roundTimer = 3000;
  gWorld.playing = 1;
  gWorld.score = 0;
  gWorld.tiltX = gWorld.tiltY = gWorld.spinAngle = 0.0f;
  gWorld.lastMouseX = game::kStartMouseX;
  gWorld.lastMouseY = game::kStartMouseY;

  // The countdown "299" in three opaque cells at the upper left, the score
  // "0" in one at the upper right: the font picture's paper colour.
  game::playFrame();
  EXPECT_EQ(gWorld.roundTimer, 2999);
  const std::vector<tt::Rgb> hud = tt::readFrame();
  const uint8_t* paper = &font->rgb[0];  // the bottom-left corner is cell background
  struct Cells {
    const char* what;
    double x0, x1;
  };
  for (const Cells& c : {Cells{"countdown", -12.0, -12.0 + 3 * 0.5}, Cells{"score", 11.0, 11.5}}) {
    // Looked for a few pixels around where the cells belong: the cloth below
    // has paper-coloured squares too.
    const Span x = project(c.x0, c.x1, -20, false), y = project(7.5, 8.0, -20, true);
    const Box box = boxOf(hud, paper, x.first - 4, x.last + 4, y.first - 4, y.last + 4);
    expectSpan(box.x, x, c.what);
    expectSpan(box.y, y, c.what);
    EXPECT_GT(box.count, (x.last - x.first + 1) * (y.last - y.first + 1) / 2) << c.what;
  }

  // Down and to the right: both tilts climb to 10 and the ball runs off the
  // lower right edge long before the time is up.
  int frames = 1;
  for (int i = 1; gWorld.playing == 1 && frames < 3000; ++i, ++frames) {
    mouseTo(530 + i, 400 + i);
    game::playFrame();
  }
  EXPECT_LT(frames, 3000);
  EXPECT_EQ(gWorld.playing, 0);
  EXPECT_EQ(gWorld.spinAngle, 0.0f);
  EXPECT_TRUE(gWorld.ball.x > 235 || gWorld.ball.y < -155);
  EXPECT_EQ(gWorld.roundTimer, 3000 - frames);

  gWorld.score = 0;
  game::gameOverFrame();
  expectBoardShows(*lose, "lose");
  gWorld.score = 1;
  game::gameOverFrame();
  expectBoardShows(*win, "win");

  shell::windowProc(nullptr, platform::kMsgKeyDown, platform::kKeyEscape, 0);
  EXPECT_EQ(gWorld.playing, 1);
  EXPECT_EQ(gWorld.roundTimer, 3000);
  EXPECT_EQ(gWorld.score, 0);
}

}  // namespace
