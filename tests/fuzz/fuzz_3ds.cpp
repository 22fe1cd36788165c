// Any bytes as a 3D Studio file: the Mesh must stay within its arrays, and
// every stored face index must still be drawable-or-dropped.
#include <cstddef>
#include <cstdint>
#include <memory>

#include "assets/mesh.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static auto mesh = std::make_unique<assets::Mesh>();
  *mesh = assets::Mesh{};
  mesh->read3ds(data, size);
  if (mesh->vertexCount < 0 || mesh->vertexCount > assets::kMeshCapacity) __builtin_trap();
  if (mesh->faceCount < 0 || mesh->faceCount > assets::kMeshCapacity) __builtin_trap();
  return 0;
}
