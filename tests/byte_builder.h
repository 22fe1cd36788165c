// Little-endian byte strings for building data files inside tests.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdint>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace tt {

struct Bytes {
  std::vector<uint8_t> v;
  template <typename T>
  Bytes& put(T x) {
    const auto* p = reinterpret_cast<const uint8_t*>(&x);  // the host is little-endian too
    v.insert(v.end(), p, p + sizeof x);
    return *this;
  }
  Bytes& u8(uint8_t x) { return put(x); }
  Bytes& u16(uint16_t x) { return put(x); }
  Bytes& u32(uint32_t x) { return put(x); }
  Bytes& i32(int32_t x) { return put(x); }
  Bytes& f32(float x) { return put(x); }
  Bytes& text(const std::string& s) { return add({{s.begin(), s.end()}}); }  // no terminator
  Bytes& add(const Bytes& b) {
    v.insert(v.end(), b.v.begin(), b.v.end());
    return *this;
  }
  size_t size() const { return v.size(); }
};

// A temporary path no other test process uses.
inline std::string tempPath(const std::string& name) {
  return testing::TempDir() + "tt" + std::to_string(getpid()) + "_" + name;
}
inline std::string writeTempFile(const std::string& name, const std::vector<uint8_t>& bytes) {
  const std::string path = tempPath(name);
  std::ofstream(path, std::ios::binary)
      .write(reinterpret_cast<const char*>(bytes.data()),
             static_cast<std::streamsize>(bytes.size()));
  return path;
}
inline std::vector<uint8_t> readWholeFile(const std::string& path) {
  std::ifstream f(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>()};
}

}  // namespace tt
