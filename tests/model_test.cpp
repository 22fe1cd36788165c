// What a Model sends to OpenGL, caught in feedback mode on the real context.
#include <GL/gl.h>
#include <gtest/gtest.h>

#include <memory>

#include "assets/model.h"
#include "tests/byte_builder.h"
#include "tests/gl_harness.h"

namespace {

using assets::Model;

struct Corner {
  float x, y, s, t;
};
using Triangle = std::vector<Corner>;

// Draws the Model under a pixel-for-unit orthographic projection and returns
// the polygons OpenGL received, corner by corner.
std::vector<Triangle> capture(const Model& model) {
  glMatrixMode(GL_PROJECTION);
  glLoadIdentity();
  glOrtho(0, 960, 0, 640, -1, 1);
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
  std::vector<GLfloat> buffer(8192);
  glFeedbackBuffer(static_cast<GLsizei>(buffer.size()), GL_3D_COLOR_TEXTURE, buffer.data());
  glRenderMode(GL_FEEDBACK);
  model.draw();
  const GLint n = glRenderMode(GL_RENDER);
  std::vector<Triangle> out;
  for (GLint i = 0; i < n;) {
    EXPECT_EQ(buffer[i], static_cast<GLfloat>(GL_POLYGON_TOKEN));
    const int corners = static_cast<int>(buffer[i + 1]);
    i += 2;
    Triangle tri;
    for (int c = 0; c < corners; ++c, i += 11)  // x y z, r g b a, s t r q
      tri.push_back({buffer[i], buffer[i + 1], buffer[i + 7], buffer[i + 8]});
    out.push_back(tri);
  }
  tt::resetGlState();
  return out;
}

GLint boundTexture() {
  GLint t = -1;
  glGetIntegerv(GL_TEXTURE_BINDING_2D, &t);
  return t;
}

void expectCorner(const Corner& got, float x, float y, float s, float t) {
  EXPECT_NEAR(got.x, x, 1e-3);
  EXPECT_NEAR(got.y, y, 1e-3);
  EXPECT_EQ(got.s, s);
  EXPECT_EQ(got.t, t);
}

TEST(Model, DrawSendsCornersInFileOrderAndDropsBadFaces) {
  tt::resetGlState();
  auto model = std::make_unique<Model>();
  assets::Mesh& m = model->mesh;
  m.vertexCount = 4;
  const float xy[4][2] = {{100, 100}, {300, 120}, {200, 400}, {500, 500}};
  for (int i = 0; i < 4; ++i) {
    m.vertices[i][0] = xy[i][0], m.vertices[i][1] = xy[i][1], m.vertices[i][2] = 0;
    m.texCoords[i][0] = 0.125f * i, m.texCoords[i][1] = 1.0f - 0.25f * i;
  }
  m.faceCount = 4;
  const int32_t faces[4][3] = {{0, 1, 2}, {1, 4, 0}, {3, 2, 1}, {0, 2, 499}};
  std::memcpy(m.faces, faces, sizeof faces);
  GLuint other = 0;
  glGenTextures(1, &other);
  glBindTexture(GL_TEXTURE_2D, other);
  const std::vector<Triangle> drawn = capture(*model);
  ASSERT_EQ(drawn.size(), 2u);  // faces naming vertex 4 or 499 of 4 are left out
  for (int f = 0; f < 2; ++f) {
    ASSERT_EQ(drawn[f].size(), 3u);
    for (int k = 0; k < 3; ++k) {
      const int j = faces[f * 2][k];
      expectCorner(drawn[f][k], xy[j][0], xy[j][1], 0.125f * j, 1.0f - 0.25f * j);
    }
  }
  glBindTexture(GL_TEXTURE_2D, other);
  model->draw();
  EXPECT_EQ(boundTexture(), 0);  // never loaded: texture name 0
  glDeleteTextures(1, &other);
}

TEST(Model, MissingFilesStillGiveATextureName) {
  tt::ensureGlContext();
  tt::Bytes tri;  // one triangle in a bare vertex list and face list
  tri.u16(0x4110).u32(6 + 2 + 36).u16(3);
  for (float v : {10.f, 10.f, 0.f, 50.f, 10.f, 0.f, 10.f, 50.f, 0.f}) tri.f32(v);
  tri.u16(0x4120).u32(6 + 2 + 8).u16(1).u16(2).u16(1).u16(0).u16(0);
  const std::string meshPath = tt::writeTempFile("tri.3ds", tri.v);
  const std::string missingBmp = tt::tempPath("no_such.bmp");

  auto noPicture = std::make_unique<Model>();
  EXPECT_EQ(noPicture->load(meshPath.c_str(), missingBmp.c_str()), 1);
  EXPECT_NE(noPicture->texture, 0u);
  const std::vector<Triangle> drawn = capture(*noPicture);
  ASSERT_EQ(drawn.size(), 1u);
  expectCorner(drawn[0][0], 10, 50, 0, 0);
  expectCorner(drawn[0][1], 50, 10, 0, 0);
  expectCorner(drawn[0][2], 10, 10, 0, 0);
  noPicture->draw();
  EXPECT_EQ(boundTexture(), static_cast<GLint>(noPicture->texture));
  const GLuint first = noPicture->texture;
  noPicture->load(meshPath.c_str(), missingBmp.c_str());
  EXPECT_NE(noPicture->texture, first);  // every load takes a new name
  glDeleteTextures(1, &first);

  auto noMesh = std::make_unique<Model>();
  noMesh->load(tt::tempPath("no_such.3ds").c_str(), missingBmp.c_str());
  EXPECT_NE(noMesh->texture, 0u);
  EXPECT_EQ(noMesh->mesh.faceCount, 0);
  EXPECT_TRUE(capture(*noMesh).empty());
  EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

}  // namespace
