// One line of bitmap-font text: a row of textured squares cut from a 10 x 10
// glyph grid whose top-left cell is the space (code 32), in reading order.
#pragma once

#include "platform/gl.h"

namespace text {

// The texture name drawText binds; the World sets it once the font is loaded.
void setFontTexture(GLuint texture);
GLuint fontTexture();

// Draws `line` with its bottom-left corner at (x, y, z) of the current
// modelview frame, each character a size x size square, turned by `angle`
// degrees about the y axis. The matrix is the same afterwards and the font
// texture stays bound.
void drawText(float size, float x, float y, float z, float angle, const char* line);

}  // namespace text
