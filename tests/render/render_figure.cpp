#include "tests/render/render_figure.h"

#include <stdexcept>

#include "files/model_writer.h"
#include "files/png_image.h"
#include "files/safe_file.h"

using namespace velmora;

using Geometry::Quaternion;
using Geometry::Vector3;

namespace {

// The body's corners on bone 0, the arm's on bone 1; each mesh is two faces.
Model figure() {
    Model model;
    model.playbackRate = 10;
    model.rootBone = 0;
    for (int bone : {0, 1, 2}) {
        model.bones[bone] = std::make_unique<Bone>();
    }
    model.bones[0]->children = {1};
    model.bones[1]->children = {2};
    const Vector3 corners[8] = {{-30, -20, 0}, {30, -20, 0}, {30, 20, 0}, {-30, 20, 0},
                                {-4, 0, 0},    {4, 0, 0},    {4, 40, 0},  {-4, 40, 0}};
    for (int v = 0; v < 8; ++v) {
        model.influenceCounts.push_back(1);
        model.influences.push_back({corners[v], static_cast<uint8_t>(v / 4), 1.0});
    }
    // The body's quarters take the texture's left half; the arm one cyan texel.
    model.mappingCoords = {{0, 1}, {0.5, 1}, {0.5, 0}, {0, 0}};
    model.mappingCoords.resize(8, {0.75, 0.25});
    for (int32_t first : {0, 4}) {
        model.faces.push_back({{first, first + 1, first + 2}, {first, first + 1, first + 2}});
        model.faces.push_back({{first, first + 2, first + 3}, {first, first + 2, first + 3}});
    }
    return model;
}

// The bones' keys, frame by frame: the root turned by `root`, the arm by `arm`
// about z, each bone moved to its joint.
Animation animation(const Quaternion& root, const std::vector<Quaternion>& arm) {
    Animation result;
    result.frameCount = static_cast<uint32_t>(arm.size());
    const Quaternion none(1, 0, 0, 0);
    result.tracks[0] = std::make_unique<BoneTrack>();
    result.tracks[1] = std::make_unique<BoneTrack>();
    result.tracks[2] = std::make_unique<BoneTrack>();
    for (const Quaternion& turn : arm) {
        result.tracks[0]->keys.push_back({root, {0, 0, 0}});
        result.tracks[1]->keys.push_back({turn, {0, 20, 0}});
        result.tracks[2]->keys.push_back({none, {0, 40, 0}});
    }
    return result;
}

std::string textureFile() {
    const uint8_t red[] = {255, 0, 0};
    const uint8_t green[] = {0, 255, 0};
    const uint8_t blue[] = {0, 0, 255};
    const uint8_t yellow[] = {255, 255, 0};
    const uint8_t cyan[] = {0, 255, 255};
    Image image;
    image.width = 4;
    image.height = 2;
    image.channels = 3;
    for (const uint8_t* pixel : {red, green, cyan, cyan, blue, yellow, cyan, cyan}) {
        image.pixels.insert(image.pixels.end(), pixel, pixel + 3);
    }
    return encodePng(image);
}

void writeOrThrow(const std::string& path, const std::string& bytes) {
    if (!writeFile(path, bytes)) {
        throw std::runtime_error("cannot write " + path);
    }
}

}  // namespace

std::string writeRenderFigure(const std::string& folder) {
    const Quaternion none(1, 0, 0, 0);
    writeOrThrow(folder + "/figure.png", textureFile());
    writeOrThrow(folder + "/figure-wave.motion",
                 motionText(animation(none, {none,
                                             {0.92387953251128674, 0, 0, 0.38268343236508978},
                                             {0.70710678118654757, 0, 0, 0.70710678118654757}})));
    writeOrThrow(folder + "/figure-turn.motion", motionText(animation({0, 0, 1, 0}, {none})));
    writeOrThrow(folder + "/figure.animesh",
                 modelText(figure(), "figure.png", {"figure-wave.motion", "figure-turn.motion"}));
    return folder + "/figure.animesh";
}
