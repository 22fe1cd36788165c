// The 3D Studio reader on files built byte by byte, and on the generated meshes.
#include "assets/mesh.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <memory>

#include "tests/byte_builder.h"
#include "tests/gl_harness.h"

namespace {

using assets::Mesh;
using tt::Bytes;
using Face = std::array<int32_t, 3>;

Bytes chunk(uint16_t id, const Bytes& content) {
  return Bytes().u16(id).u32(uint32_t(6 + content.size())).add(content);
}
// Entry i of a vertex or mapping list built from `base`, and the lists (count first).
std::array<float, 3> vtx(float base, int i) { return {base + i, base + i * 0.25f, -base - i}; }
std::array<float, 2> uv(float base, int i) { return {base + i * 0.5f, base - i}; }
Bytes vertices(int n, float base) {
  Bytes b = Bytes().u16(uint16_t(n));
  for (int i = 0; i < n; ++i) b.f32(vtx(base, i)[0]).f32(vtx(base, i)[1]).f32(vtx(base, i)[2]);
  return chunk(0x4110, b);
}
Bytes mapping(int n, float base) {
  Bytes b = Bytes().u16(uint16_t(n));
  for (int i = 0; i < n; ++i) b.f32(uv(base, i)[0]).f32(uv(base, i)[1]);
  return chunk(0x4140, b);
}
Bytes faceContent(std::initializer_list<Face> list) {
  Bytes b = Bytes().u16(uint16_t(list.size()));
  for (const Face& f : list) b.u16(uint16_t(f[0])).u16(uint16_t(f[1])).u16(uint16_t(f[2])).u16(7);
  return b;
}
Bytes faces(std::initializer_list<Face> list) { return chunk(0x4120, faceContent(list)); }
Bytes named(const std::string& nameWithNul, const Bytes& rest) {
  return chunk(0x4000, Bytes().text(nameWithNul).add(rest));
}
int32_t read(Mesh& m, const Bytes& b) { return m.read3ds(b.v.data(), b.size()); }

bool hasVertex(const Mesh& m, int at, float base, int i) {
  return std::array<float, 3>{m.vertices[at][0], m.vertices[at][1], m.vertices[at][2]} ==
         vtx(base, i);
}
bool hasUv(const Mesh& m, int at, float base, int i) {
  return std::array<float, 2>{m.texCoords[at][0], m.texCoords[at][1]} == uv(base, i);
}
Face face(const Mesh& m, int at) { return {m.faces[at][0], m.faces[at][1], m.faces[at][2]}; }

const std::string kName19 = "abcdefghijklmnopqrs";

// main > version, editor > object > mesh > vertices, axis matrix, faces >
// material group, mapping; then a keyframer whose vertex list goes with it.
Bytes oneObjectFile() {
  const Bytes axis = chunk(0x4160, Bytes().text(std::string(48, 'x')));
  const Bytes group = chunk(0x4130, Bytes().text("mat").u8(0).u16(1).u16(0));
  const Bytes tri = vertices(3, 1.5f).add(axis).add(
      chunk(0x4120, faceContent({{0, 1, 2}, {2, 1, 0}}).add(group)).add(mapping(3, 0.125f)));
  return chunk(0x4D4D, chunk(2, Bytes().u32(3))
                           .add(chunk(0x3D3D, named(kName19 + '\0', chunk(0x4100, tri))))
                           .add(chunk(0xB000, vertices(1, 500))));
}

TEST(Mesh, ReadsOneNamedTriangleObject) {
  auto m = std::make_unique<Mesh>();
  EXPECT_EQ(read(*m, oneObjectFile()), 1);
  EXPECT_EQ(std::string(m->name, 20), kName19 + '\0');
  ASSERT_EQ(m->vertexCount, 3);
  ASSERT_EQ(m->faceCount, 2);
  for (int i = 0; i < 3; ++i) EXPECT_TRUE(hasVertex(*m, i, 1.5f, i) && hasUv(*m, i, 0.125f, i));
  EXPECT_EQ(face(*m, 0), (Face{0, 1, 2}));
  EXPECT_EQ(face(*m, 1), (Face{2, 1, 0}));
  EXPECT_TRUE(hasVertex(*m, 3, 0, 0) && m->texCoords[3][0] == 0);
}

TEST(Mesh, LaterObjectsWriteFromIndexZero) {
  auto m = std::make_unique<Mesh>();
  const Bytes first = vertices(4, 10).add(faces({{0, 1, 2}, {1, 2, 3}})).add(mapping(4, 20));
  const Bytes second = vertices(2, 30).add(faces({{1, 0, 1}})).add(mapping(1, 40));
  const Bytes camera = chunk(0x4700, Bytes().text(std::string(32, 'c')));
  EXPECT_EQ(read(*m, named(std::string("longername12\0", 13), chunk(0x4100, first))
                         .add(named(std::string("ob2\0", 4), chunk(0x4100, second)))
                         .add(named(std::string("cam01\0", 6), camera))),
            1);
  EXPECT_EQ(std::string(m->name, 13), std::string("cam01\0name12\0", 13));  // never cleared
  EXPECT_EQ(m->vertexCount, 2);
  EXPECT_EQ(m->faceCount, 1);
  for (int i = 0; i < 4; ++i) EXPECT_TRUE(hasVertex(*m, i, i < 2 ? 30 : 10, i)) << i;
  for (int i = 0; i < 4; ++i) EXPECT_TRUE(hasUv(*m, i, i < 1 ? 40 : 20, i)) << i;
  EXPECT_EQ(face(*m, 0), (Face{1, 0, 1}));
  EXPECT_EQ(face(*m, 1), (Face{1, 2, 3}));
}

TEST(Mesh, EmptyVertexListReadsOnlyItsCount) {
  auto m = std::make_unique<Mesh>();
  read(*m, vertices(3, 5));
  EXPECT_EQ(read(*m, vertices(0, 0).add(faces({{4, 5, 6}}))), 1);
  EXPECT_EQ(m->vertexCount, 0);
  ASSERT_EQ(m->faceCount, 1);
  EXPECT_EQ(face(*m, 0), (Face{4, 5, 6}));
  for (int i = 0; i < 3; ++i) EXPECT_TRUE(hasVertex(*m, i, 5, i));
  for (const auto& t : m->texCoords) ASSERT_TRUE(t[0] == 0 && t[1] == 0);  // no mapping list
}

TEST(Mesh, NamesKeepAtMostTwentyBytesAndReadingGoesOn) {
  for (size_t length : {0, 1, 19, 20, 30}) {
    std::string name;
    for (size_t i = 0; i < length; ++i) name += char('A' + i);
    auto m = std::make_unique<Mesh>();
    std::memset(m->name, '#', 20);
    read(*m, named(name + '\0', vertices(2, 3)));
    const size_t kept = std::min<size_t>(length + 1, 20);
    EXPECT_EQ(std::string(m->name, 20),
              (name + '\0').substr(0, kept) + std::string(20 - kept, '#'));
    EXPECT_TRUE(m->vertexCount == 2 && hasVertex(*m, 1, 3, 1)) << length;
  }
}

TEST(Mesh, UnknownChunksArePassedOverOrEndTheReading) {
  // Lengths below the header's own 6 bytes and lengths past the end stop the reading.
  for (uint32_t length : {0u, 5u, 6u, 10u, 1000u, 0xFFFFFFFFu}) {
    auto m = std::make_unique<Mesh>();
    const Bytes file =
        Bytes().u16(0x1234).u32(length).text(length == 10 ? "skip" : "").add(vertices(2, 8));
    EXPECT_EQ(read(*m, file), 1);
    EXPECT_EQ(m->vertexCount, length == 6 || length == 10 ? 2 : 0) << length;
  }
}

TEST(Mesh, OverLongListsKeepFiveHundredAndTheNextChunkIsRead) {
  struct Guarded {
    Mesh mesh;
    uint8_t guard[64];
  };
  for (uint16_t kind : {0x4110, 0x4120, 0x4140}) {
    for (int n : {501, 65535}) {
      SCOPED_TRACE(testing::Message() << std::hex << kind << std::dec << " x " << n);
      Bytes list = Bytes().u16(uint16_t(n));
      for (int i = 0; i < n; ++i) {
        if (kind == 0x4110) list.f32(vtx(0, i)[0]).f32(vtx(0, i)[1]).f32(vtx(0, i)[2]);
        if (kind == 0x4120) list.u16(uint16_t(i)).u16(uint16_t(i + 1)).u16(uint16_t(i + 2)).u16(0);
        if (kind == 0x4140) list.f32(uv(0, i)[0]).f32(uv(0, i)[1]);
      }
      auto g = std::make_unique<Guarded>();
      std::memset(g->guard, 0xA5, sizeof g->guard);
      Mesh& m = g->mesh;
      EXPECT_EQ(
          read(m, chunk(kind, list).add(kind == 0x4110 ? faces({{7, 8, 9}}) : vertices(2, 1))), 1);
      EXPECT_EQ(m.vertexCount, kind == 0x4110 ? 500 : 2);
      EXPECT_TRUE(kind == 0x4110 ? hasVertex(m, 499, 0, 499) : hasVertex(m, 1, 1, 1));
      EXPECT_EQ(m.faceCount, kind == 0x4120 ? 500 : kind == 0x4110 ? 1 : 0);
      if (kind == 0x4110) {
        EXPECT_EQ(face(m, 0), (Face{7, 8, 9}));
      }
      if (kind == 0x4120) {
        EXPECT_EQ(face(m, 499), (Face{499, 500, 501}));
      }
      if (kind == 0x4140) {
        EXPECT_TRUE(hasUv(m, 499, 0, 499));
      }
      // Nothing spilled into the arrays that follow, or past the Mesh.
      if (kind != 0x4120) {
        for (int i = 1; i < 500; ++i) ASSERT_EQ(face(m, i), (Face{0, 0, 0}));
      }
      if (kind != 0x4140) {
        for (const auto& t : m.texCoords) ASSERT_TRUE(t[0] == 0 && t[1] == 0);
      }
      for (uint8_t b : g->guard) ASSERT_EQ(b, 0xA5);
    }
  }
}

TEST(Mesh, ListCutShortKeepsItsCountAndOldValues) {
  auto m = std::make_unique<Mesh>();
  read(*m, vertices(3, 7).add(faces({{1, 1, 1}, {2, 2, 2}})));
  // One vertex, one float and half a float of three; then two corners and a byte of nine faces.
  EXPECT_EQ(read(*m, Bytes().u16(0x4110).u32(44).u16(3).f32(-1).f32(-2).f32(-3).f32(-4).u16(0)), 1);
  EXPECT_EQ(read(*m, Bytes().u16(0x4120).u32(24).u16(9).u16(5).u16(6).u8(1)), 1);
  EXPECT_EQ(m->vertexCount, 3);
  EXPECT_EQ(m->faceCount, 9);
  const std::array<float, 6> first{m->vertices[0][0], m->vertices[0][1], m->vertices[0][2],
                                   m->vertices[1][0], m->vertices[1][1], m->vertices[1][2]};
  EXPECT_EQ(first, (std::array<float, 6>{-1, -2, -3, -4, vtx(7, 1)[1], vtx(7, 1)[2]}));
  EXPECT_TRUE(hasVertex(*m, 2, 7, 2));
  EXPECT_EQ(face(*m, 0), (Face{5, 6, 1}));
  EXPECT_EQ(face(*m, 1), (Face{2, 2, 2}));
}

TEST(Mesh, LoadsFromFilesAndLeavesTheMeshAloneWithoutOne) {
  auto m = std::make_unique<Mesh>();
  read(*m, vertices(3, 2));
  const auto before = std::make_unique<Mesh>(*m);
  EXPECT_EQ(m->load3ds(tt::tempPath("no_such.3ds").c_str()), 0);
  EXPECT_EQ(std::memcmp(m.get(), before.get(), sizeof(Mesh)), 0);
  EXPECT_EQ(m->load3ds(tt::writeTempFile("empty.3ds", {}).c_str()), 1);
  EXPECT_EQ(std::memcmp(m.get(), before.get(), sizeof(Mesh)), 0);
  auto fromFile = std::make_unique<Mesh>(), fromBytes = std::make_unique<Mesh>();
  EXPECT_EQ(fromFile->load3ds(tt::writeTempFile("one.3ds", oneObjectFile().v).c_str()), 1);
  read(*fromBytes, oneObjectFile());
  EXPECT_EQ(fromFile->faceCount, 2);
  EXPECT_EQ(std::memcmp(fromFile.get(), fromBytes.get(), sizeof(Mesh)), 0);
}

TEST(Mesh, GeneratedMeshesFitTheGame) {
  const std::string dir = tt::dataDir() + "/";
  if (tt::readWholeFile(dir + "sphere.3ds").empty()) GTEST_SKIP() << "no generated data";
  for (std::string name :
       {"table", "sphere", "cup", "pizza", "spot", "body", "antenna", "leg1", "leg2"}) {
    SCOPED_TRACE(name);
    auto m = std::make_unique<Mesh>();
    ASSERT_EQ(m->load3ds((dir + name + ".3ds").c_str()), 1);
    EXPECT_TRUE(m->vertexCount > 2 && m->vertexCount <= 500);
    EXPECT_TRUE(m->faceCount > 0 && m->faceCount <= 500);
    for (int i = 0; i < m->faceCount; ++i)
      for (int k = 0; k < 3; ++k) ASSERT_LT(m->faces[i][k], m->vertexCount) << i;
    long double maxR = 0, maxXy = 0, topZ = -1e9L, lo[2] = {}, hi[2] = {};
    int nearBody = 0;
    for (int i = 0; i < m->vertexCount; ++i) topZ = std::max<long double>(topZ, m->vertices[i][2]);
    for (int i = 0; i < m->vertexCount; ++i) {
      const long double x = m->vertices[i][0], y = m->vertices[i][1], z = m->vertices[i][2];
      maxR = std::max(maxR, std::sqrt(x * x + y * y + z * z));
      maxXy = std::max(maxXy, std::sqrt(x * x + y * y));
      nearBody += std::fabs(std::sqrt(x * x + y * y) - 16) < 1;
      if (z == topZ) lo[0] = std::min(lo[0], x), lo[1] = std::min(lo[1], y);
      if (z == topZ) hi[0] = std::max(hi[0], x), hi[1] = std::max(hi[1], y);
    }
    if (name == "sphere") {
      EXPECT_NEAR(double(maxR), 10.0, 0.05);
    }
    if (name == "pizza") {
      EXPECT_NEAR(double(maxXy), 49.0, 1.0);
    }
    if (name == "cup") {
      EXPECT_TRUE(maxXy >= 15.5L && maxXy <= 22.5L && nearBody >= 8);
    }                       // the handle reaches past the body
    if (name == "table") {  // the top spans the whole play area
      EXPECT_TRUE(topZ == 4 && lo[0] <= -235 && hi[0] >= 235 && lo[1] <= -155 && hi[1] >= 155);
    }
  }
}

}  // namespace
