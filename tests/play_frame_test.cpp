// The rules of one play frame on a World placed by hand: proximity tests,
// cues, squeaks, edges, the end of the round and the squash.
#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "game/frames.h"
#include "game/world_state.h"
#include "platform/runtime.h"
#include "platform/sound.h"
#include "tests/gl_harness.h"

namespace {

using game::gFrame;
using game::gWorld;

// Distinct stand-in images, so every cue can be told apart by its pointer.
uint8_t gFakeImages[6][4];
enum Clip { kSquash, kBeep, kBump, kSqueakX, kSqueakY, kLaugh };

struct Play {
  const uint8_t* image;
  unsigned flags;
  bool started;
};

struct SoundLog {
  std::vector<Play> plays;
  SoundLog() {
    platform::setSoundObserver(
        [this](const uint8_t* image, unsigned flags, bool started) {
          plays.push_back({image, flags, started});
        });
  }
  ~SoundLog() { platform::setSoundObserver(nullptr); }
};

assets::SoundClip* clip(Clip c) {
  assets::SoundClip* clips[] = {&gWorld.squashClip,  &gWorld.beepClip,    &gWorld.bumpClip,
                                &gWorld.squeakxClip, &gWorld.squeakyClip, &gWorld.laughClip};
  return clips[c];
}

// Nothing near anything: the ball at rest in the middle, the roach walking up
// the lower left, the cups in far corners and the pizza well off the table.
void resetWorld() {
  tt::resetGlState();
  game::World& w = gWorld;
  w.roundTimer = 2000;
  w.playing = 1;
  w.score = 0;
  w.tiltX = w.tiltY = w.spinAngle = 0.0f;
  w.ball.x = w.ball.y = w.ball.vx = w.ball.vy = 0.0f;
  w.roach.x = -150.0f;
  w.roach.y = -100.0f;
  w.roach.heading = 0.0f;
  w.roach.speed = 1.4f;
  w.roach.walkPhase = 0;
  const float far[4][2] = {{1000, 1000}, {1000, -1000}, {-1000, -1000}, {-1000, 1000}};
  for (int k = 0; k < 4; ++k) {
    w.cups[k].x = far[k][0];
    w.cups[k].y = far[k][1];
  }
  w.pizza.x = 0.0f;
  w.pizza.y = 1000.0f;
  w.squashSpot.clear();
  for (int c = kSquash; c <= kLaugh; ++c) *clip(Clip(c)) = {gFakeImages[c], sizeof gFakeImages[c]};
  w.ball.bumpClip = &w.bumpClip;
  w.squashSpot.squashClip = &w.squashClip;
  gFrame.squeakDirX = gFrame.squeakDirY = 1;
}

// A clockwise turn from heading 0 by 3 * factor degrees, wrapped.
float turnedFromZero(float factor) { return 360.0f - 3.0f * factor; }

TEST(PlayFrame, DistanceIsFloatDifferencesAndADoubleRoot) {
  struct Case {
    float ax, ay, bx, by;
  };
  for (const Case& c : {Case{0, 0, 3, 4}, Case{1, 1, 0, 0}, Case{10, -3, -2.5f, 7.25f},
                        Case{0.1f, 1e8f, 0.3f, 1.0f}, Case{-230, 150, 230, -150}}) {
    const float dx = c.ax - c.bx, dy = c.ay - c.by;
    const long double sum = static_cast<long double>(dx) * dx + static_cast<long double>(dy) * dy;
    EXPECT_EQ(game::distance(c.ax, c.ay, c.bx, c.by), static_cast<float>(std::sqrt(sum)));
    EXPECT_EQ(game::distance(c.bx, c.by, c.ax, c.ay), game::distance(c.ax, c.ay, c.bx, c.by));
  }
  EXPECT_EQ(game::distance(0, 0, 3, 4), 5.0f);
  EXPECT_EQ(game::distance(1, 1, 0, 0), 1.41421354f);
}

TEST(PlayFrame, FormatDecimalWritesWhatItoaWrites) {
  struct Case {
    int32_t value;
    const char* text;
  };
  for (const Case& c : {Case{0, "0"}, Case{7, "7"}, Case{10, "10"}, Case{299, "299"},
                        Case{-5, "-5"}, Case{INT_MAX, "2147483647"},
                        Case{INT_MIN, "-2147483648"}}) {
    char buffer[16];
    std::memset(buffer, 'x', sizeof buffer);
    EXPECT_EQ(game::formatDecimal(c.value, buffer), buffer);
    EXPECT_STREQ(buffer, c.text);
  }
}

TEST(PlayFrame, ProximityThresholdsAreStrict) {
  tt::ensureGlContext();
  // The roach starts at (0, -1.4) heading 0 and walks to exactly (0, 0) before
  // the tests; the ball moves by vx first. Whatever stands at +y is straight
  // ahead, so the roach turns clockwise: 360 - 3 * factor.
  struct Case {
    const char* name;
    float ballX, ballY, ballVx, cupX, cupY, pizzaX, pizzaY;
    float heading;  // NaN: not looked at
    int32_t score;
    bool bounced;
  };
  const float F = 1000, kAny = NAN;
  const Case cases[] = {
      {"ball 49.9 ahead", 0, 49.9f, 0, F, F, 0, F, turnedFromZero(1.0f), 0, false},
      {"ball 50 ahead", 0, 50, 0, F, F, 0, F, turnedFromZero(0.6f), 0, false},
      {"ball 99.9 ahead", 0, 99.9f, 0, F, F, 0, F, turnedFromZero(0.6f), 0, false},
      {"ball 100 ahead", 0, 100, 0, F, F, 0, F, turnedFromZero(0.3f), 0, false},
      {"ball 149.9 ahead", 0, 149.9f, 0, F, F, 0, F, turnedFromZero(0.3f), 0, false},
      {"ball 150 ahead", 0, 150, 0, F, F, 0, F, 0.0f, 0, false},
      {"ball 20 ahead: no squash", 0, 20, 0, F, F, 0, F, turnedFromZero(1.0f), 0, false},
      {"ball 19.9 ahead: squash", 0, 19.9f, 0, F, F, 0, F, kAny, 1, false},
      {"cup 25 ahead", -100, -140, 0, 0, 25, 0, F, turnedFromZero(3.0f), 0, false},
      {"cup 25.5 ahead", -100, -140, 0, 0, 25.5f, 0, F, turnedFromZero(1.2f), 0, false},
      {"cup 39.9 ahead", -100, -140, 0, 0, 39.9f, 0, F, turnedFromZero(1.2f), 0, false},
      {"cup 40 ahead", -100, -140, 0, 0, 40, 0, F, 0.0f, 0, false},
      {"pizza 74.9 ahead", -100, -140, 0, F, F, 0, 74.9f, turnedFromZero(1.2f), 0, false},
      {"pizza 75 ahead", -100, -140, 0, F, F, 0, 75, 0.0f, 0, false},
      // The ball rolls from -101 to -100 and meets the obstacle head on.
      {"ball-cup 26", -101, -100, 1, -74, -100, 0, F, kAny, 0, false},
      {"ball-cup 25.99", -101, -100, 1, -74.01f, -100, 0, F, kAny, 0, true},
      {"ball-pizza 59", -101, -100, 1, F, F, -41, -100, kAny, 0, false},
      {"ball-pizza 58.99", -101, -100, 1, F, F, -41.01f, -100, kAny, 0, true},
  };
  for (const Case& c : cases) {
    resetWorld();
    gWorld.roach.x = 0.0f;
    gWorld.roach.y = -1.4f;
    gWorld.ball.x = c.ballX;
    gWorld.ball.y = c.ballY;
    gWorld.ball.vx = c.ballVx;
    gWorld.cups[1].x = c.cupX;
    gWorld.cups[1].y = c.cupY;
    gWorld.pizza.x = c.pizzaX;
    gWorld.pizza.y = c.pizzaY;
    SoundLog log;
    game::playFrame();
    if (!std::isnan(c.heading)) {
      EXPECT_EQ(gWorld.roach.heading, c.heading) << c.name;
    }
    EXPECT_EQ(gWorld.score, c.score) << c.name;
    if (c.bounced) {
      EXPECT_LT(gWorld.ball.vx, -0.99f) << c.name;
      ASSERT_EQ(log.plays.size(), 1u) << c.name;
      EXPECT_EQ(log.plays[0].image, gFakeImages[kBump]) << c.name;
    } else if (c.ballVx != 0) {
      EXPECT_EQ(gWorld.ball.vx, c.ballVx) << c.name;
      EXPECT_EQ(gWorld.ball.x, -100.0f) << c.name;
    }
    EXPECT_EQ(gWorld.playing, 1) << c.name;
  }
}

TEST(PlayFrame, TimedCuesAndTheLastFrame) {
  struct Case {
    int32_t before;
    int image;  // -1: nothing plays
  };
  for (const Case& c :
       {Case{3000, -1}, Case{2999, -1}, Case{2401, kLaugh}, Case{2400, -1}, Case{1801, kLaugh},
        Case{1201, kLaugh}, Case{601, kLaugh}, Case{600, -1}, Case{151, kBeep}, Case{150, -1},
        Case{149, -1}, Case{121, kBeep}, Case{91, kBeep}, Case{61, kBeep}, Case{31, kBeep},
        Case{30, -1}, Case{2, -1}, Case{1, -1}}) {
    resetWorld();
    gWorld.roundTimer = c.before;
    gWorld.spinAngle = 7.0f;
    SoundLog log;
    game::playFrame();
    EXPECT_EQ(gWorld.roundTimer, c.before - 1);
    ASSERT_EQ(log.plays.size(), c.image < 0 ? 0u : 1u) << c.before;
    if (c.image >= 0) {
      EXPECT_EQ(log.plays[0].image, gFakeImages[c.image]) << c.before;
      EXPECT_EQ(log.plays[0].flags, 5u) << c.before;
    }
    EXPECT_EQ(gWorld.playing, c.before == 1 ? 0 : 1) << c.before;
    EXPECT_EQ(gWorld.spinAngle, c.before == 1 ? 0.0f : 7.0f) << c.before;
  }

  // The frame that ends the round still counts a squash.
  resetWorld();
  gWorld.roundTimer = 1;
  gWorld.roach.x = 0.0f;
  gWorld.roach.y = -1.4f;
  gWorld.ball.y = 10.0f;
  game::playFrame();
  EXPECT_EQ(gWorld.roundTimer, 0);
  EXPECT_EQ(gWorld.playing, 0);
  EXPECT_EQ(gWorld.score, 1);
}

TEST(PlayFrame, TheRoundEndsWhenTheBallIsBeyondTheTable) {
  struct Case {
    float x, y;
    int32_t playing;
  };
  for (const Case& c : {Case{235, 0, 1}, Case{235.01f, 0, 0}, Case{-235, 0, 1},
                        Case{-235.01f, 0, 0}, Case{0, 155, 1}, Case{0, 155.01f, 0},
                        Case{0, -155, 1}, Case{0, -155.01f, 0}, Case{235, 155, 1}}) {
    resetWorld();
    gWorld.ball.x = c.x;
    gWorld.ball.y = c.y;
    gWorld.spinAngle = 33.0f;
    game::playFrame();
    EXPECT_EQ(gWorld.playing, c.playing) << c.x << "," << c.y;
    EXPECT_EQ(gWorld.spinAngle, c.playing ? 33.0f : 0.0f) << c.x << "," << c.y;
    EXPECT_EQ(gWorld.ball.x, c.x);
  }
}

TEST(PlayFrame, EdgeBandsLastTestThatHoldsWins) {
  struct Band {
    float x, y;
    int band;
  };
  for (const Band& b :
       {Band{0, 0, 0}, Band{200, 120, 0}, Band{-200, -120, 0}, Band{200.01f, 0, 1},
        Band{-200.01f, 0, 2}, Band{0, 120.01f, 3}, Band{0, -120.01f, 4}, Band{220.01f, 0, 5},
        Band{-220.01f, 0, 6}, Band{0, 140.01f, 7}, Band{0, -140.01f, 8}, Band{210, 130, 3},
        Band{-210, -130, 4}, Band{230, 130, 5}, Band{-230, 130, 6}, Band{230, 150, 7},
        Band{210, 145, 7}, Band{-230, -150, 8}, Band{220, 140, 3}}) {
    EXPECT_EQ(game::edgeBand(b.x, b.y), b.band) << b.x << "," << b.y;
  }

  // The roach heads 10 degrees clockwise of the outward direction, so the
  // edge lies ahead on its left and it turns clockwise by 3 * factor.
  struct Turn {
    float x, y, heading, turned;
  };
  for (const Turn& t : {Turn{210, 130, 350, 344},    // band 3: (0, 1), 2.0
                        Turn{230, 130, 260, 248},    // band 5: (1, 0), 4.0
                        Turn{230, 150, 350, 338},    // band 7: (0, 1), 4.0
                        Turn{-230, -150, 170, 158},  // band 8: (0, -1), 4.0
                        Turn{-210, 0, 80, 74},       // band 2: (-1, 0), 2.0
                        Turn{190, 110, 350, 350}}) {
    resetWorld();
    gWorld.roach.x = t.x;
    gWorld.roach.y = t.y;
    gWorld.roach.heading = t.heading;
    game::playFrame();
    EXPECT_EQ(gWorld.roach.heading, t.turned) << t.x << "," << t.y;
  }
}

TEST(PlayFrame, EachTiltSqueaksOncePerSwingPastFive) {
  struct Step {
    float tiltX, tiltY;
    std::vector<int> squeaks;
    int32_t dirX, dirY;
  };
  const std::vector<Step> steps = {
      {5.5f, 0, {}, 1, 1},
      {-5.0f, 0, {}, 1, 1},
      {-5.5f, 0, {kSqueakX}, -1, 1},
      {-5.5f, 0, {}, -1, 1},
      {5.0f, 0, {}, -1, 1},
      {5.5f, 0, {kSqueakX}, 1, 1},
      {5.5f, -5.5f, {kSqueakY}, 1, -1},
      {-5.5f, 5.5f, {kSqueakX, kSqueakY}, -1, 1},
  };
  resetWorld();
  for (size_t i = 0; i < steps.size(); ++i) {
    gWorld.tiltX = steps[i].tiltX;
    gWorld.tiltY = steps[i].tiltY;
    SoundLog log;
    game::playFrame();
    ASSERT_EQ(log.plays.size(), steps[i].squeaks.size()) << i;
    for (size_t k = 0; k < log.plays.size(); ++k) {
      EXPECT_EQ(log.plays[k].image, gFakeImages[steps[i].squeaks[k]]) << i;
      EXPECT_EQ(log.plays[k].flags, 0x15u) << i;
    }
    EXPECT_EQ(gFrame.squeakDirX, steps[i].dirX) << i;
    EXPECT_EQ(gFrame.squeakDirY, steps[i].dirY) << i;
  }
}

// A RIFF wave of `seconds` of 16-bit mono silence at 22050 Hz.
std::vector<uint8_t> silentWave(int seconds) {
  const uint32_t dataSize = 22050u * 2u * static_cast<uint32_t>(seconds);
  std::vector<uint8_t> w(44 + dataSize, 0);
  auto put = [&w](size_t at, uint32_t v, int bytes) {
    for (int i = 0; i < bytes; ++i) w[at + i] = static_cast<uint8_t>(v >> (8 * i));
  };
  std::memcpy(&w[0], "RIFF", 4);
  put(4, 36 + dataSize, 4);
  std::memcpy(&w[8], "WAVEfmt ", 8);
  put(16, 16, 4), put(20, 1, 2), put(22, 1, 2), put(24, 22050, 4), put(28, 44100, 4);
  put(32, 2, 2), put(34, 16, 2);
  std::memcpy(&w[36], "data", 4);
  put(40, dataSize, 4);
  return w;
}

TEST(PlayFrame, ASqueakDueWhileAClipSoundsIsDroppedButItsFlagTurns) {
  resetWorld();
  if (!platform::openAudio()) GTEST_SKIP() << "no audio device";
  std::vector<uint8_t> x = silentWave(2), y = silentWave(2);
  gWorld.squeakxClip = {x.data(), x.size()};
  gWorld.squeakyClip = {y.data(), y.size()};
  gWorld.tiltX = gWorld.tiltY = -5.5f;
  SoundLog log;
  game::playFrame();
  platform::closeAudio();
  ASSERT_EQ(log.plays.size(), 2u);
  EXPECT_EQ(log.plays[0].image, x.data());
  EXPECT_TRUE(log.plays[0].started);
  EXPECT_EQ(log.plays[1].image, y.data());
  EXPECT_EQ(log.plays[1].flags, 0x15u);
  EXPECT_FALSE(log.plays[1].started);
  EXPECT_EQ(gFrame.squeakDirX, -1);
  EXPECT_EQ(gFrame.squeakDirY, -1);
  resetWorld();
}

TEST(PlayFrame, ASquashLeavesTheSpotAndRestartsTheRoachFromTheMiddle) {
  resetWorld();
  gWorld.roach.x = 50.0f;
  gWorld.roach.y = 30.0f;
  gWorld.roach.walkPhase = 3;
  gWorld.ball.x = 50.0f;
  gWorld.ball.y = 40.0f;
  platform::seedRandom(4242);
  {
    SoundLog log;
    game::playFrame();
    EXPECT_TRUE(log.plays.empty());
  }
  std::srand(4242);
  const float heading = static_cast<float>(std::rand() % 360);
  EXPECT_EQ(gWorld.score, 1);
  EXPECT_EQ(gWorld.squashSpot.frame, 1);
  EXPECT_EQ(gWorld.squashSpot.x, 50.0f);
  // One step of 1.4 along heading 0, in double.
  EXPECT_EQ(gWorld.squashSpot.y, static_cast<float>(30.0 + static_cast<double>(1.4f)));
  // The ball straight ahead turned it by 3 degrees before it died.
  EXPECT_EQ(gWorld.squashSpot.rotation, 357.0f);
  EXPECT_EQ(gWorld.squashSpot.scale, 0.0f);
  EXPECT_EQ(gWorld.roach.x, 0.0f);
  EXPECT_EQ(gWorld.roach.y, 0.0f);
  EXPECT_EQ(gWorld.roach.heading, heading);
  EXPECT_EQ(gWorld.roach.walkPhase, 4);
  EXPECT_EQ(gWorld.roach.speed, 1.4f);

  // The next frame's stain animation plays the squash sound.
  SoundLog log;
  game::playFrame();
  ASSERT_EQ(log.plays.size(), 1u);
  EXPECT_EQ(log.plays[0].image, gFakeImages[kSquash]);
  EXPECT_EQ(log.plays[0].flags, 5u);
  EXPECT_EQ(gWorld.squashSpot.frame, 2);
  EXPECT_EQ(gWorld.squashSpot.scale, 0.25f);
  EXPECT_EQ(gWorld.score, 1);
}

}  // namespace
