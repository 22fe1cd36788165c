#include <cmath>
#include <cstdlib>

#include "game/frames.h"
#include "game/world_state.h"
#include "platform/runtime.h"
#include "platform/sound.h"
#include "text/text.h"

namespace game {
namespace {

constexpr unsigned kCue = platform::kSndAsync | platform::kSndMemory;
constexpr unsigned kCueUnlessBusy = kCue | platform::kSndNoStop;

// Contact and avoidance distances; every test is strict.
constexpr float kBallCupContact = 26.0f;    // ball radius 10 + cup radius 16
constexpr float kBallPizzaContact = 59.0f;  // ball radius 10 + pizza radius 49
constexpr float kSquashDistance = 20.0f;
constexpr float kRoachCupWary = 40.0f;
constexpr float kRoachCupClose = 25.0f;  // at most this: the sharper turn
constexpr float kRoachPizzaWary = 75.0f;
// The ball is in play while its centre stays within these.
constexpr float kTableHalfWidth = 235.0f;
constexpr float kTableHalfHeight = 155.0f;

bool isBeepFrame(int32_t t) { return t == 150 || t == 120 || t == 90 || t == 60 || t == 30; }
bool isLaughFrame(int32_t t) { return t == 2400 || t == 1800 || t == 1200 || t == 600; }

void squeakCues(World& w) {
  // Each tilt squeaks once per swing past the opposite limit; the flag turns
  // even when the player is busy and the squeak is dropped.
  if (w.tiltX > 5.0f && gFrame.squeakDirX == -1) {
    assets::playSoundClip(w.squeakxClip, kCueUnlessBusy);
    gFrame.squeakDirX = 1;
  }
  if (w.tiltX < -5.0f && gFrame.squeakDirX == 1) {
    assets::playSoundClip(w.squeakxClip, kCueUnlessBusy);
    gFrame.squeakDirX = -1;
  }
  if (w.tiltY > 5.0f && gFrame.squeakDirY == -1) {
    assets::playSoundClip(w.squeakyClip, kCueUnlessBusy);
    gFrame.squeakDirY = 1;
  }
  if (w.tiltY < -5.0f && gFrame.squeakDirY == 1) {
    assets::playSoundClip(w.squeakyClip, kCueUnlessBusy);
    gFrame.squeakDirY = -1;
  }
}

void drawHud(const World& w) {
  glPushMatrix();
  glTranslatef(0.0f, 0.0f, -20.0f);
  text::drawText(0.5f, -12.0f, 7.5f, 0.0f, 0.0f,
                 formatDecimal(w.roundTimer / 10, gFrame.numberText));
  text::drawText(0.5f, 11.0f, 7.5f, 0.0f, 0.0f, formatDecimal(w.score, gFrame.numberText));
  glPopMatrix();
}

void avoidBall(World& w) {
  world::Roach& r = w.roach;
  const float d = distance(r.x, r.y, w.ball.x, w.ball.y);
  const float dx = w.ball.x - r.x, dy = w.ball.y - r.y;
  if (d < 50.0f) {
    r.steerAway(dx, dy, 1.0f);
  } else if (d < 100.0f) {
    r.steerAway(dx, dy, 0.6f);
  } else if (d < 150.0f) {
    r.steerAway(dx, dy, 0.3f);
  }
}

void cups(World& w) {
  world::Roach& r = w.roach;
  for (world::Prop& cup : w.cups) {
    cup.draw();
    if (distance(w.ball.x, w.ball.y, cup.x, cup.y) < kBallCupContact) {
      w.ball.bounce(cup.x - w.ball.x, cup.y - w.ball.y);
    }
    const float d = distance(r.x, r.y, cup.x, cup.y);
    if (d < kRoachCupWary) r.steerAway(cup.x - r.x, cup.y - r.y, d <= kRoachCupClose ? 3.0f : 1.2f);
  }
}

void pizza(World& w) {
  const world::Prop& p = w.pizza;
  if (distance(w.ball.x, w.ball.y, p.x, p.y) < kBallPizzaContact) {
    w.ball.bounce(p.x - w.ball.x, p.y - w.ball.y);
  }
  world::Roach& r = w.roach;
  if (distance(r.x, r.y, p.x, p.y) < kRoachPizzaWary) r.steerAway(p.x - r.x, p.y - r.y, 1.2f);
}

void avoidEdges(World& w) {
  struct Away {
    float dx, dy, factor;
  };
  static constexpr Away kAway[9] = {
      {0, 0, 0}, {1, 0, 2},  {-1, 0, 2}, {0, 1, 2},  {0, -1, 2},
      {1, 0, 4}, {-1, 0, 4}, {0, 1, 4},  {0, -1, 4},
  };
  const int band = edgeBand(w.roach.x, w.roach.y);
  if (band != 0) w.roach.steerAway(kAway[band].dx, kAway[band].dy, kAway[band].factor);
}

void endOfRound(World& w) {
  const world::Ball& b = w.ball;
  if (b.x < -kTableHalfWidth || b.x > kTableHalfWidth || b.y < -kTableHalfHeight ||
      b.y > kTableHalfHeight) {
    w.playing = 0;
    w.spinAngle = 0.0f;
  }
  if (w.roundTimer < 1) {
    w.playing = 0;
    w.spinAngle = 0.0f;
  }
}

void squash(World& w) {
  world::Roach& r = w.roach;
  if (!(distance(r.x, r.y, w.ball.x, w.ball.y) < kSquashDistance)) return;
  ++w.score;
  w.squashSpot.frame = 1;  // its animation plays the squash sound next frame
  w.squashSpot.x = r.x;
  w.squashSpot.y = r.y;
  w.squashSpot.rotation = r.heading;
  r.x = 0.0f;
  r.y = 0.0f;
  r.heading = static_cast<float>(platform::nextRandom() % 360);
}

}  // namespace

float distance(float ax, float ay, float bx, float by) {
  const float dx = ax - bx;
  const float dy = ay - by;
  return static_cast<float>(
      std::sqrt(std::pow(static_cast<double>(dx), 2.0) + std::pow(static_cast<double>(dy), 2.0)));
}

char* formatDecimal(int32_t value, char* out) {
  // Digits are produced from the magnitude in 64 bits so INT32_MIN is safe.
  int64_t magnitude = value < 0 ? -static_cast<int64_t>(value) : value;
  char digits[12];
  int n = 0;
  do {
    digits[n++] = static_cast<char>('0' + magnitude % 10);
    magnitude /= 10;
  } while (magnitude != 0);
  char* p = out;
  if (value < 0) *p++ = '-';
  while (n > 0) *p++ = digits[--n];
  *p = '\0';
  return out;
}

int edgeBand(float x, float y) {
  // The last test that holds wins: a y edge over an x edge in the same band,
  // an outer band of either axis over an inner one.
  int band = 0;
  if (x > 200.0f) band = 1;
  if (x < -200.0f) band = 2;
  if (y > 120.0f) band = 3;
  if (y < -120.0f) band = 4;
  if (x > 220.0f) band = 5;
  if (x < -220.0f) band = 6;
  if (y > 140.0f) band = 7;
  if (y < -140.0f) band = 8;
  return band;
}

void playFrame() {
  World& w = gWorld;
  --w.roundTimer;
  if (isBeepFrame(w.roundTimer)) assets::playSoundClip(w.beepClip, kCue);
  if (isLaughFrame(w.roundTimer)) assets::playSoundClip(w.laughClip, kCue);
  squeakCues(w);
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
  drawHud(w);

  glPushMatrix();
  glTranslatef(0.0f, 0.0f, -430.0f);
  glRotatef(w.tiltX, 1.0f, 0.0f, 0.0f);
  glRotatef(w.tiltY, 0.0f, 1.0f, 0.0f);
  w.ball.update(w.tiltX, w.tiltY);
  w.roach.walk();
  w.table.draw();
  w.ball.draw();
  w.roach.draw();
  w.pizza.draw();
  w.squashSpot.animate();
  avoidBall(w);
  cups(w);
  glFlush();
  glPopMatrix();
  platform::swapBuffers(gFrame.deviceContext);

  // From here on the World changes after the picture is shown.
  pizza(w);
  avoidEdges(w);
  endOfRound(w);
  squash(w);
}

}  // namespace game
