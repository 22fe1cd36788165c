// Emscripten's GLU lacks gluBuild2DMipmaps. WebGL 1 can mipmap and repeat
// only textures whose sides are powers of two, so as GLU does, a picture is
// first scaled to the nearest power-of-two size, then each level is halved
// from the one before and uploaded.
#include <GL/gl.h>
#include <GL/glu.h>

#include <algorithm>
#include <cstdint>
#include <vector>

namespace {

// GLU's rounding: 3 goes up to 4, 5 down to 4, 6 up to 8.
int nearestPower(int value) {
  int power = 1;
  for (;;) {
    if (value <= 1) return power;
    if (value == 3) return power * 4;
    value >>= 1;
    power *= 2;
  }
}

using Image = std::vector<uint8_t>;

// Bilinear resampling to a new size, pixel centres matched.
Image scale(const Image& in, int w, int h, int channels, int outW, int outH) {
  Image out(static_cast<size_t>(outW) * outH * channels);
  for (int y = 0; y < outH; ++y) {
    const float sy = std::clamp((y + 0.5f) * h / outH - 0.5f, 0.0f, h - 1.0f);
    const int y0 = static_cast<int>(sy), y1 = std::min(y0 + 1, h - 1);
    const float fy = sy - y0;
    for (int x = 0; x < outW; ++x) {
      const float sx = std::clamp((x + 0.5f) * w / outW - 0.5f, 0.0f, w - 1.0f);
      const int x0 = static_cast<int>(sx), x1 = std::min(x0 + 1, w - 1);
      const float fx = sx - x0;
      for (int c = 0; c < channels; ++c) {
        auto at = [&](int px, int py) { return float(in[(size_t(py) * w + px) * channels + c]); };
        const float top = at(x0, y0) * (1 - fx) + at(x1, y0) * fx;
        const float bottom = at(x0, y1) * (1 - fx) + at(x1, y1) * fx;
        out[(size_t(y) * outW + x) * channels + c] =
            static_cast<uint8_t>(top * (1 - fy) + bottom * fy + 0.5f);
      }
    }
  }
  return out;
}

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
  if (width < 1 || height < 1 || !data) return GLU_INVALID_VALUE;
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

  GLint maxSize = 2048;
  glGetIntegerv(GL_MAX_TEXTURE_SIZE, &maxSize);
  int w = std::min(nearestPower(width), static_cast<int>(maxSize));
  int h = std::min(nearestPower(height), static_cast<int>(maxSize));
  if (w != width || h != height) level = scale(level, width, height, channels, w, h);

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

// The GL emulation takes the texture environment's mode only as an integer;
// the float call, which the loader makes, is passed on as that.
extern "C" void __real_glTexEnvf(GLenum target, GLenum pname, GLfloat param);
extern "C" void __wrap_glTexEnvf(GLenum target, GLenum pname, GLfloat param) {
  if (pname == GL_TEXTURE_ENV_MODE) {
    glTexEnvi(target, pname, static_cast<GLint>(param));
  } else {
    __real_glTexEnvf(target, pname, param);
  }
}
