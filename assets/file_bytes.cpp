#include "assets/file_bytes.h"

#include <cstdio>

namespace assets {

bool readFileBytes(const char* path, std::vector<uint8_t>& out, const char** why) {
  const char* problem = "cannot be opened";
  out.clear();
  if (std::FILE* file = std::fopen(path, "rb")) {
    problem = "cannot be read";
    if (std::fseek(file, 0, SEEK_END) == 0) {
      const long length = std::ftell(file);
      if (length > kMaxFileBytes) {
        problem = "larger than the 256 MiB the game reads";
      } else if (length >= 0 && std::fseek(file, 0, SEEK_SET) == 0) {
        out.assign(static_cast<size_t>(length), 0);
        if (std::fread(out.data(), 1, out.size(), file) == out.size()) problem = nullptr;
      }
    }
    std::fclose(file);
  }
  if (problem) out.clear();
  if (why) *why = problem;
  return !problem;
}

}  // namespace assets
