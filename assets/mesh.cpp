#include "assets/mesh.h"

#include <algorithm>
#include <cstdio>

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

// A cursor over the open stream, read value by value. A read past the end
// delivers nothing and leaves its destination as it was, as a short fread would.
class Reader {
 public:
  explicit Reader(std::FILE* file) : file_(file) {
    if (std::fseek(file, 0, SEEK_END) == 0) size_ = std::max(std::ftell(file), 0L);
    if (std::fseek(file, 0, SEEK_SET) != 0) size_ = 0;
  }
  bool atEnd() const { return pos_ >= size_; }
  size_t remaining() const { return static_cast<size_t>(size_ - pos_); }
  void skip(size_t n) {
    if (n >= remaining() || std::fseek(file_, static_cast<long>(n), SEEK_CUR) != 0) {
      pos_ = size_;
      return;
    }
    pos_ += static_cast<long>(n);
  }

  template <typename T>
  bool read(T& out) {
    T value;
    if (remaining() < sizeof(T) || std::fread(&value, sizeof(T), 1, file_) != 1) {
      pos_ = size_;
      return false;
    }
    out = value;  // the file is little-endian, as is the host
    pos_ += static_cast<long>(sizeof(T));
    return true;
  }

 private:
  std::FILE* file_;
  long size_ = 0;
  long pos_ = 0;
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

void readChunks(std::FILE* file, Mesh& mesh) {
  Reader in(file);
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
        readName(in, mesh);
        break;
      case kVertexList:
        readVertices(in, mesh);
        break;
      case kFaceList:
        readFaces(in, mesh);
        break;
      case kMappingList:
        readMapping(in, mesh);
        break;
      default:
        // A length below the header's own 6 bytes would not move forward:
        // the file is damaged and the reading ends here.
        if (length < 6) return;
        in.skip(length - 6);
        break;
    }
  }
}

}  // namespace

int32_t Mesh::load3ds(const char* path) {
  std::FILE* file = std::fopen(path, "rb");
  if (!file) return 0;
  char buffer[4096];  // the stream's buffer, so that loading takes nothing from the heap
  std::setvbuf(file, buffer, _IOFBF, sizeof buffer);
  readChunks(file, *this);
  std::fclose(file);
  return 1;
}

int32_t Mesh::read3ds(const uint8_t* data, size_t size) {
  if (size == 0) return 1;  // nothing to read, and fmemopen refuses an empty buffer
  std::FILE* file = fmemopen(const_cast<uint8_t*>(data), size, "rb");
  if (!file) return 1;
  readChunks(file, *this);
  std::fclose(file);
  return 1;
}

}  // namespace assets
