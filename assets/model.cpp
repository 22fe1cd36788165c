#include "assets/model.h"

#include "assets/bmp.h"

namespace assets {

Model::~Model() { releaseTexture(); }

int32_t Model::load(const char* meshPath, const char* texturePath) {
  mesh.load3ds(meshPath);
  glGenTextures(1, &texture);
  loadBmpTexture(texturePath, texture);
  return 1;
}

int32_t Model::draw() const {
  glBindTexture(GL_TEXTURE_2D, texture);
  glBegin(GL_TRIANGLES);
  for (int32_t i = 0; i < mesh.faceCount; ++i) {
    const int32_t* corners = mesh.faces[i];
    // A damaged file may name vertices it does not have: such a face is dropped.
    if (corners[0] >= mesh.vertexCount || corners[1] >= mesh.vertexCount ||
        corners[2] >= mesh.vertexCount) {
      continue;
    }
    for (int k = 0; k < 3; ++k) {
      const int32_t j = corners[k];
      glTexCoord2f(mesh.texCoords[j][0], mesh.texCoords[j][1]);
      glVertex3f(mesh.vertices[j][0], mesh.vertices[j][1], mesh.vertices[j][2]);
    }
  }
  glEnd();
  return 1;
}

void Model::releaseTexture() {
  if (texture == 0) return;
  glDeleteTextures(1, &texture);
  texture = 0;
}

}  // namespace assets
