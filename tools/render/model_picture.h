#pragma once
// The picture velmora-render writes: the model drawn offscreen with the viewer's
// own frame (fixed state, projection for the size, orbit camera, model pass) at
// fixed clock readings.

#include <memory>
#include <stdexcept>

#include "view/camera.h"

#include "files/png_image.h"
#include "tools/render/render_options.h"

namespace velmora {
inline namespace render {

// Why no picture could be made.
class RenderFailure : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// The model that options name, loaded and drawn offscreen as they ask, frame
// after frame: the reset camera, turned to --angle and moved to --zoom when
// given.
class ModelDrawing {
  public:
    // Loads the model (files that cannot be opened are reported as the viewer
    // reports them). Throws RenderFailure when the model file cannot be read, the
    // output (-o or --video) would replace one of the files it is read from, the
    // animation does not exist or cannot be played, or no offscreen context can
    // be made.
    explicit ModelDrawing(const RenderOptions& options);
    ~ModelDrawing();
    ModelDrawing(const ModelDrawing&) = delete;
    ModelDrawing& operator=(const ModelDrawing&) = delete;

    // The picture at the clock reading, with camera.
    Image draw(int64_t milliseconds, const Camera& camera);
    // The camera that options ask for.
    const Camera& camera() const;
    // The length of one pass of the animation drawn, in milliseconds.
    int64_t loopMilliseconds() const;
    // Throws RenderFailure when writing path would replace one of the files the
    // model is read from.
    void refuseToReplaceInputs(const std::string& path) const;

  private:
    struct State;
    std::unique_ptr<State> state_;
};

// The picture that options ask for (one frame, or a sheet), as ModelDrawing
// draws it; throws as it does.
Image renderPicture(const RenderOptions& options);

}  // namespace render
}  // namespace velmora
