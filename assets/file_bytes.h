#pragma once

#include <cstdint>
#include <vector>

namespace assets {

// Largest data file the game will read; anything bigger is not one of ours.
constexpr long kMaxFileBytes = 64L * 1024 * 1024;

// Reads a whole file opened in binary mode. False when it cannot be opened,
// its length cannot be told, it exceeds kMaxFileBytes, or the read comes up short.
bool readFileBytes(const char* path, std::vector<uint8_t>& out);

}  // namespace assets
