#pragma once
// The picture velmora-render writes: the model drawn offscreen with the viewer's
// own frame (fixed state, projection for the size, orbit camera, model pass) at
// fixed clock readings.

#include <stdexcept>

#include "files/png_image.h"
#include "tools/render/render_options.h"

namespace velmora {
inline namespace render {

// Why no picture could be made.
class RenderFailure : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// Loads the model (files that cannot be opened are reported as the viewer
// reports them) and draws the picture that options ask for: the reset camera,
// turned to --angle and moved to --zoom when given. Throws RenderFailure when the
// model file cannot be read, the output would replace one of the files it is
// read from, the animation does not exist or cannot be played, or no offscreen
// context can be made.
Image renderPicture(const RenderOptions& options);

}  // namespace render
}  // namespace velmora
