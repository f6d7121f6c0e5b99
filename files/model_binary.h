#pragma once
// A Model as bytes, for converted characters on their way from the contained
// conversion into the viewer and in the cache: the arrays as they are in memory,
// so that writing and reading cost little more than copying. It is read only
// from what this program wrote (the cache checks each entry's sums), yet every
// length is checked against the bytes, and the caller checks the model with
// validateModel before it makes its corner arrays (indexFaces) and uses it.

#include <optional>
#include <string>
#include <string_view>

#include "files/model.h"

namespace velmora {
inline namespace files {

// The file name ending that marks a model in this form.
constexpr const char* kModelBinaryExtension = ".vmodel";

std::string modelBinary(const Model& model);

// The model of bytes, without its corner arrays, or nothing when they are not
// whole.
std::optional<Model> readModelBinary(std::string_view bytes);

}  // namespace files
}  // namespace velmora
