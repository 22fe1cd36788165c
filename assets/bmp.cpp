#include "assets/bmp.h"

#include <cstring>

#include "assets/file_bytes.h"
#include "platform/gl.h"

namespace assets {
namespace {

constexpr size_t kFileHeaderSize = 14;
constexpr size_t kInfoHeaderMinSize = 40;

template <typename T>
T readLe(const uint8_t* p) {
  T v;
  std::memcpy(&v, p, sizeof(T));  // little-endian file on a little-endian host
  return v;
}

}  // namespace

std::optional<RgbImage> decodeBmp(const uint8_t* data, size_t size) {
  if (size < kFileHeaderSize + kInfoHeaderMinSize) return std::nullopt;
  const uint32_t pixelOffset = readLe<uint32_t>(data + 10);
  const uint32_t infoSize = readLe<uint32_t>(data + 14);
  const int32_t width = readLe<int32_t>(data + 18);
  const int32_t rawHeight = readLe<int32_t>(data + 22);
  const uint16_t bitsPerPixel = readLe<uint16_t>(data + 28);
  const uint32_t compression = readLe<uint32_t>(data + 30);
  if (infoSize < kInfoHeaderMinSize || bitsPerPixel != 24 || compression != 0) return std::nullopt;
  if (rawHeight == INT32_MIN) return std::nullopt;
  const bool topDown = rawHeight < 0;
  const int32_t height = topDown ? -rawHeight : rawHeight;
  if (width <= 0 || height <= 0 || width > kMaxBmpSide || height > kMaxBmpSide) {
    return std::nullopt;
  }
  if (static_cast<int64_t>(width) * height > kMaxBmpPixels) return std::nullopt;
  // Rows are stored padded to whole 4-byte words.
  const size_t rowBytes = (static_cast<size_t>(width) * 3 + 3) / 4 * 4;
  if (pixelOffset > size || size - pixelOffset < 3) return std::nullopt;

  RgbImage image;
  image.width = width;
  image.height = height;
  image.rgb.assign(static_cast<size_t>(width) * static_cast<size_t>(height) * 3, 0);
  const uint8_t* pixels = data + pixelOffset;
  const size_t available = size - pixelOffset;
  uint8_t last[3] = {0, 0, 0};  // blue, green, red of the last whole pixel read
  // File order, so that in a short top-down file too the missing pixels repeat
  // the last one the file holds.
  for (int32_t fileRow = 0; fileRow < height; ++fileRow) {
    const int32_t row = topDown ? height - 1 - fileRow : fileRow;
    const size_t rowStart = static_cast<size_t>(fileRow) * rowBytes;
    uint8_t* out = image.rgb.data() + static_cast<size_t>(row) * static_cast<size_t>(width) * 3;
    for (int32_t col = 0; col < width; ++col, out += 3) {
      const size_t at = rowStart + static_cast<size_t>(col) * 3;
      if (at + 3 <= available) std::memcpy(last, pixels + at, 3);
      out[0] = last[2];
      out[1] = last[1];
      out[2] = last[0];
    }
  }
  return image;
}

int32_t loadBmpTexture(const char* path, GLuint texture) {
  std::vector<uint8_t> bytes;
  if (!readFileBytes(path, bytes)) return -1;
  const std::optional<RgbImage> image = decodeBmp(bytes.data(), bytes.size());
  if (!image) return -1;

  glBindTexture(GL_TEXTURE_2D, texture);
  glTexParameterf(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, static_cast<GLfloat>(GL_REPEAT));
  glTexParameterf(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, static_cast<GLfloat>(GL_REPEAT));
  glTexParameterf(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, static_cast<GLfloat>(GL_LINEAR));
  glTexParameterf(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER,
                  static_cast<GLfloat>(GL_LINEAR_MIPMAP_NEAREST));
  glTexEnvf(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, static_cast<GLfloat>(GL_REPLACE));
  // Rows were repacked without padding; only a width whose rows are not whole
  // 4-byte words needs the unpack alignment lowered for the upload.
  const bool oddRows = (image->width * 3) % 4 != 0;
  GLint alignment = 4;
  if (oddRows) {
    glGetIntegerv(GL_UNPACK_ALIGNMENT, &alignment);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
  }
  gluBuild2DMipmaps(GL_TEXTURE_2D, GL_RGB, image->width, image->height, GL_RGB, GL_UNSIGNED_BYTE,
                    image->rgb.data());
  if (oddRows) glPixelStorei(GL_UNPACK_ALIGNMENT, alignment);
  return 1;
}

}  // namespace assets
