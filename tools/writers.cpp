#include "writers.h"

#include <png.h>
#include <zlib.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "pixels.h"

namespace gen {

void fail(const std::string& what) {
  std::fprintf(stderr, "tabletumble-datagen: %s\n", what.c_str());
  std::exit(1);
}

uint16_t MeshData::vertex(float x, float y, float z, float u, float v) {
  if (pos.size() >= kMeshCapacity) fail(name + ": more than 500 vertices");
  pos.push_back({x, y, z});
  uv.push_back({u, v});
  return uint16_t(pos.size() - 1);
}

namespace {

// Little-endian byte buffer; the host byte order does not matter.
struct Bytes {
  std::vector<uint8_t> b;
  void u8(uint8_t v) { b.push_back(v); }
  void u16(uint16_t v) { u8(uint8_t(v)), u8(uint8_t(v >> 8)); }
  void u32(uint32_t v) { u16(uint16_t(v)), u16(uint16_t(v >> 16)); }
  void f32(float f) {
    uint32_t v;
    std::memcpy(&v, &f, 4);
    u32(v);
  }
  void tag(const char* s) { b.insert(b.end(), s, s + std::strlen(s)); }
  // Chunk = id, length (header and all nested content), content.
  size_t open(uint16_t id) {
    u16(id);
    u32(0);
    return b.size() - 6;
  }
  void close(size_t at) {
    const uint32_t len = uint32_t(b.size() - at);
    for (int i = 0; i < 4; ++i) b[at + 2 + size_t(i)] = uint8_t(len >> (8 * i));
  }
};

void save(const std::string& path, const std::vector<uint8_t>& data) {
  FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) fail("cannot write " + path);
  const bool ok = std::fwrite(data.data(), 1, data.size(), f) == data.size();
  if (std::fclose(f) != 0 || !ok) fail("cannot write " + path);
}

}  // namespace

void write3ds(const std::string& path, const MeshData& m) {
  if (m.name.empty() || m.name.size() >= 20) fail(path + ": object name must be 1..19 characters");
  if (m.pos.size() > kMeshCapacity || m.faces.size() > kMeshCapacity)
    fail(path + ": over 500 vertices or faces");
  for (const auto& f : m.faces)
    for (uint16_t i : f)
      if (i >= m.pos.size()) fail(path + ": face index out of range");

  Bytes o;
  const size_t main = o.open(0x4D4D);
  const size_t version = o.open(0x0002);
  o.u32(3);
  o.close(version);
  const size_t editor = o.open(0x3D3D);
  const size_t object = o.open(0x4000);
  o.tag(m.name.c_str());
  o.u8(0);
  const size_t trimesh = o.open(0x4100);
  const size_t verts = o.open(0x4110);
  o.u16(uint16_t(m.pos.size()));
  for (const auto& p : m.pos) o.f32(p[0]), o.f32(p[1]), o.f32(p[2]);
  o.close(verts);
  const size_t uvs = o.open(0x4140);
  o.u16(uint16_t(m.uv.size()));
  for (const auto& t : m.uv) o.f32(t[0]), o.f32(t[1]);
  o.close(uvs);
  const size_t faces = o.open(0x4120);
  o.u16(uint16_t(m.faces.size()));
  for (const auto& f : m.faces)
    o.u16(f[0]), o.u16(f[1]), o.u16(f[2]), o.u16(7);  // 7: all edges visible
  o.close(faces);
  o.close(trimesh);
  o.close(object);
  o.close(editor);
  o.close(main);
  save(path, o.b);
}

namespace {

struct PngFile {
  std::string path;
  std::vector<uint8_t> bytes;
};

void pngWrite(png_structp png, png_bytep data, size_t size) {
  auto* file = static_cast<PngFile*>(png_get_io_ptr(png));
  file->bytes.insert(file->bytes.end(), data, data + size);
}

void pngFlush(png_structp) {}

[[noreturn]] void pngError(png_structp png, png_const_charp message) {
  fail(static_cast<PngFile*>(png_get_io_ptr(png))->path + ": libpng: " + message);
}

}  // namespace

void writePng(const std::string& path, const Image& img, bool smallest) {
  const auto byte = colourByte;
  std::vector<uint8_t> rgb;  // rows from the top
  rgb.reserve(size_t(img.w) * size_t(img.h) * 3);
  for (int y = 0; y < img.h; ++y)
    for (int x = 0; x < img.w; ++x) {
      const Rgb& p = img.at(x, y);
      rgb.push_back(byte(p.r)), rgb.push_back(byte(p.g)), rgb.push_back(byte(p.b));
    }
  std::vector<png_bytep> rows(size_t(img.h));
  for (int y = 0; y < img.h; ++y) rows[size_t(y)] = rgb.data() + size_t(y) * size_t(img.w) * 3;

  PngFile file{path, {}};
  // libpng ends every error in pngError, which exits, so it never longjmps.
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, &file, pngError, nullptr);
  if (!png) fail(path + ": libpng could not start");
  png_infop info = png_create_info_struct(png);
  if (!info) fail(path + ": libpng could not start");
  png_set_write_fn(png, &file, pngWrite, pngFlush);
  png_set_IHDR(png, info, png_uint_32(img.w), png_uint_32(img.h), 8, PNG_COLOR_TYPE_RGB,
               PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  // The desktop icons keep their rows as they were (no filter); the browser's
  // get libpng's choice of filter per row, since the page counts its bytes.
  png_set_filter(png, PNG_FILTER_TYPE_BASE, smallest ? PNG_ALL_FILTERS : PNG_FILTER_NONE);
  png_set_compression_level(png, Z_BEST_COMPRESSION);
  // One IDAT chunk, whatever the picture's size.
  png_set_compression_buffer_size(png, compressBound(uLong(rgb.size() + size_t(img.h))));
  png_set_rows(png, info, rows.data());
  png_write_png(png, info, PNG_TRANSFORM_IDENTITY, nullptr);
  png_destroy_write_struct(&png, &info);
  save(path, file.bytes);
}

void writeBmp(const std::string& path, const Image& img) {
  // The game reads rows with no padding, so a row must be whole 4-byte words.
  if (img.w <= 0 || img.h <= 0 || img.w % 4 != 0)
    fail(path + ": width must be a positive multiple of 4");
  const auto header = bmpHeader(uint32_t(img.w), uint32_t(img.h));
  Bytes o;
  o.b.assign(header.begin(), header.end());
  for (int y = img.h - 1; y >= 0; --y)
    for (int x = 0; x < img.w; ++x) {
      const Rgb& p = img.at(x, y);
      o.u8(colourByte(p.b)), o.u8(colourByte(p.g)), o.u8(colourByte(p.r));
    }
  save(path, o.b);
}

void writeIco(const std::string& path, const Image& img) {
  // Colour rows are written unpadded, so they must be whole 4-byte words.
  if (img.w <= 0 || img.w > 256 || img.h <= 0 || img.h > 256 || img.w % 4 != 0)
    fail(path + ": an icon is a multiple of 4 pixels wide, at most 256 square");
  const uint32_t colourSize = uint32_t(img.w) * uint32_t(img.h) * 3;
  const uint32_t maskSize = uint32_t((img.w + 31) / 32 * 4) * uint32_t(img.h);
  Bytes o;
  o.u16(0), o.u16(1), o.u16(1);                // reserved, type icon, one image
  o.u8(uint8_t(img.w)), o.u8(uint8_t(img.h));  // 256 is stored as 0
  o.u8(0), o.u8(0);                            // no palette, reserved
  o.u16(1), o.u16(24);                         // planes, bits per pixel
  o.u32(40 + colourSize + maskSize);
  o.u32(6 + 16);  // the image follows the directory
  o.u32(40);
  o.u32(uint32_t(img.w));
  o.u32(uint32_t(img.h) * 2);  // the colour bitmap and the mask, stacked
  o.u16(1), o.u16(24);
  o.u32(0), o.u32(colourSize + maskSize);
  o.u32(0), o.u32(0), o.u32(0), o.u32(0);
  const auto byte = colourByte;
  for (int y = img.h - 1; y >= 0; --y)
    for (int x = 0; x < img.w; ++x) {
      const Rgb& p = img.at(x, y);
      o.u8(byte(p.b)), o.u8(byte(p.g)), o.u8(byte(p.r));
    }
  o.b.insert(o.b.end(), maskSize, 0);  // every pixel opaque
  save(path, o.b);
}

void writeWav(const std::string& path, const std::vector<float>& samples, int rate) {
  const uint32_t dataSize = uint32_t(samples.size() * 2);
  Bytes o;
  o.tag("RIFF");
  o.u32(36 + dataSize);
  o.tag("WAVE");
  o.tag("fmt ");
  o.u32(16);
  o.u16(1);  // PCM
  o.u16(1);  // mono
  o.u32(uint32_t(rate));
  o.u32(uint32_t(rate) * 2);
  o.u16(2);
  o.u16(16);
  o.tag("data");
  o.u32(dataSize);
  for (float s : samples) {
    const long v = std::lround(std::clamp(s, -1.0f, 1.0f) * 32767.0f);
    o.u16(uint16_t(int16_t(v)));
  }
  save(path, o.b);
}

}  // namespace gen
