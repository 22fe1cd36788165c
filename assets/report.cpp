#include "assets/report.h"

#include <algorithm>
#include <cstring>
#include <string_view>

namespace assets {
namespace {
ProblemListener gListener;
}

void setProblemListener(ProblemListener listener) { gListener = std::move(listener); }

void reportProblem(const char* path, const std::string& problem) {
  if (gListener) gListener(path, problem);
}

const char* dataKind(const uint8_t* data, size_t size) {
  using namespace std::literals;
  if (size == 0) return "an empty file";
  struct Magic {
    std::string_view bytes;
    size_t at;
    const char* kind;
  };
  static constexpr Magic kMagics[] = {
      {"\xFF\xD8\xFF"sv, 0, "JPEG data"}, {"\x89PNG"sv, 0, "PNG data"},
      {"GIF8"sv, 0, "GIF data"},          {"II*\0"sv, 0, "TIFF data"},
      {"MM\0*"sv, 0, "TIFF data"},        {"WEBP"sv, 8, "WebP data"},
      {"WAVE"sv, 8, "a wave file"},       {"BM"sv, 0, "a bitmap"},
      {"MM"sv, 0, "a 3D Studio mesh"},    {"%PDF"sv, 0, "a PDF document"},
  };
  for (const Magic& m : kMagics) {
    if (size >= m.at + m.bytes.size() &&
        std::memcmp(data + m.at, m.bytes.data(), m.bytes.size()) == 0)
      return m.kind;
  }
  // Printable text: an error page saved under the file's name, say.
  const auto textual = [](uint8_t c) {
    return (c >= 0x20 && c != 0x7F) || c == '\n' || c == '\r' || c == '\t';
  };
  if (std::all_of(data, data + std::min<size_t>(size, 256), textual)) return "text";
  return nullptr;
}

std::string notA(const uint8_t* data, size_t size, const char* wanted) {
  const char* kind = dataKind(data, size);
  return kind ? std::string(kind) + ", not " + wanted : std::string("not ") + wanted;
}

}  // namespace assets
