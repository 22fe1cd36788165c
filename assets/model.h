// A Mesh with its texture: the unit every object on the table is loaded and
// drawn as. Models live in static storage, start all zero and are never copied.
#pragma once

#include "assets/mesh.h"
#include "platform/gl.h"

namespace assets {

struct Model {
  Mesh mesh;
  GLuint texture = 0;

  Model() = default;
  Model(const Model&) = delete;
  Model& operator=(const Model&) = delete;
  ~Model();

  // Reads the mesh and gives a new texture name the picture. Needs a current
  // rendering context.
  int32_t load(const char* meshPath, const char* texturePath);
  // Emits the textured triangles in the current modelview frame.
  int32_t draw() const;
  // Deletes the texture name while a context is still current; the destructor
  // then has nothing left to do.
  void releaseTexture();
};

}  // namespace assets
