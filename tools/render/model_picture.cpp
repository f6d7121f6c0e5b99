#include "tools/render/model_picture.h"

#include <filesystem>

#include "app/camera.h"
#include "app/frame.h"
#include "model/animation.h"
#include "model/clock.h"
#include "model/drawing.h"
#include "tools/render/offscreen_context.h"
#include "tools/render/sheet.h"

namespace {

Camera cameraFor(const RenderOptions& options) {
    Camera camera;
    camera.reset();
    camera.angle = options.angle.value_or(camera.angle);
    camera.radius = options.zoom.value_or(camera.radius);
    camera.update();
    return camera;
}

// Restores the texture backend and the wall clock however the picture ends.
class InstalledForDrawing {
  public:
    InstalledForDrawing() { installTextureBackend(&textures_); }
    ~InstalledForDrawing() {
        installClock({});
        installTextureBackend(nullptr);
    }
    InstalledForDrawing(const InstalledForDrawing&) = delete;
    InstalledForDrawing& operator=(const InstalledForDrawing&) = delete;

  private:
    GLTextureBackend textures_;
};

// The model's own files are never replaced by its picture: the model file, its
// texture (a PNG too) and its motion files.
void refuseToReplaceInputs(const RenderOptions& options, const Model& model) {
    std::vector<std::string> inputs = {options.modelPath};
    if (model.texture) {
        inputs.push_back(model.texture->fileName);
    }
    for (const Animation& animation : model.animations) {
        inputs.push_back(animation.name);
    }
    for (const std::string& input : inputs) {
        std::error_code ignored;
        if (std::filesystem::equivalent(options.outputPath, input, ignored)) {
            throw RenderFailure("\"" + options.outputPath + "\" is \"" + input +
                                "\", which the model is read from");
        }
    }
}

}  // namespace

Image renderPicture(const RenderOptions& options) {
    std::unique_ptr<OffscreenContext> context;
    try {
        context = std::make_unique<OffscreenContext>(options.width, options.height);
    } catch (const OffscreenError& error) {
        throw RenderFailure(std::string("cannot draw offscreen: ") + error.what());
    }
    const InstalledForDrawing installed;
    // Declared after the context, so that its textures are deleted while the
    // context is still current.
    Model model;
    if (!model.loadFile(options.modelPath)) {
        throw RenderFailure("\"" + options.modelPath + "\" could not be read");
    }
    refuseToReplaceInputs(options, model);
    const int32_t animation = options.animationNumber - 1;
    if (static_cast<std::size_t>(animation) >= model.animations.size()) {
        throw RenderFailure("\"" + options.modelPath + "\" has no animation " +
                            std::to_string(options.animationNumber) + " (it has " +
                            std::to_string(model.animations.size()) + ")");
    }
    if (!isPlayable(model, animation)) {
        const std::string& rejection = model.animations[animation].rejection;
        throw RenderFailure("animation " + std::to_string(options.animationNumber) + " of \"" +
                            options.modelPath + "\" cannot be played" +
                            (rejection.empty() ? std::string() : ": " + rejection));
    }

    applyFixedState();
    applyProjection(options.width, options.height);
    const Camera camera = cameraFor(options);
    const FrameContent content{&model, animation, options.showMesh, options.showBones};
    return composePicture(options, [&](int64_t milliseconds) {
        installClock([milliseconds] { return milliseconds; });
        drawFrame(camera, content);
        return context->readPixels();
    });
}
