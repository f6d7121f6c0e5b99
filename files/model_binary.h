#pragma once
// A Model as bytes, for converted characters on their way from the contained
// conversion into the viewer and in the cache: the arrays as they are in memory,
// so that writing and reading cost little more than copying. The bytes are
// untrusted (a conversion child or a cache entry may be hostile): every count
// is bounded by the bytes that remain before anything is sized, numbers must
// be finite, the rate within 1 to kMaxPlaybackRate and an image's pixels match
// its sides; the caller checks the rest with validateModel before it makes the
// corner arrays (indexFaces) and uses the model.

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
// whole or sound, or when memory runs out while it is read.
std::optional<Model> readModelBinary(std::string_view bytes);

}  // namespace files
}  // namespace velmora
