#include "assets/file_bytes.h"

#include <cstdio>

namespace assets {

bool readFileBytes(const char* path, std::vector<uint8_t>& out) {
  std::FILE* file = std::fopen(path, "rb");
  if (!file) return false;
  bool ok = false;
  if (std::fseek(file, 0, SEEK_END) == 0) {
    const long length = std::ftell(file);
    if (length >= 0 && length <= kMaxFileBytes && std::fseek(file, 0, SEEK_SET) == 0) {
      out.assign(static_cast<size_t>(length), 0);
      ok = std::fread(out.data(), 1, out.size(), file) == out.size();
    }
  }
  std::fclose(file);
  if (!ok) out.clear();
  return ok;
}

}  // namespace assets
