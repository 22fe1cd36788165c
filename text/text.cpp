#include "text/text.h"

namespace text {
namespace {
GLuint gFontTexture = 0;
}

void setFontTexture(GLuint texture) { gFontTexture = texture; }

GLuint fontTexture() { return gFontTexture; }

void drawText(float size, float x, float y, float z, float angle, const char* line) {
  glPushMatrix();
  glTranslatef(x, y, z);
  glRotatef(angle, 0.0f, 1.0f, 0.0f);
  glBindTexture(GL_TEXTURE_2D, gFontTexture);
  glBegin(GL_QUADS);
  for (int i = 0; line[i] != '\0'; ++i) {
    // Bytes are signed: codes of 128 and up give negative cells, which the
    // texture's repeat wrap folds back onto the grid.
    const int g = static_cast<signed char>(line[i]) - 32;
    const int row = g / 10;
    const int column = g % 10;
    const float s0 = static_cast<float>(column) / 10.0f;
    const float s1 = s0 + 0.1f;
    const float tBottom = 1.0f - static_cast<float>(row) / 10.0f - 0.1f;
    const float tTop = tBottom + 0.1f;
    const float xLeft = size * static_cast<float>(i);
    const float xRight = size * static_cast<float>(i + 1);
    glTexCoord2f(s0, tTop);
    glVertex3f(xLeft, size, 0.0f);
    glTexCoord2f(s1, tTop);
    glVertex3f(xRight, size, 0.0f);
    glTexCoord2f(s1, tBottom);
    glVertex3f(xRight, 0.0f, 0.0f);
    glTexCoord2f(s0, tBottom);
    glVertex3f(xLeft, 0.0f, 0.0f);
  }
  glEnd();
  glPopMatrix();
}

}  // namespace text
