// velmora-info: reads a model with the viewer's own readers and prints what was
// read; with --at, also the frame pair, bone transforms and skinned vertices that
// the viewer would compute at that clock reading.

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <optional>
#include <string>

#include "command_line/command_line.h"
#include "files/load.h"
#include "files/safe_file.h"
#include "import/character_opening.h"
#include "model/pipeline.h"
#include "model/validation.h"

using namespace velmora;

namespace {

const char* const kUsage =
    "usage: velmora-info <model.animesh|character file> [--at <ms> [--animation <i>]]\n"
    "  Prints what the viewer reads from a model file. With --at, also the frame\n"
    "  pair, the bone transforms and the skinned vertices at that clock reading\n"
    "  (milliseconds since the start, 0 or more) for animation i (counted from 1,\n"
    "  default 1).\n";

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
    ignoreFileSizeSignal();
    std::string path;
    std::optional<long long> at;
    long long animationNumber = 1;
    bool animationGiven = false;
    Arguments::Program program;
    program.name = "velmora-info";
    program.usage = std::string(kUsage) + kOpenedFormatsText;
    program.namesReason = false;
    const auto integer = [](const std::string& value, long long& into) -> Arguments::Refusal {
        return parseInteger(value.c_str(), into) ? "" : "not a whole number: " + value;
    };
    program.options = {
        {"--at", true,
         [&](const std::string& value) -> Arguments::Refusal {
             long long milliseconds = 0;
             Arguments::Refusal refusal = integer(value, milliseconds);
             if (refusal.empty() && milliseconds < 0) {
                 refusal = "--at needs 0 or more milliseconds";
             }
             at = milliseconds;
             return refusal;
         }},
        {"--animation", true,
         [&](const std::string& value) {
             animationGiven = true;
             return integer(value, animationNumber);
         }},
    };
    program.takeOperand = [&](const std::string& argument) -> Arguments::Refusal {
        if (!path.empty()) {
            return "more than one model file given";
        }
        if (argument.empty()) {
            return "an empty model path";
        }
        path = argument;
        return {};
    };
    program.check = [&]() -> Arguments::Refusal {
        if (path.empty()) {
            return "no model file given";
        }
        return animationGiven && !at ? "--animation goes with --at" : "";
    };
    if (const auto status = Arguments::handle(program, argc, argv)) {
        return *status;
    }

    LoadOptions options;
    options.keepTexturePixels = false;
    const CharacterCache cache(defaultCacheFolder());
    const LoadResult loaded = openCharacterFile(path, options, cache, [](const std::string& line) {
        std::cerr << "velmora-info: " << conversionMessage(line) << "\n";
    });
    std::cerr << programReport("velmora-info", loaded.problems);
    if (!loaded.modelRead) {
        // A model that was not read has its reason among the problems.
        if (loaded.problems.empty()) {
            std::cerr << "velmora-info: \"" << path << "\" could not be read\n";
        }
        return 1;
    }
    const Model& model = loaded.model;
    for (const std::string& fault : validateModel(model)) {
        std::cerr << "velmora-info: \"" << path << "\" breaks an invariant: " << fault << "\n";
    }

    int boneCount = 0;
    for (const auto& bone : model.bones) {
        boneCount += bone ? 1 : 0;
    }
    std::printf("file: %s\n", path.c_str());
    std::printf("playback rate: %d\n", model.playbackRate);
    std::printf("vertices: %zu\n", model.vertexCount());
    std::printf("influences: %zu\n", model.influences.size());
    std::printf("mapping coordinates: %zu\n", model.mappingCoords.size());
    std::printf("faces: %zu\n", model.faces.size());
    std::printf("bones: %d\n", boneCount);
    std::printf("root bone: %d\n", model.rootBone);
    if (!model.texture) {
        std::printf("texture: none\n");
    } else if (const auto& image = model.texture->image) {
        std::printf("texture: %s (%ux%u, %u channels)\n", model.texture->fileName.c_str(),
                    image->width, image->height, image->channels);
    } else {
        // Why: the reason of its "Failed to open", or none when it could not be read.
        std::string problem = "unreadable";
        for (const LoadProblem& reported : loaded.problems) {
            if (reported.message == failedToOpen(model.texture->fileName).message &&
                !reported.reason.empty()) {
                problem = reported.reason;
            }
        }
        std::printf("texture: %s (%s)\n", model.texture->fileName.c_str(), problem.c_str());
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
    const FramePair pair =
        selectFrames(model.animations[animation], model.playbackRate, static_cast<int64_t>(*at));
    Pose pose;
    poseSkeleton(model, model.animations[animation], pair, pose);
    std::vector<Geometry::Vector3> positions;
    skin(model, pose, positions);
    std::printf("frames: current %u next %u blend %.17g\n", pair.currentFrame, pair.nextFrame,
                pair.frameBlend);
    for (int slot = 0; slot < kMaxBones; ++slot) {
        if (!model.bones[slot]) {
            continue;
        }
        std::printf("bone %d:", slot);
        for (int r = 0; r < 3; ++r) {
            for (int c = 0; c < 4; ++c) {
                printDouble(pose.boneTransforms[slot][r][c]);
            }
        }
        std::printf("\n");
    }
    for (std::size_t v = 0; v < positions.size(); ++v) {
        std::printf("vertex %zu:", v);
        const auto& p = positions[v];
        printDouble(p.x);
        printDouble(p.y);
        printDouble(p.z);
        std::printf("\n");
    }
    return 0;
}
