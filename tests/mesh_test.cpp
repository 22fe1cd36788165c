// The 3D Studio reader on files built byte by byte, what a Model sends to OpenGL,
// and the generated data files as the game's loaders see them.
#include "assets/mesh.h"

#include <gtest/gtest.h>

#include <array>
#include <atomic>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>

#include "assets/bmp.h"
#include "assets/model.h"
#include "assets/report.h"
#include "platform/gl.h"
#include "platform/sound.h"
#include "tests/byte_builder.h"
#include "tests/gl_harness.h"

// Every operator new of the program is counted, to see that loading a mesh
// needs none. Not under ASan, whose own operator new the GL driver's
// libraries are bound to.
std::atomic<long> gNewCalls{0};
#ifndef __SANITIZE_ADDRESS__
constexpr bool kCountingNews = true;
// Out of line, so that the compiler never pairs a new with the free below.
[[gnu::noinline]] void* operator new(std::size_t size) {
  ++gNewCalls;
  if (void* p = std::malloc(size ? size : 1)) return p;
  throw std::bad_alloc();
}
[[gnu::noinline]] void operator delete(void* p) noexcept { std::free(p); }
[[gnu::noinline]] void operator delete(void* p, std::size_t) noexcept { std::free(p); }
#else
constexpr bool kCountingNews = false;
#endif

namespace {

using assets::Mesh;
using tt::Bytes;
constexpr uint16_t kVerts = 0x4110, kFaces = 0x4120, kMapping = 0x4140;

Bytes chunk(uint16_t id, const Bytes& content) {
  return Bytes().u16(id).u32(uint32_t(6 + content.size())).add(content);
}
Bytes named(const std::string& name, const Bytes& rest) {
  return chunk(0x4000, Bytes().text(name).u8(0).add(rest));
}
Bytes cut(Bytes b, size_t size) { return b.v.resize(size), b; }
// Value k of entry i in a list counting up from base; no three vertices lie on a line.
float entry(float base, int i, int k) { return base + float(i) * float(i + k); }
uint16_t corner(float base, int i, int k) { return uint16_t(int(base) + i + k); }
Bytes list(uint16_t id, int n, float base) {
  Bytes b = Bytes().u16(uint16_t(n));
  for (int i = 0; i < n; ++i) {
    for (int k = 0; k < (id == kMapping ? 2 : 3); ++k)
      id == kFaces ? b.u16(corner(base, i, k)) : b.f32(entry(base, i, k));
    if (id == kFaces) b.u16(7);  // face flags
  }
  return chunk(id, b);
}

// Reading list(id, n, base), or only its first `values` numbers when the file ends early.
struct Step {
  uint16_t id;
  int n;
  float base;
  int values = -1;
};
void apply(Mesh& m, const Step& s) {
  const int width = s.id == kMapping ? 2 : 3, n = std::min(s.n, 500);
  for (int v = 0; v < (s.values < 0 ? n * width : s.values); ++v) {
    const int i = v / width, k = v % width;
    if (s.id == kVerts) m.vertices[i][k] = entry(s.base, i, k);
    if (s.id == kFaces) m.faces[i][k] = corner(s.base, i, k);
    if (s.id == kMapping) m.texCoords[i][k] = entry(s.base, i, k);
  }
  if (s.id == kVerts) m.vertexCount = n;
  if (s.id == kFaces) m.faceCount = n;
}

TEST(Mesh, ReadsListsNamesAndDamagedFiles) {
  struct Case {
    std::string what;
    Bytes file;
    std::vector<Step> expect;
    std::string name = "";  // the name bytes; the rest of the 20 stay 0
  };
  const std::string name19 = "abcdefghijklmnopqrs";
  // main > version, editor > object > mesh > vertices, axis matrix, faces, material group, mapping;
  // then a keyframer, whose vertex list is passed over with it.
  // clang-format off
  const Bytes tri = list(kVerts, 3, 1.5f).add(chunk(0x4160, Bytes().text(std::string(48, 'x'))))
      .add(list(kFaces, 2, 0).add(chunk(0x4130, Bytes().text("mat").u8(0).u16(1).u16(0))))
      .add(list(kMapping, 3, 0.125f));
  const Bytes camera = chunk(0x4700, Bytes().text(std::string(32, 'c')));
  const Bytes prior = list(kVerts, 3, 7).add(list(kFaces, 2, 1));
  std::vector<Case> cases = {
      {"one object",
       chunk(0x4D4D, chunk(2, Bytes().u32(3)).add(chunk(0x3D3D, named(name19, chunk(0x4100, tri)))))
           .add(chunk(0xB000, list(kVerts, 1, 500))),
       {{kVerts, 3, 1.5f}, {kFaces, 2, 0}, {kMapping, 3, 0.125f}}, name19 + '\0'},
      {"later objects write from index 0, the name is never cleared",
       named("longername12", list(kVerts, 4, 10).add(list(kFaces, 2, 0)).add(list(kMapping, 4, 20)))
           .add(named("ob2", chunk(0x4100, list(kVerts, 2, 30).add(list(kFaces, 1, 5))
                                                .add(list(kMapping, 1, 40)))))
           .add(named("cam01", camera)),
       {{kVerts, 4, 10}, {kFaces, 2, 0}, {kMapping, 4, 20}, {kVerts, 2, 30}, {kFaces, 1, 5},
        {kMapping, 1, 40}},
       std::string("cam01\0name12\0", 13)},
      {"empty list", list(kVerts, 3, 5).add(list(kVerts, 0, 0)), {{kVerts, 3, 5}, {kVerts, 0, 0}}},
      {"count cut", Bytes(prior).add(cut(list(kVerts, 3, -20), 7)),
       {{kVerts, 3, 7}, {kFaces, 2, 1}}},
      // one vertex, one float and half a float of three; two corners and a byte of nine faces
      {"vertices cut", Bytes(prior).add(cut(list(kVerts, 3, -20), 26)),
       {{kVerts, 3, 7}, {kFaces, 2, 1}, {kVerts, 3, -20, 4}}},
      {"faces cut", Bytes(prior).add(cut(list(kFaces, 9, 5), 13)),
       {{kVerts, 3, 7}, {kFaces, 2, 1}, {kFaces, 9, 5, 2}}},
  };
  // clang-format on
  for (size_t length : {0, 1, 19, 20, 30}) {
    const std::string name = std::string("ABCDEFGHIJKLMNOPQRSTUVWXYZ0123").substr(0, length);
    cases.push_back({"name " + name,
                     named(name, list(kVerts, 2, 3)),
                     {{kVerts, 2, 3}},
                     (name + '\0').substr(0, std::min<size_t>(length + 1, 20))});
  }
  // Lengths below the header's own 6 bytes end the reading; lengths past the end skip all.
  for (uint32_t length : {0u, 5u, 6u, 10u, 1000u, 0xFFFFFFFFu}) {
    const Bytes file =
        Bytes().u16(0x1234).u32(length).text(length == 10 ? "skip" : "").add(list(kVerts, 2, 8));
    cases.push_back(
        {"chunk length " + std::to_string(length), file,
         length == 6 || length == 10 ? std::vector<Step>{{kVerts, 2, 8}} : std::vector<Step>{}});
  }
  for (uint16_t id : {kVerts, kFaces, kMapping}) {
    for (int n : {501, 65535}) {
      const Step next = id == kVerts ? Step{kMapping, 1, 7} : Step{kVerts, 2, 1};
      cases.push_back({"list " + std::to_string(id) + " of " + std::to_string(n),
                       list(id, n, 0).add(list(next.id, next.n, next.base)),
                       {{id, n, 0}, next}});
    }
  }
  struct Guarded {  // catches writes past the arrays
    Mesh mesh;
    uint8_t guard[64];
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    auto got = std::make_unique<Guarded>(), want = std::make_unique<Guarded>();
    EXPECT_EQ(got->mesh.read3ds(c.file.v.data(), c.file.v.size()), 1);
    auto fromFile = std::make_unique<Guarded>();  // the same bytes through the file's stream
    EXPECT_EQ(fromFile->mesh.load3ds(tt::writeTempFile("case.3ds", c.file.v).c_str()), 1);
    EXPECT_EQ(std::memcmp(fromFile.get(), got.get(), sizeof(Guarded)), 0);
    for (const Step& s : c.expect) apply(want->mesh, s);
    std::memcpy(want->mesh.name, c.name.data(), c.name.size());
    EXPECT_EQ(got->mesh.vertexCount, want->mesh.vertexCount);
    EXPECT_EQ(got->mesh.faceCount, want->mesh.faceCount);
    EXPECT_EQ(std::memcmp(got.get(), want.get(), sizeof(Guarded)), 0);
  }
}

TEST(Mesh, LoadsFilesAndLeavesTheMeshAloneWithoutOne) {
  const Bytes tri = list(kVerts, 3, 2).add(list(kFaces, 1, 0));
  auto m = std::make_unique<Mesh>();
  const std::string path = tt::writeTempFile("tri.3ds", tri.v);
  const long newsBefore = gNewCalls;
  EXPECT_EQ(m->load3ds(path.c_str()), 1);
  EXPECT_TRUE(!kCountingNews || gNewCalls == newsBefore) << "the loader took from the heap";
  const auto before = std::make_unique<Mesh>(*m);
  EXPECT_EQ(m->load3ds(tt::tempPath("no_such.3ds").c_str()), 0);
  EXPECT_EQ(m->load3ds(tt::writeTempFile("empty.3ds", {}).c_str()), 1);
  EXPECT_EQ(std::memcmp(m.get(), before.get(), sizeof(Mesh)), 0);
  EXPECT_EQ(m->vertexCount, 3);
}

// One line for what the game will not show of a file: all but its last object, lists past 500
// entries, or all of it when it holds no triangles.
TEST(Mesh, TellsWhatItLeavesOut) {
  const Bytes tri = list(kVerts, 3, 2).add(list(kFaces, 1, 0));
  const struct {
    Bytes file;
    std::string told;
  } cases[] = {
      {chunk(0x4D4D, named("one", chunk(0x4100, tri))), ""},
      {named("a", chunk(0x4100, tri)).add(named("b", chunk(0x4100, tri))).add(named("c", tri)),
       "2 objects, of which only the last is kept"},
      {list(kVerts, 501, 0).add(list(kFaces, 600, 0)).add(list(kMapping, 700, 0)),
       "501 vertices, of which the first 500 are kept; 600 faces, of which the first 500 are "
       "kept; 700 texture coordinates, of which the first 500 are kept"},
      {chunk(0x4D4D, named("camera", chunk(0x4700, Bytes().u32(0)))), "no triangles in it"},
      {Bytes().u8(0xFF).u8(0xD8).u8(0xFF).u8(0xE0).add(tri), "JPEG data, not a 3D Studio mesh"},
  };
  std::string told;
  assets::setProblemListener([&](const char*, const std::string& problem) { told = problem; });
  for (const auto& c : cases) {
    told.clear();
    auto mesh = std::make_unique<Mesh>();
    mesh->load3ds(tt::writeTempFile("told.3ds", c.file.v).c_str());
    EXPECT_EQ(told, c.told);
  }
  assets::setProblemListener(nullptr);
}

// Draws the model and checks the corners OpenGL received against the listed faces of its mesh,
// in order, and the texture bound.
void expectDrawn(const assets::Model& model, const std::vector<int>& faces, GLuint texture) {
  tt::resetGlState();
  glBindTexture(GL_TEXTURE_2D, 7);
  const tt::Polygons drawn = tt::capture([&] { model.draw(); });
  GLint bound = -1;
  glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
  EXPECT_EQ(bound, GLint(texture));
  ASSERT_EQ(drawn.size(), faces.size());
  for (size_t f = 0; f < faces.size(); ++f) {
    ASSERT_EQ(drawn[f].size(), 3u);
    for (int k = 0; k < 3; ++k) {
      const float* v = model.mesh.vertices[model.mesh.faces[faces[f]][k]];
      const float* st = model.mesh.texCoords[model.mesh.faces[faces[f]][k]];
      EXPECT_NEAR(drawn[f][k].x, v[0], 1e-3);
      EXPECT_NEAR(drawn[f][k].y, v[1], 1e-3);
      EXPECT_NEAR(drawn[f][k].z, v[2], 1e-2);
      EXPECT_EQ(std::pair(drawn[f][k].s, drawn[f][k].t), std::pair(st[0], st[1]));
    }
  }
  tt::resetGlState();
}

TEST(Model, DrawsGoodFacesInFileOrderWithItsTexture) {
  tt::ensureGlContext();
  auto model = std::make_unique<assets::Model>();
  const Bytes quad = list(kVerts, 4, 100).add(list(kMapping, 4, 0.5f));
  model->mesh.read3ds(quad.v.data(), quad.v.size());
  const int32_t faces[4][3] = {{0, 1, 2}, {1, 4, 0}, {3, 2, 1}, {0, 2, 499}};
  std::memcpy(model->mesh.faces, faces, sizeof faces);
  model->mesh.faceCount = 4;
  // Faces naming vertex 4 or 499 of 4 are left out; never loaded, its texture is name 0.
  expectDrawn(*model, {0, 2}, 0);
  // Missing files still give a new texture name.
  const Bytes tri = list(kVerts, 3, 10).add(list(kFaces, 1, 0));
  EXPECT_EQ(
      model->load(tt::writeTempFile("tri.3ds", tri.v).c_str(), tt::tempPath("no.bmp").c_str()), 1);
  EXPECT_NE(model->texture, 0u);
  expectDrawn(*model, {0}, model->texture);
  EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
}

// The generated data within the loaders' limits, and the sizes the rules assume: a ball of radius
// 10, a pizza of radius 49, a table top over the whole play area, a square font, 3:2 boards.
TEST(GeneratedData, FitsTheGamesLoaders) {
  const std::string dir = tt::dataDir() + "/";
  if (tt::readWholeFile(dir + "sphere.3ds").empty()) GTEST_SKIP() << "no generated data";
  for (std::string name :
       {"table", "sphere", "cup", "pizza", "spot", "body", "antenna", "leg1", "leg2"}) {
    SCOPED_TRACE(name);
    auto m = std::make_unique<Mesh>();
    ASSERT_EQ(m->load3ds((dir + name + ".3ds").c_str()), 1);
    EXPECT_TRUE(m->vertexCount > 2 && m->vertexCount <= 500 && m->faceCount > 0);
    for (int i = 0; i < 3 * m->faceCount; ++i)
      ASSERT_LT(m->faces[i / 3][i % 3], m->vertexCount) << i;
    float lo[3] = {}, hi[3] = {};
    for (int i = 0; i < m->vertexCount; ++i)
      for (int k = 0; k < 3; ++k)
        lo[k] = std::min(lo[k], m->vertices[i][k]), hi[k] = std::max(hi[k], m->vertices[i][k]);
    EXPECT_TRUE(name != "sphere" || std::fabs(hi[2] - lo[2] - 20) < 0.1f) << hi[2] - lo[2];
    EXPECT_TRUE(name != "pizza" || std::fabs(hi[0] - lo[0] - 98) < 2) << hi[0] - lo[0];
    EXPECT_TRUE(name != "table" || (lo[0] <= -235 && hi[0] >= 235 && lo[1] <= -155));
  }
  for (std::string name :
       {"linen", "earth", "clay", "pizza", "spot", "b_skin", "l_skin", "font", "win", "lose"}) {
    const std::vector<uint8_t> bytes = tt::readWholeFile(dir + name + ".bmp");
    const auto image = assets::decodeBmp(bytes.data(), bytes.size());
    ASSERT_TRUE(image) << name;
    EXPECT_TRUE(name != "font" || image->width == image->height);
    EXPECT_TRUE((name != "win" && name != "lose") || image->width * 2 == image->height * 3);
  }
  for (std::string name : {"squash", "beep", "bump", "squeakx", "squeaky", "laugh"}) {
    const std::vector<uint8_t> bytes = tt::readWholeFile(dir + name + ".wav");
    EXPECT_EQ(platform::waveProblem(bytes.data(), bytes.size()), "") << name;
  }
}

}  // namespace
