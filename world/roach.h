// The roach: eight rigid pieces drawn as one figure, walking one step a frame
// along its heading and turning away from whatever the play frame points at.
#pragma once

#include "assets/model.h"

namespace world {

struct RoachPart : assets::Model {
  float x = 0;  // offset, applied in the piece's own turned and scaled frame
  float y = 0;
  float scale = 0;
  float rotation = 0;  // degrees about z; the walk cycle swings the legs

  int32_t init(const char* meshPath, const char* texturePath, float px, float py, float pscale,
               float protation);
  int32_t draw() const;
};

constexpr int kRoachParts = 8;

struct Roach {
  float x = 0;
  float y = 0;
  float speed = 0;    // distance per frame
  float heading = 0;  // degrees counter-clockwise; 0 walks toward +y, 90 toward -x
  int32_t walkPhase = 0;
  RoachPart parts[kRoachParts];

  int32_t init(const char* bodyMesh, const char* antennaMesh, const char* firstLegMesh,
               const char* secondLegMesh, const char* bodyTexture, const char* limbTexture,
               float startX, float startY, float startHeading);
  int32_t draw() const;
  int32_t walk();
  // Turns 3 * factor degrees away from the direction (dx, dy) when it lies
  // within 110 degrees of the heading; a direction behind leaves it alone.
  int32_t steerAway(float dx, float dy, float factor);
};

}  // namespace world
