#pragma once
// The model's one texture: the PNG file's full path and, when it could be read,
// its decoded image. Making an OpenGL texture from it is the drawing layer's job,
// so that reading a model never needs a display.

#include <optional>
#include <string>

#include "files/png_image.h"

namespace velmora {
inline namespace files {

struct Texture {
    std::string fileName;
    // Absent when the file could not be opened or read as a PNG. Its pixels are
    // empty when the load was asked not to keep them.
    std::optional<Image> image;
};

}  // namespace files
}  // namespace velmora
