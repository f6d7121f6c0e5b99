// velmora-info: reads a model with the viewer's own readers and prints what was
// read; with --at, also the frame pair, bone transforms and skinned vertices that
// the viewer would compute at that clock reading.

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <optional>
#include <string>

#include "files/file_source.h"
#include "files/model.h"
#include "files/png_image.h"
#include "model/animation.h"
#include "model/clock.h"

namespace {

const char* const kUsage =
    "usage: velmora-info <model.animesh> [--at <ms> [--animation <i>]]\n"
    "  Prints what the viewer reads from a model file. With --at, also the frame\n"
    "  pair, the bone transforms and the skinned vertices at that clock reading\n"
    "  (milliseconds since the start, 0 or more) for animation i (counted from 1,\n"
    "  default 1).\n";

// Checks textures row by row without a display, so that a decompression bomb
// costs time rather than memory, and remembers the last one's header or problem.
class InspectingTextureBackend : public TextureBackend {
  public:
    uint32_t load(const std::string& path) override {
        const auto bytes = fileSource().read(path);
        checked = bytes ? checkPng(*bytes) : DecodedPng{};
        problem = !bytes                                ? "unreadable"
                  : checked.problem == PngProblem::None ? ""
                                                        : describe(checked.problem);
        return problem.empty() ? 1 : 0;
    }
    void release(uint32_t) override {}

    DecodedPng checked;
    // Why the texture is unusable; empty when it is sound.
    std::string problem;
};

int usageError() {
    std::cerr << kUsage;
    return 2;
}

bool parseInteger(const char* text, long long& value) {
    char* end = nullptr;
    errno = 0;
    value = std::strtoll(text, &end, 10);
    return errno == 0 && end != text && *end == '\0';
}

void printDouble(double value) {
    std::printf(" %.17g", value);
}

}  // namespace

int main(int argc, char** argv) {
    std::string path;
    std::optional<long long> at;
    long long animationNumber = 1;
    bool animationGiven = false;
    for (int i = 1; i < argc; ++i) {
        const std::string argument = argv[i];
        long long value = 0;
        if (argument == "--help") {
            std::cout << kUsage;
            return 0;
        } else if (argument == "--at" && i + 1 < argc && parseInteger(argv[i + 1], value) &&
                   value >= 0) {
            at = value;
            ++i;
        } else if (argument == "--animation" && i + 1 < argc && parseInteger(argv[i + 1], value)) {
            animationNumber = value;
            animationGiven = true;
            ++i;
        } else if (path.empty() && !argument.empty() && argument[0] != '-') {
            path = argument;
        } else {
            return usageError();
        }
    }
    if (path.empty() || (animationGiven && !at)) {
        return usageError();
    }

    InspectingTextureBackend textures;
    installTextureBackend(&textures);
    Model model;
    if (!model.loadFile(path)) {
        std::cerr << "velmora-info: \"" << path << "\" could not be read\n";
        return 1;
    }

    int boneCount = 0;
    for (const auto& bone : model.bones) {
        boneCount += bone ? 1 : 0;
    }
    std::printf("file: %s\n", path.c_str());
    std::printf("playback rate: %d\n", model.playbackRate);
    std::printf("vertices: %zu\n", model.skinnedPositions.size());
    std::printf("influences: %zu\n", model.influences.size());
    std::printf("mapping coordinates: %zu\n", model.mappingCoords.size());
    std::printf("faces: %zu\n", model.faces.size());
    std::printf("bones: %d\n", boneCount);
    std::printf("root bone: %d\n", model.rootBone);
    if (!model.texture) {
        std::printf("texture: none\n");
    } else if (textures.problem.empty()) {
        const Image& image = textures.checked.image;
        std::printf("texture: %s (%ux%u, %u channels)\n", model.texture->fileName.c_str(),
                    image.width, image.height, image.channels);
    } else {
        std::printf("texture: %s (%s)\n", model.texture->fileName.c_str(),
                    textures.problem.c_str());
    }
    std::printf("animations: %zu\n", model.animations.size());
    for (std::size_t a = 0; a < model.animations.size(); ++a) {
        const Animation& animation = model.animations[a];
        int trackCount = 0;
        for (const auto& track : animation.tracks) {
            trackCount += track ? 1 : 0;
        }
        std::printf("animation %zu: %s | frames %u | tracks %d | %s\n", a + 1,
                    animationLabel(animation.name).c_str(), animation.frameCount, trackCount,
                    animation.name.c_str());
    }
    if (!at) {
        return 0;
    }

    const long long index = animationNumber - 1;
    if (index < 0 || index >= static_cast<long long>(model.animations.size())) {
        std::cerr << "velmora-info: the model has no animation " << animationNumber << "\n";
        return 1;
    }
    const auto animation = static_cast<int32_t>(index);
    if (!isPlayable(model, animation)) {
        std::cerr << "velmora-info: animation " << animationNumber
                  << " cannot be played: " << model.animations[animation].rejection << "\n";
        return 1;
    }
    const long long milliseconds = *at;
    installClock([milliseconds] { return static_cast<int64_t>(milliseconds); });
    updateSkin(model, animation, 0.0);
    std::printf("frames: current %u next %u blend %.17g\n", playback.currentFrame,
                playback.nextFrame, playback.frameBlend);
    for (int slot = 0; slot < kMaxBones; ++slot) {
        if (!model.bones[slot]) {
            continue;
        }
        std::printf("bone %d:", slot);
        for (int r = 0; r < 3; ++r) {
            for (int c = 0; c < 4; ++c) {
                printDouble(model.bones[slot]->transform[r][c]);
            }
        }
        std::printf("\n");
    }
    for (std::size_t v = 0; v < model.skinnedPositions.size(); ++v) {
        std::printf("vertex %zu:", v);
        const auto& p = model.skinnedPositions[v];
        printDouble(p.x);
        printDouble(p.y);
        printDouble(p.z);
        std::printf("\n");
    }
    return 0;
}
