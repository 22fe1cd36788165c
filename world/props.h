// What stands still on the table: cups and the pizza (Props) and the stain a
// squash leaves behind.
#pragma once

#include "assets/model.h"
#include "assets/sound_clip.h"

namespace world {

struct Prop : assets::Model {
  float x = 0;
  float y = 0;
  float rotation = 0;  // whole degrees 0..359, fixed at init

  // Reseeds the shared generator from the calendar time in whole seconds
  // before drawing the rotation, so Props made within one second turn alike.
  int32_t init(const char* meshPath, const char* texturePath, float px, float py);
  int32_t draw() const;
};

// Stain frames: grows in over four frames, shrinks from frame 71, gone after 99.
constexpr int32_t kSpotLastFrame = 99;

struct SquashSpot : assets::Model {
  float x = 0;
  float y = 0;
  float scale = 0;
  float rotation = 0;
  int32_t frame = 0;                              // 0 idle, 1..99 showing
  const assets::SoundClip* squashClip = nullptr;  // played as the stain starts

  int32_t init(const char* meshPath, const char* texturePath);
  // One frame of the stain's course; draws it while it shows.
  int32_t animate();
  void clear();
};

}  // namespace world
