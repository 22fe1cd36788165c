#include "assets/mesh.h"

#include <cstdio>
#include <cstring>
#include <vector>

#include "assets/file_bytes.h"

namespace assets {
namespace {

enum ChunkId : uint16_t {
  kMain = 0x4D4D,
  kEditor = 0x3D3D,
  kNamedObject = 0x4000,
  kTriangleMesh = 0x4100,
  kVertexList = 0x4110,
  kFaceList = 0x4120,
  kMappingList = 0x4140,
};

// A cursor over the file's bytes. A read past the end delivers nothing and
// leaves its destination as it was, as a short fread would.
class Reader {
 public:
  Reader(const uint8_t* data, size_t size) : data_(data), size_(size) {}
  size_t position() const { return pos_; }
  bool atEnd() const { return pos_ >= size_; }
  size_t remaining() const { return pos_ < size_ ? size_ - pos_ : 0; }
  void skip(size_t n) { pos_ = n > remaining() ? size_ : pos_ + n; }

  template <typename T>
  bool read(T& out) {
    if (remaining() < sizeof(T)) {
      pos_ = size_;
      return false;
    }
    std::memcpy(&out, data_ + pos_, sizeof(T));  // the file is little-endian, as is the host
    pos_ += sizeof(T);
    return true;
  }

 private:
  const uint8_t* data_;
  size_t size_;
  size_t pos_ = 0;
};

// A list longer than the arrays keeps its first kMeshCapacity entries; the
// rest of the list is passed over.
size_t storedEntries(uint16_t count) {
  return count < kMeshCapacity ? count : static_cast<size_t>(kMeshCapacity);
}

void readName(Reader& in, Mesh& mesh) {
  int k = 0;
  uint8_t byte = 0;
  while (k < kMeshNameSize && in.read(byte)) {
    mesh.name[k++] = static_cast<char>(byte);
    if (byte == 0) return;
  }
  // A name of 20 bytes or more keeps 20; the rest up to its NUL is passed over
  // so that the next chunk header is read where it really starts.
  while (k == kMeshNameSize && in.read(byte) && byte != 0) {
  }
}

void readVertices(Reader& in, Mesh& mesh) {
  uint16_t count = 0;
  if (!in.read(count)) return;
  mesh.vertexCount = static_cast<int32_t>(storedEntries(count));
  for (size_t i = 0; i < count; ++i) {
    float xyz[3];
    for (float& v : xyz) {
      if (!in.read(v)) return;
      if (i < kMeshCapacity) mesh.vertices[i][&v - xyz] = v;
    }
  }
}

void readFaces(Reader& in, Mesh& mesh) {
  uint16_t count = 0;
  if (!in.read(count)) return;
  mesh.faceCount = static_cast<int32_t>(storedEntries(count));
  for (size_t i = 0; i < count; ++i) {
    for (int k = 0; k < 3; ++k) {
      uint16_t index = 0;
      if (!in.read(index)) return;
      if (i < kMeshCapacity) mesh.faces[i][k] = index;
    }
    uint16_t flags = 0;
    if (!in.read(flags)) return;
  }
}

void readMapping(Reader& in, Mesh& mesh) {
  uint16_t count = 0;
  if (!in.read(count)) return;
  for (size_t i = 0; i < count; ++i) {
    for (int k = 0; k < 2; ++k) {
      float v = 0;
      if (!in.read(v)) return;
      if (i < kMeshCapacity) mesh.texCoords[i][k] = v;
    }
  }
}

}  // namespace

int32_t Mesh::read3ds(const uint8_t* data, size_t size) {
  Reader in(data, size);
  while (!in.atEnd()) {
    uint16_t id = 0;
    uint32_t length = 0;
    if (!in.read(id) || !in.read(length)) break;
    switch (id) {
      case kMain:
      case kEditor:
      case kTriangleMesh:
        break;  // containers: their content is read as further chunks
      case kNamedObject:
        readName(in, *this);
        break;
      case kVertexList:
        readVertices(in, *this);
        break;
      case kFaceList:
        readFaces(in, *this);
        break;
      case kMappingList:
        readMapping(in, *this);
        break;
      default:
        // A length below the header's own 6 bytes would not move forward:
        // the file is damaged and the reading ends here.
        if (length < 6) return 1;
        in.skip(length - 6);
        break;
    }
  }
  return 1;
}

int32_t Mesh::load3ds(const char* path) {
  std::vector<uint8_t> bytes;
  if (!readFileBytes(path, bytes)) return 0;
  return read3ds(bytes.data(), bytes.size());
}

}  // namespace assets
