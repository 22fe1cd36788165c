// The earth ball: speeds up with the table's tilt, rolls its mesh in place as
// a ball of radius 10 rolls without sliding, and bounces off round obstacles.
#pragma once

#include "assets/model.h"
#include "assets/sound_clip.h"

namespace world {

struct Ball : assets::Model {
  float vx = 0;  // table units per game frame
  float vy = 0;
  float x = 0;  // centre on the table plane
  float y = 0;
  const assets::SoundClip* bumpClip = nullptr;  // played on every bounce

  int32_t init(const char* meshPath, const char* texturePath, float startX, float startY);
  // One game frame of motion and rolling; tilts in degrees.
  int32_t update(float tiltX, float tiltY);
  // Drawn with its centre 14 above the table frame's origin.
  int32_t draw() const;
  // (dx, dy) is the obstacle's centre minus the ball's centre.
  int32_t bounce(float dx, float dy);
};

}  // namespace world
