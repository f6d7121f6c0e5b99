#pragma once
// F12's screenshots: what the window shows, as a PNG in the working directory
// named after the model, numbered so that no file is ever replaced.

#include <string>

#include "files/png_image.h"

namespace velmora {
inline namespace app {

// The start of a screenshot's name: the model file's name without its
// extension, or "velmora" without a model.
std::string screenshotStem(const std::string& modelPath);

struct SavedFile {
    // The name written, empty when nothing was.
    std::string path;
    // Why nothing was written, naming the file; empty on success.
    std::string error;
};

// Writes bytes to the first of stem-1.png, stem-2.png, ... in the working
// directory that does not exist yet.
SavedFile saveNumbered(const std::string& stem, const std::string& bytes);

}  // namespace app
}  // namespace velmora
