#include "world/roach.h"

#include <cmath>

namespace world {
namespace {

constexpr float kPi = 3.14159f;
constexpr float kTwoPi = 6.28318f;

// Leg swings per walk phase for pieces 2 to 7, and the phase that follows.
// Phase 0 settles the legs once; 1 to 6 then cycle and sum to zero per leg,
// two tripods taking turns.
struct PhaseRow {
  float turn[6];
  int32_t next;
};
constexpr PhaseRow kWalkCycle[7] = {
    {{0, -6, 6, 0, 0, -6}, 1},   {{8, 4, -4, -2, 2, 4}, 2},   {{2, 4, -4, -8, 2, 4}, 3},
    {{2, 4, -4, -2, 8, 4}, 4},   {{-4, -8, 2, 4, -4, -2}, 5}, {{-4, -2, 8, 4, -4, -2}, 6},
    {{-4, -2, 2, 4, -4, -8}, 1},
};

}  // namespace

int32_t RoachPart::init(const char* meshPath, const char* texturePath, float px, float py,
                        float pscale, float protation) {
  load(meshPath, texturePath);
  x = px;
  y = py;
  scale = pscale;
  rotation = protation;
  return 1;
}

int32_t RoachPart::draw() const {
  glPushMatrix();
  glScalef(scale, scale, scale);
  glRotatef(rotation, 0.0f, 0.0f, 1.0f);
  // Translating last puts the offset in the piece's own frame, so a leg's
  // swing turns the whole leg about the figure's centre.
  glTranslatef(x, y, -0.8f);
  Model::draw();
  glPopMatrix();
  return 1;
}

int32_t Roach::init(const char* bodyMesh, const char* antennaMesh, const char* firstLegMesh,
                    const char* secondLegMesh, const char* bodyTexture, const char* limbTexture,
                    float startX, float startY, float startHeading) {
  x = startX;
  y = startY;
  heading = startHeading;
  parts[0].init(bodyMesh, bodyTexture, 0.0f, 0.0f, 1.5f, 0.0f);
  parts[1].init(antennaMesh, limbTexture, 3.0f, 7.0f, 1.7f, 0.0f);
  parts[2].init(firstLegMesh, limbTexture, 4.8f, 2.5f, 2.0f, 3.0f);
  parts[3].init(secondLegMesh, limbTexture, 0.0f, 2.5f, 2.0f, -3.0f);
  parts[4].init(firstLegMesh, limbTexture, 4.4f, 0.5f, 2.5f, -9.0f);
  parts[5].init(secondLegMesh, limbTexture, 0.4f, 0.5f, 2.5f, 9.0f);
  parts[6].init(firstLegMesh, limbTexture, 4.6f, -0.5f, 2.5f, -30.0f);
  parts[7].init(secondLegMesh, limbTexture, 0.2f, -0.5f, 2.5f, 30.0f);
  walkPhase = 0;
  speed = 1.4f;
  return 1;
}

int32_t Roach::draw() const {
  glPushMatrix();
  glTranslatef(x, y, 8.0f);
  glRotatef(heading, 0.0f, 0.0f, 1.0f);
  for (const RoachPart& part : parts) part.draw();
  glPopMatrix();
  return 1;
}

int32_t Roach::walk() {
  const double a = static_cast<double>(heading) / 180.0 * static_cast<double>(kPi);
  x = static_cast<float>(x - static_cast<double>(speed) * std::sin(a));
  y = static_cast<float>(y + static_cast<double>(speed) * std::cos(a));
  if (walkPhase < 0 || walkPhase > 6) return 1;
  const PhaseRow& row = kWalkCycle[walkPhase];
  for (int k = 0; k < 6; ++k) parts[k + 2].rotation += row.turn[k];
  walkPhase = row.next;
  return 1;
}

int32_t Roach::steerAway(float dx, float dy, float factor) {
  // A zero vector gives NaN here; every comparison below then fails and only
  // the final wrap runs, so the heading stays as it was.
  const float len =
      static_cast<float>(std::sqrt(static_cast<double>(dx) * dx + static_cast<double>(dy) * dy));
  float angle = static_cast<float>(std::acos(static_cast<double>(dy / len)));
  if (dx > 0) angle = kTwoPi - angle;
  const float bearing = angle / kPi * 180.0f;
  // Each wrap at most once: d ends in 0..360 for any heading the game makes.
  float d = bearing - heading;
  if (d > 360.0f) d -= 360.0f;
  if (d < 0.0f) d += 360.0f;
  const float step = factor * 3.0f;
  if (d >= 0.0f && d <= 110.0f) {
    heading -= step;
  } else if (d >= 250.0f && d <= 360.0f) {
    heading += step;
  }
  if (heading > 360.0f) heading -= 360.0f;
  if (heading < 0.0f) heading += 360.0f;
  return 1;
}

}  // namespace world
