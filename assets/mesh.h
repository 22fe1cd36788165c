// One triangle mesh in fixed arrays, held inside its owner: loading never
// touches the heap.
#pragma once

#include <cstddef>
#include <cstdint>

namespace assets {

constexpr int kMeshNameSize = 20;
constexpr int kMeshCapacity = 500;

struct Mesh {
  char name[kMeshNameSize] = {};
  int32_t vertexCount = 0;
  int32_t faceCount = 0;
  float vertices[kMeshCapacity][3] = {};
  int32_t faces[kMeshCapacity][3] = {};
  float texCoords[kMeshCapacity][2] = {};

  // Reads a 3D Studio file value by value through a buffered stream, straight
  // into the arrays. Returns 0 when the file cannot be opened (the Mesh is
  // left untouched), 1 otherwise, whatever the file held.
  int32_t load3ds(const char* path);
  // The same reading over bytes already in memory.
  int32_t read3ds(const uint8_t* data, size_t size);
};

}  // namespace assets
