#pragma once

#include <cstdint>
#include <vector>

namespace assets {

// Largest data file the game will read: a camera's picture as a bitmap is
// some 100 MiB, and a file is held whole only while it is read.
constexpr long kMaxFileBytes = 256L * 1024 * 1024;

// Reads a whole file opened in binary mode. False when it cannot be opened,
// its length cannot be told, it exceeds kMaxFileBytes, or the read comes up
// short; `why` then says which.
bool readFileBytes(const char* path, std::vector<uint8_t>& out, const char** why = nullptr);

}  // namespace assets
