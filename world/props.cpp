#include "world/props.h"

#include "platform/runtime.h"
#include "platform/sound.h"

namespace world {

int32_t Prop::init(const char* meshPath, const char* texturePath, float px, float py) {
  load(meshPath, texturePath);
  x = px;
  y = py;
  platform::seedRandom(static_cast<unsigned>(platform::calendarSeconds()));
  rotation = static_cast<float>(platform::nextRandom() % 360);
  return 1;
}

int32_t Prop::draw() const {
  glPushMatrix();
  glTranslatef(x, y, 20.0f);
  glRotatef(rotation, 0.0f, 0.0f, 1.0f);
  Model::draw();
  glPopMatrix();
  return 1;
}

int32_t SquashSpot::init(const char* meshPath, const char* texturePath) {
  load(meshPath, texturePath);
  clear();
  return 1;
}

void SquashSpot::clear() {
  x = 0.0f;
  y = 0.0f;
  scale = 0.0f;
  rotation = 0.0f;
  frame = 0;
}

int32_t SquashSpot::animate() {
  if (frame > 0) {
    if (frame == 1) {
      scale = 0.0f;
      if (squashClip)
        assets::playSoundClip(*squashClip, platform::kSndAsync | platform::kSndMemory);
    }
    if (frame <= 4) scale += 0.25f;
    if (frame > 70) scale = static_cast<float>(scale - 0.03);
    glPushMatrix();
    glTranslatef(x, y, 5.5f);
    glRotatef(rotation, 0.0f, 0.0f, 1.0f);
    glScalef(scale, scale, scale);
    Model::draw();
    glPopMatrix();
    ++frame;
  }
  if (frame == kSpotLastFrame + 1) clear();
  return 1;
}

}  // namespace world
