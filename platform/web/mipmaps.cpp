// Emscripten's GLU lacks gluBuild2DMipmaps. WebGL 1 can mipmap and repeat
// only textures whose sides are powers of two; the game's loader scales every
// picture to such sides itself (as it does for GLU everywhere), so unlike
// GLU's this builder takes nothing else: each level is halved from the one
// before and uploaded.
#include <GL/gl.h>
#include <GL/glu.h>

#include <algorithm>
#include <cstdint>
#include <vector>

namespace {

using Image = std::vector<uint8_t>;

// The next level: each texel the mean of the 2 x 2 (or 2 x 1) block above it.
Image halve(const Image& in, int w, int h, int channels, int outW, int outH) {
  Image out(static_cast<size_t>(outW) * outH * channels);
  const int sx = w / outW, sy = h / outH;
  for (int y = 0; y < outH; ++y) {
    for (int x = 0; x < outW; ++x) {
      for (int c = 0; c < channels; ++c) {
        int sum = 0;
        for (int dy = 0; dy < sy; ++dy) {
          for (int dx = 0; dx < sx; ++dx) {
            sum += in[((size_t(y) * sy + dy) * w + x * sx + dx) * channels + c];
          }
        }
        out[(size_t(y) * outW + x) * channels + c] =
            static_cast<uint8_t>((sum + sx * sy / 2) / (sx * sy));
      }
    }
  }
  return out;
}

}  // namespace

extern "C" GLint gluBuild2DMipmaps(GLenum target, GLint internalFormat, GLsizei width,
                                   GLsizei height, GLenum format, GLenum type, const void* data) {
  const int channels = format == GL_RGBA ? 4 : format == GL_RGB ? 3 : 0;
  const auto power = [](GLsizei side) { return side > 0 && (side & (side - 1)) == 0; };
  if (!power(width) || !power(height) || !data) return GLU_INVALID_VALUE;
  if (channels == 0 || type != GL_UNSIGNED_BYTE) return GLU_INVALID_ENUM;

  // Rows in the caller's memory follow its unpack alignment; ours are packed.
  GLint alignment = 4;
  glGetIntegerv(GL_UNPACK_ALIGNMENT, &alignment);
  const size_t row = static_cast<size_t>(width) * channels;
  const size_t stride = (row + alignment - 1) / alignment * alignment;
  Image level(row * height);
  for (int y = 0; y < height; ++y) {
    std::copy_n(static_cast<const uint8_t*>(data) + y * stride, row, level.begin() + y * row);
  }

  int w = width, h = height;
  glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
  for (int lod = 0;; ++lod) {
    glTexImage2D(target, lod, internalFormat, w, h, 0, format, type, level.data());
    if (w == 1 && h == 1) break;
    const int nextW = std::max(w / 2, 1), nextH = std::max(h / 2, 1);
    level = halve(level, w, h, channels, nextW, nextH);
    w = nextW;
    h = nextH;
  }
  glPixelStorei(GL_UNPACK_ALIGNMENT, alignment);
  return 0;
}
