#include "assets/mesh.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>

#include "assets/report.h"

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

// Where the bytes come from: the open file, value by value through its
// buffered stream, or bytes already in memory (tests and fuzzing).
class FileBytes {
 public:
  explicit FileBytes(std::FILE* file) : file_(file) {}
  bool get(void* out, size_t n) { return std::fread(out, n, 1, file_) == 1; }
  bool skip(size_t n) { return std::fseek(file_, static_cast<long>(n), SEEK_CUR) == 0; }

 private:
  std::FILE* file_;
};

class MemoryBytes {
 public:
  explicit MemoryBytes(const uint8_t* data) : at_(data) {}
  bool get(void* out, size_t n) {
    std::memcpy(out, at_, n);
    at_ += n;
    return true;
  }
  bool skip(size_t n) {
    at_ += n;
    return true;
  }

 private:
  const uint8_t* at_;
};

// A cursor that never passes the end. A read past it delivers nothing and
// leaves its destination as it was, as a short fread would.
template <typename Bytes>
class Reader {
 public:
  Reader(Bytes bytes, size_t size) : bytes_(bytes), size_(size) {}
  bool atEnd() const { return pos_ >= size_; }
  size_t remaining() const { return size_ - pos_; }
  void skip(size_t n) {
    if (n >= remaining() || !bytes_.skip(n)) {
      pos_ = size_;
      return;
    }
    pos_ += n;
  }

  template <typename T>
  bool read(T& out) {
    T value;
    if (remaining() < sizeof(T) || !bytes_.get(&value, sizeof(T))) {
      pos_ = size_;
      return false;
    }
    out = value;  // the file is little-endian, as is the host
    pos_ += sizeof(T);
    return true;
  }

 private:
  Bytes bytes_;
  size_t size_;
  size_t pos_ = 0;
};

// What a reading met beyond what the Mesh keeps, for the player's note.
struct Met {
  int objects = 0;         // triangle meshes
  size_t longest[3] = {};  // vertex, face and mapping list
  bool triangles = false;  // a face list with entries, and vertices
};

// A list longer than the arrays keeps its first kMeshCapacity entries; the
// rest of the list is passed over.
size_t storedEntries(uint16_t count) {
  return count < kMeshCapacity ? count : static_cast<size_t>(kMeshCapacity);
}

template <typename R>
void readName(R& in, Mesh& mesh) {
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

template <typename R>
void readVertices(R& in, Mesh& mesh, Met& met) {
  uint16_t count = 0;
  if (!in.read(count)) return;
  met.longest[0] = std::max<size_t>(met.longest[0], count);
  mesh.vertexCount = static_cast<int32_t>(storedEntries(count));
  for (size_t i = 0; i < count; ++i) {
    float xyz[3];
    for (float& v : xyz) {
      if (!in.read(v)) return;
      if (i < kMeshCapacity) mesh.vertices[i][&v - xyz] = v;
    }
  }
}

template <typename R>
void readFaces(R& in, Mesh& mesh, Met& met) {
  uint16_t count = 0;
  if (!in.read(count)) return;
  met.longest[1] = std::max<size_t>(met.longest[1], count);
  met.triangles = met.triangles || (count > 0 && mesh.vertexCount > 0);
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

template <typename R>
void readMapping(R& in, Mesh& mesh, Met& met) {
  uint16_t count = 0;
  if (!in.read(count)) return;
  met.longest[2] = std::max<size_t>(met.longest[2], count);
  for (size_t i = 0; i < count; ++i) {
    for (int k = 0; k < 2; ++k) {
      float v = 0;
      if (!in.read(v)) return;
      if (i < kMeshCapacity) mesh.texCoords[i][k] = v;
    }
  }
}

template <typename Bytes>
Met readChunks(Reader<Bytes> in, Mesh& mesh) {
  Met met;
  while (!in.atEnd()) {
    uint16_t id = 0;
    uint32_t length = 0;
    if (!in.read(id) || !in.read(length)) break;
    switch (id) {
      case kTriangleMesh:
        ++met.objects;
        break;
      case kMain:
      case kEditor:
        break;  // containers: their content is read as further chunks
      case kNamedObject:
        readName(in, mesh);
        break;
      case kVertexList:
        readVertices(in, mesh, met);
        break;
      case kFaceList:
        readFaces(in, mesh, met);
        break;
      case kMappingList:
        readMapping(in, mesh, met);
        break;
      default:
        // A length below the header's own 6 bytes would not move forward:
        // the file is damaged and the reading ends here.
        if (length < 6) return met;
        in.skip(length - 6);
        break;
    }
  }
  return met;
}

// One note of what the player will miss, or nothing. Built only then, so a
// file the Mesh holds whole costs no heap.
void tellWhatIsLeftOut(const char* path, const Met& met, const uint8_t* head, size_t headSize) {
  std::string note;
  const auto add = [&note](const std::string& part) { note += (note.empty() ? "" : "; ") + part; };
  if (!met.triangles) {
    const char* kind = dataKind(head, headSize);
    const bool other = kind && std::strcmp(kind, "a 3D Studio mesh") != 0;
    add(other ? notA(head, headSize, "a 3D Studio mesh") : "no triangles in it");
  }
  if (met.objects > 1)
    add(std::to_string(met.objects) + " objects, of which only the last is kept");
  static const char* const kLists[] = {"vertices", "faces", "texture coordinates"};
  for (int k = 0; k < 3; ++k) {
    if (met.longest[k] > static_cast<size_t>(kMeshCapacity))
      add(std::to_string(met.longest[k]) + " " + kLists[k] + ", of which the first 500 are kept");
  }
  if (!note.empty()) reportProblem(path, note);
}

}  // namespace

int32_t Mesh::load3ds(const char* path) {
  std::FILE* file = std::fopen(path, "rb");
  if (!file) return 0;
  char buffer[4096];  // the stream's buffer, so that loading takes nothing from the heap
  std::setvbuf(file, buffer, _IOFBF, sizeof buffer);
  uint8_t head[12];  // the first bytes, to name what the file is if not a mesh
  const size_t headSize = std::fread(head, 1, sizeof head, file);
  long size = -1;
  if (std::fseek(file, 0, SEEK_END) == 0) size = std::ftell(file);
  Met met;
  if (size > 0 && std::fseek(file, 0, SEEK_SET) == 0)
    met = readChunks(Reader(FileBytes(file), static_cast<size_t>(size)), *this);
  std::fclose(file);
  tellWhatIsLeftOut(path, met, head, headSize);
  return 1;
}

int32_t Mesh::read3ds(const uint8_t* data, size_t size) {
  readChunks(Reader(MemoryBytes(data), size), *this);
  return 1;
}

}  // namespace assets
