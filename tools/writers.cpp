#include "writers.h"

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
uint32_t crc32(const uint8_t* p, size_t n, uint32_t crc = 0) {
  crc = ~crc;
  for (size_t i = 0; i < n; ++i) {
    crc ^= p[i];
    for (int k = 0; k < 8; ++k) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
  }
  return ~crc;
}

void pngChunk(std::vector<uint8_t>& out, const char* type, const std::vector<uint8_t>& data) {
  auto be32 = [&out](uint32_t v) {
    for (int s = 24; s >= 0; s -= 8) out.push_back(uint8_t(v >> s));
  };
  be32(uint32_t(data.size()));
  const size_t start = out.size();
  out.insert(out.end(), type, type + 4);
  out.insert(out.end(), data.begin(), data.end());
  be32(crc32(out.data() + start, out.size() - start));
}

// Each row gets the PNG filter whose output bytes are smallest in sum, as
// libpng guesses the one that deflates best.
std::vector<uint8_t> filterRows(const std::vector<uint8_t>& raw, size_t row, int rows) {
  std::vector<uint8_t> out, best, trial(row + 1);
  const std::vector<uint8_t> none(row, 0);
  for (int y = 0; y < rows; ++y) {
    const uint8_t* line = raw.data() + (row + 1) * size_t(y) + 1;
    const uint8_t* up = y > 0 ? line - (row + 1) : none.data();
    long bestSum = -1;
    for (uint8_t type = 0; type <= 4; ++type) {
      trial[0] = type;
      long sum = 0;
      for (size_t i = 0; i < row; ++i) {
        const int a = i >= 3 ? line[i - 3] : 0, b = up[i], c = i >= 3 ? up[i - 3] : 0;
        const int p = a + b - c, pa = std::abs(p - a), pb = std::abs(p - b), pc = std::abs(p - c);
        const int predictor[] = {0, a, b, (a + b) / 2, pa <= pb && pa <= pc ? a : pb <= pc ? b : c};
        trial[i + 1] = uint8_t(line[i] - predictor[type]);
        sum += trial[i + 1] < 128 ? trial[i + 1] : 256 - trial[i + 1];
      }
      if (bestSum < 0 || sum < bestSum) bestSum = sum, best = trial;
    }
    out.insert(out.end(), best.begin(), best.end());
  }
  return out;
}
}  // namespace

void writePng(const std::string& path, const Image& img, bool deflate) {
  const auto byte = colourByte;
  std::vector<uint8_t> raw;  // filter byte 0, then RGB, per row from the top
  for (int y = 0; y < img.h; ++y) {
    raw.push_back(0);
    for (int x = 0; x < img.w; ++x) {
      const Rgb& p = img.at(x, y);
      raw.push_back(byte(p.r)), raw.push_back(byte(p.g)), raw.push_back(byte(p.b));
    }
  }
  std::vector<uint8_t> z;
  if (deflate) {
    const std::vector<uint8_t> rows = filterRows(raw, size_t(img.w) * 3, img.h);
    uLongf size = compressBound(uLong(rows.size()));
    z.resize(size);
    if (compress2(z.data(), &size, rows.data(), uLong(rows.size()), Z_BEST_COMPRESSION) != Z_OK)
      fail(path + ": zlib could not compress the picture");
    z.resize(size);
  } else {
    z = {0x78, 0x01};
    for (size_t at = 0; at < raw.size() || at == 0; at += 65535) {
      const size_t n = std::min<size_t>(65535, raw.size() - at);
      z.push_back(at + n >= raw.size() ? 1 : 0);
      z.push_back(uint8_t(n)), z.push_back(uint8_t(n >> 8));
      z.push_back(uint8_t(~n)), z.push_back(uint8_t(~n >> 8));
      z.insert(z.end(), raw.begin() + long(at), raw.begin() + long(at + n));
    }
    uint32_t a = 1, b = 0;  // adler-32 of the raw rows
    for (uint8_t c : raw) a = (a + c) % 65521, b = (b + a) % 65521;
    for (int s = 24; s >= 0; s -= 8) z.push_back(uint8_t(((b << 16) | a) >> s));
  }
  std::vector<uint8_t> out = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  std::vector<uint8_t> ihdr;
  for (uint32_t v : {uint32_t(img.w), uint32_t(img.h)})
    for (int s = 24; s >= 0; s -= 8) ihdr.push_back(uint8_t(v >> s));
  ihdr.insert(ihdr.end(), {8, 2, 0, 0, 0});  // 8-bit RGB, no interlace
  pngChunk(out, "IHDR", ihdr);
  pngChunk(out, "IDAT", z);
  pngChunk(out, "IEND", {});
  save(path, out);
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
