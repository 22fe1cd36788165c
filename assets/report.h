// What the loaders could not read of a data file, or left out of it. The
// loaders never print: whoever wants to know sets a listener, and gets one
// short phrase per problem.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

namespace assets {

using ProblemListener = std::function<void(const char* path, const std::string& problem)>;
// Replaces the listener; an empty one lets problems pass unheard.
void setProblemListener(ProblemListener listener);
void reportProblem(const char* path, const std::string& problem);

// What the bytes look like when they are not what a loader wanted, for its
// message: "JPEG data", "a wave file", ... or null when they look like nothing known.
const char* dataKind(const uint8_t* data, size_t size);
// "<kind>, not <wanted>" when the kind is known, else "not <wanted>".
std::string notA(const uint8_t* data, size_t size, const char* wanted);

}  // namespace assets
