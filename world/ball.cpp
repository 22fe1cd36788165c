#include "world/ball.h"

#include <cmath>

#include "platform/sound.h"

namespace world {
namespace {
// The game's angles are converted and mirrored with these values, not full pi.
constexpr float kPi = 3.14159f;
constexpr float kTwoPi = 6.28318f;
constexpr float kSpeedLimit = 2.2f;   // per axis, so a diagonal reaches about 2.2 * sqrt(2)
constexpr double kTiltPull = 0.0035;  // velocity change per degree of tilt per frame
constexpr float kRadius = 10.0f;      // the rolling angle is the distance over this
}  // namespace

int32_t Ball::init(const char* meshPath, const char* texturePath, float startX, float startY) {
  load(meshPath, texturePath);
  x = startX;
  y = startY;
  vx = 0.0f;
  vy = 0.0f;
  return 1;
}

int32_t Ball::update(float tiltX, float tiltY) {
  // Only a magnitude strictly above the limit is set back, and that axis
  // ignores its tilt for the frame; 2.2 itself still takes the tilt.
  if (std::fabs(vx) > kSpeedLimit) {
    vx = vx / std::fabs(vx) * kSpeedLimit;
  } else {
    vx = static_cast<float>(vx + tiltY * kTiltPull);
  }
  if (std::fabs(vy) > kSpeedLimit) {
    vy = vy / std::fabs(vy) * kSpeedLimit;
  } else {
    vy = static_cast<float>(vy + tiltX * -kTiltPull);
  }
  x = x + vx;
  y = y + vy;

  const float s =
      static_cast<float>(std::sqrt(static_cast<double>(vx) * vx + static_cast<double>(vy) * vy));
  const float theta = s / kRadius;
  double p = 0.0, q = 0.0;  // the rolling axis: +z cross the direction of travel
  if (s != 0.0f) {
    p = -vy / static_cast<double>(s);
    q = vx / static_cast<double>(s);
  }
  const float c = static_cast<float>(std::cos(static_cast<double>(theta)));
  const float sn = static_cast<float>(std::sin(static_cast<double>(theta)));
  const double t = 1.0 - c;
  const double m00 = t * p * p + c, m01 = t * p * q, m02 = sn * q;
  const double m10 = t * p * q, m11 = t * q * q + c, m12 = -sn * p;
  const double m20 = -sn * q, m21 = sn * p, m22 = c;
  // The orientation lives only in the vertices: each frame's turn is applied
  // on top of all earlier ones and nothing restores the loaded positions.
  const int32_t count = mesh.vertexCount;
  for (int32_t i = 0; i < count; ++i) {
    float* v = mesh.vertices[i];
    const double X = v[0], Y = v[1], Z = v[2];
    v[0] = static_cast<float>(m00 * X + m01 * Y + m02 * Z);
    v[1] = static_cast<float>(m10 * X + m11 * Y + m12 * Z);
    v[2] = static_cast<float>(m20 * X + m21 * Y + m22 * Z);
  }
  return 1;
}

int32_t Ball::draw() const {
  glPushMatrix();
  glTranslatef(x, y, 14.0f);
  Model::draw();
  glPopMatrix();
  return 1;
}

int32_t Ball::bounce(float dx, float dy) {
  const float d =
      static_cast<float>(std::sqrt(static_cast<double>(dx) * dx + static_cast<double>(dy) * dy));
  const float sp =
      static_cast<float>(std::sqrt(static_cast<double>(vx) * vx + static_cast<double>(vy) * vy));
  // Coincident centres or a ball at rest give no direction to mirror about;
  // the ball stays as it is rather than taking NaN into its position.
  if (d == 0.0f || sp == 0.0f) return 1;
  const float nx = dx / d;
  float a = static_cast<float>(std::acos(static_cast<double>(nx)));
  if (dy < 0) a = kTwoPi - a;
  float b = static_cast<float>(std::acos(static_cast<double>(vx) / sp));
  if (vy < 0) b = kTwoPi - b;
  const double turned = static_cast<double>(b) - kPi + 2.0 * (static_cast<double>(a) - b);
  vx = static_cast<float>(sp * std::cos(turned));
  vy = static_cast<float>(sp * std::sin(turned));
  // One unit along the centre line, away from the obstacle, whatever the overlap.
  x = x - nx;
  y = static_cast<float>(y - static_cast<double>(dy) / d);
  if (bumpClip) assets::playSoundClip(*bumpClip, platform::kSndAsync | platform::kSndMemory);
  return 1;
}

}  // namespace world
