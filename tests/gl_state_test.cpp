// The fixed OpenGL state every frame relies on, read back from a real context.
#include <GL/gl.h>
#include <GL/glu.h>
#include <gtest/gtest.h>

#include "shell/render_context.h"
#include "tests/gl_harness.h"

namespace {

TEST(FixedGlState, IsWhatEveryFrameReliesOn) {
  tt::ensureGlContext();
  shell::setFixedGlState();

  GLint viewport[4];
  glGetIntegerv(GL_VIEWPORT, viewport);
  EXPECT_EQ(viewport[0], 0);
  EXPECT_EQ(viewport[1], 0);
  EXPECT_EQ(viewport[2], 960);
  EXPECT_EQ(viewport[3], 640);

  GLfloat projection[16];
  glGetFloatv(GL_PROJECTION_MATRIX, projection);
  glMatrixMode(GL_PROJECTION);
  glPushMatrix();
  glLoadIdentity();
  gluPerspective(45.0, 1.5, 10.0, 10000.0);
  GLfloat expected[16];
  glGetFloatv(GL_PROJECTION_MATRIX, expected);
  glPopMatrix();
  glMatrixMode(GL_MODELVIEW);
  for (int i = 0; i < 16; ++i) EXPECT_FLOAT_EQ(projection[i], expected[i]) << i;
  // gluPerspective(45, 1.5, 10, 10000): f = cot(22.5 deg) = 2.41421.
  EXPECT_NEAR(projection[5], 2.4142136f, 1e-5f);
  EXPECT_NEAR(projection[0], 2.4142136f / 1.5f, 1e-5f);

  struct Flag {
    GLenum cap;
    GLboolean on;
  };
  for (const Flag& f :
       {Flag{GL_DEPTH_TEST, GL_TRUE}, Flag{GL_TEXTURE_2D, GL_TRUE}, Flag{GL_LIGHTING, GL_FALSE},
        Flag{GL_BLEND, GL_FALSE}, Flag{GL_CULL_FACE, GL_FALSE}}) {
    EXPECT_EQ(glIsEnabled(f.cap), f.on) << std::hex << f.cap;
  }
  GLint polygonMode[2];
  glGetIntegerv(GL_POLYGON_MODE, polygonMode);
  EXPECT_EQ(polygonMode[0], GL_FILL);
  EXPECT_EQ(polygonMode[1], GL_FILL);
  GLint shade = 0, matrixMode = 0;
  glGetIntegerv(GL_SHADE_MODEL, &shade);
  glGetIntegerv(GL_MATRIX_MODE, &matrixMode);
  EXPECT_EQ(shade, GL_SMOOTH);
  EXPECT_EQ(matrixMode, GL_MODELVIEW);
  GLfloat modelview[16];
  glGetFloatv(GL_MODELVIEW_MATRIX, modelview);
  for (int i = 0; i < 16; ++i) EXPECT_EQ(modelview[i], (i % 5 == 0) ? 1.0f : 0.0f) << i;
  GLfloat clear[4];
  glGetFloatv(GL_COLOR_CLEAR_VALUE, clear);
  for (float c : clear) EXPECT_EQ(c, 0.0f);
  GLint depthBits = 0, redBits = 0, alphaBits = 0;
  glGetIntegerv(GL_DEPTH_BITS, &depthBits);
  glGetIntegerv(GL_RED_BITS, &redBits);
  glGetIntegerv(GL_ALPHA_BITS, &alphaBits);
  EXPECT_GE(depthBits, 16);
  EXPECT_EQ(redBits, 8);
  EXPECT_EQ(alphaBits, 8);
}

}  // namespace
