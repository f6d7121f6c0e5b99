#include "tools/render/model_picture.h"

#include <filesystem>
#include <iostream>
#include <optional>

#include "drawing/frame.h"
#include "drawing/model_drawing.h"
#include "drawing/offscreen_context.h"
#include "drawing/overlay.h"
#include "files/load.h"
#include "import/character_opening.h"
#include "tools/render/sheet.h"
#include "view/camera.h"
#include "view/framing.h"

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

// The files the model is read from: the model file, its texture (a PNG too)
// and its motion files.
std::vector<std::string> inputsOf(const std::string& modelPath, const Model& model) {
    std::vector<std::string> inputs = {modelPath};
    if (model.texture) {
        inputs.push_back(model.texture->fileName);
    }
    for (const Animation& animation : model.animations) {
        inputs.push_back(animation.name);
    }
    return inputs;
}

std::unique_ptr<OffscreenContext> makeContext(const RenderOptions& options) {
    try {
        return std::make_unique<OffscreenContext>(options.width, options.height);
    } catch (const OffscreenError& error) {
        throw RenderFailure(std::string("cannot draw offscreen: ") + error.what());
    }
}

LoadResult loadFor(const RenderOptions& options) {
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
    return loaded;
}

}  // namespace

// Members in the order they are made: the texture after the context, so that
// it is deleted while the context is still current.
struct ModelDrawing::State {
    explicit State(const RenderOptions& options)
        : context(makeContext(options)),
          loaded(loadFor(options)),
          inputs(inputsOf(options.modelPath, loaded.model)),
          animation(options.animationNumber - 1),
          camera(cameraFor(options)),
          content{&loaded.model, 0, animation, 0, options.showMesh, options.showBones} {}

    std::unique_ptr<OffscreenContext> context;
    LoadResult loaded;
    std::vector<std::string> inputs;
    int32_t animation;
    Camera camera;
    FrameContent content;
    std::optional<UploadedTexture> texture;
    FrameBuffers buffers;
    // The colouring's, made once for every frame, as the viewer makes them
    // once per choice.
    std::vector<VertexColour> colours;
    Legend legend;
    std::vector<std::size_t> faulted;
    int width;
    int height;
};

ModelDrawing::ModelDrawing(const RenderOptions& options)
    : state_(std::make_unique<State>(options)) {
    for (const std::string& output : {options.outputPath, options.videoPath}) {
        if (!output.empty()) {
            refuseToReplaceInputs(output);
        }
    }
    const Model& model = state_->loaded.model;
    const int32_t animation = state_->animation;
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
    if (options.colouring == MeshColouring::Weights && !model.bones[options.bone]) {
        throw RenderFailure("\"" + options.modelPath + "\" has no bone " +
                            std::to_string(options.bone));
    }
    state_->colours = cornerColours(model, vertexColours(model, options.colouring, options.bone));
    state_->legend = colouringLegend(model, options.colouring, options.bone);
    if (options.colouring != MeshColouring::Texture) {
        state_->content.cornerColours = &state_->colours;
    }
    if (options.colouring == MeshColouring::Influences) {
        state_->faulted = faultedVertices(checkCharacter(model, {}));
        state_->content.markedVertices = &state_->faulted;
    }
    state_->width = options.width;
    state_->height = options.height;
    state_->texture.emplace(model);
    state_->content.texture = state_->texture->name();
    applyFixedState();
    applyProjection(options.width, options.height);
    if (options.frame) {
        state_->content.milliseconds = options.at;
        drawFrame(state_->camera, state_->content, state_->buffers);
        frameCamera(state_->camera,
                    shownPoints(model, state_->buffers, options.showMesh, options.showBones),
                    options.width, options.height);
    }
}

ModelDrawing::~ModelDrawing() = default;

Image ModelDrawing::draw(int64_t milliseconds, const Camera& camera) {
    state_->content.milliseconds = milliseconds;
    drawFrame(camera, state_->content, state_->buffers);
    if (state_->content.showMesh) {
        drawLegend(state_->legend, state_->width, state_->height);
    }
    return state_->context->readPixels();
}

const Camera& ModelDrawing::camera() const {
    return state_->camera;
}

int64_t ModelDrawing::loopMilliseconds() const {
    const Model& drawn = state_->loaded.model;
    return velmora::loopMilliseconds(drawn.animations[state_->animation], drawn.playbackRate);
}

void ModelDrawing::refuseToReplaceInputs(const std::string& path) const {
    for (const std::string& input : state_->inputs) {
        std::error_code ignored;
        if (std::filesystem::equivalent(path, input, ignored)) {
            throw RenderFailure("\"" + path + "\" is \"" + input +
                                "\", which the model is read from");
        }
    }
}

Image renderPicture(const RenderOptions& options) {
    ModelDrawing drawing(options);
    return composePicture(options, [&](int64_t milliseconds) {
        return drawing.draw(milliseconds, drawing.camera());
    });
}

}  // namespace render
}  // namespace velmora
