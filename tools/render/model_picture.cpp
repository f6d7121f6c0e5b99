#include "tools/render/model_picture.h"

#include <filesystem>

#include <iostream>

#include "drawing/frame.h"
#include "drawing/model_drawing.h"
#include "drawing/offscreen_context.h"
#include "files/load.h"
#include "import/character_opening.h"
#include "tools/render/sheet.h"
#include "view/camera.h"

namespace velmora {
inline namespace render {

namespace {

Camera cameraFor(const RenderOptions& options) {
    Camera camera;
    camera.reset();
    camera.angle = options.angle.value_or(camera.angle);
    camera.radius = options.zoom.value_or(camera.radius);
    camera.update();
    return camera;
}

// The model's texture in the offscreen context, deleted while the context is
// still current.
class UploadedTexture {
  public:
    explicit UploadedTexture(const Model& model) {
        if (model.texture && model.texture->image) {
            name_ = uploadTexture(*model.texture->image);
            if (name_ == 0) {
                std::cerr << programReport("velmora-render",
                                           {failedToOpen(model.texture->fileName)});
            }
        }
    }
    ~UploadedTexture() { deleteTexture(name_); }
    UploadedTexture(const UploadedTexture&) = delete;
    UploadedTexture& operator=(const UploadedTexture&) = delete;

    uint32_t name() const { return name_; }

  private:
    uint32_t name_ = 0;
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
    LoadOptions loadOptions;
    loadOptions.confineToModelFolder = options.untrusted;
    loadOptions.maxTextureSide = maxTextureSide();
    const CharacterCache cache(defaultCacheFolder());
    LoadResult loaded =
        openCharacterFile(options.modelPath, loadOptions, cache, [](const std::string& line) {
            std::cerr << "velmora-render: " << conversionMessage(line) << "\n";
        });
    if (!loaded.modelRead) {
        // The reason, once: the first problem is the model file's own.
        throw RenderFailure(loaded.problems.empty()
                                ? "\"" + options.modelPath + "\" could not be read"
                                : loaded.problems.front().message);
    }
    std::cerr << programReport("velmora-render", loaded.problems);
    const Model& model = loaded.model;
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

    // Made after the context, so that it is deleted while the context is
    // still current.
    const UploadedTexture texture(model);
    applyFixedState();
    applyProjection(options.width, options.height);
    const Camera camera = cameraFor(options);
    FrameBuffers buffers;
    return composePicture(options, [&](int64_t milliseconds) {
        drawFrame(
            camera,
            {&model, texture.name(), animation, milliseconds, options.showMesh, options.showBones},
            buffers);
        return context->readPixels();
    });
}

}  // namespace render
}  // namespace velmora
