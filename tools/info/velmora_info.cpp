// velmora-info: reads a model with the viewer's own readers and prints what was
// read; with --at, also the frame pair, bone transforms and skinned vertices that
// the viewer would compute at that clock reading; with --json, what was read as
// one JSON object; with --check, the faults the rig check finds; with --diff,
// where two characters with one skeleton differ.

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <limits>
#include <new>
#include <optional>
#include <string>
#include <vector>

#include "command_line/command_line.h"
#include "command_line/values.h"
#include "files/load.h"
#include "files/safe_file.h"
#include "import/character_opening.h"
#include "model/pipeline.h"
#include "model/pose_difference.h"
#include "model/rig_check.h"
#include "model/validation.h"
#include "tools/info/json.h"

using namespace velmora;

namespace {

const char* const kUsage =
    "usage: velmora-info <model.animesh|character file> [--at <ms> [--animation <i>]]\n"
    "       velmora-info --json <model.animesh|character file>\n"
    "       velmora-info --check [--json] [--max-influences <n>] <model.animesh|character file>\n"
    "       velmora-info --diff [--animation <i>] [--threshold <degrees>] [--distance <units>]\n"
    "                   [--json] <file A> <file B>\n"
    "  Prints what the viewer reads from a model file. With --at, also the frame\n"
    "  pair, the bone transforms and the skinned vertices at that clock reading\n"
    "  (milliseconds since the start, 0 or more) for animation i (counted from 1,\n"
    "  default 1).\n"
    "  With --json, what it reads as one JSON object, with the bones (index,\n"
    "  parent, name or null) and each animation's label and key count.\n"
    "  With --check, checks the character and prints one finding a line,\n"
    "  FILE: kind: where: detail, or with --json {\"findings\": [...]}, each\n"
    "  finding with its kind, the fields that locate it (vertex, face,\n"
    "  animation counted from 1, bone, key counted from 0, boneName where\n"
    "  known) and value. Exit status 0 without findings, 3 with any, 1 when the\n"
    "  file cannot be used, 2 for bad arguments. The kinds:\n"
    "  unweighted-vertex: a vertex without influences (it stays at the origin).\n"
    "  weight-sum: the weights of a vertex do not sum to 1 within 0.01\n"
    "    (value: the sum).\n"
    "  many-influences: more influences on a vertex than n (a positive whole\n"
    "    number, default 4; value: the count).\n"
    "  degenerate-face: a face that names one vertex twice.\n"
    "  non-unit-rotation: a key whose quaternion's length differs from 1 by\n"
    "    more than 0.001 (value: the length).\n"
    "  rotation-jump: the turn of a bone from key k to key k+1 (key: k; value:\n"
    "    degrees) is a jump: larger than 20 degrees, more than 4 times the\n"
    "    median of the bone's turns between keys in that animation, and either\n"
    "    more than 4 times each turn next to it, or one of the two turns into\n"
    "    and out of a key whose neighbours lie less than a quarter of the\n"
    "    smaller turn apart (a key out of place: two findings). A steady fast\n"
    "    turn, or one that speeds up and slows down, is none.\n"
    "  translation-jump: the same for the distance a bone's translation moves\n"
    "    (value: model units), whose smallest jump is a tenth of the model's\n"
    "    size (the largest side of its box at the first key of its first\n"
    "    playable animation).\n"
    "  loop-seam: the step from the last key back to the first is a jump by\n"
    "    either rule, next to the first step and the last (key: the last key;\n"
    "    value: degrees, or model units where only the translation jumps).\n"
    "  Motion is checked in the animations that can be played.\n"
    "  With --diff, compares two characters with the same skeleton (the same\n"
    "  bones with the same parents; otherwise one line says how they differ,\n"
    "  status 1): for every key of each animation of A (or of animation i only,\n"
    "  counted from 1) and every bone, the angle in degrees between the bone's\n"
    "  local rotations in A and B and the distance between its joints in model\n"
    "  space. B's animation of the same number is compared, or its first when\n"
    "  it has fewer; B is posed at the moments of A's keys, blended between its\n"
    "  own keys when their counts or rates differ. Prints the differences that\n"
    "  exceed the thresholds, largest first, at most 20 lines (animation, key\n"
    "  counted from 0, bone, its name where known, degrees, units), then a\n"
    "  summary line: how many exceed them, the largest angle and distance.\n"
    "  With --json, every difference in one JSON object. The thresholds:\n"
    "  --threshold degrees (default 0.1) and --distance model units (default a\n"
    "  thousandth of A's height at the first key of its first playable\n"
    "  animation). Exit status 0 when every difference is within them, 3 when\n"
    "  any exceeds them, 1 when a file cannot be used, 2 for bad arguments.\n";

void printDouble(double value) {
    std::printf(" %.17g", value);
}

// Why the texture's image is missing: the reason of its "Failed to open", or
// "unreadable" when none was given.
std::string textureProblem(const LoadResult& loaded) {
    std::string problem = "unreadable";
    for (const LoadProblem& reported : loaded.problems) {
        if (reported.kind == LoadProblem::Kind::FailedToOpen &&
            reported.path == loaded.model.texture->fileName && !reported.reason.empty()) {
            problem = reported.reason;
        }
    }
    return problem;
}

int trackCount(const Animation& animation) {
    int count = 0;
    for (const auto& track : animation.tracks) {
        count += track ? 1 : 0;
    }
    return count;
}

void printText(const std::string& path, const LoadResult& loaded) {
    const Model& model = loaded.model;
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
        std::printf("texture: %s (%s)\n", model.texture->fileName.c_str(),
                    textureProblem(loaded).c_str());
    }
    std::printf("animations: %zu\n", model.animations.size());
    for (std::size_t a = 0; a < model.animations.size(); ++a) {
        const Animation& animation = model.animations[a];
        std::printf("animation %zu: %s | frames %u | tracks %d | %s\n", a + 1,
                    animationLabel(animation.name).c_str(), animation.frameCount,
                    trackCount(animation), animation.name.c_str());
    }
}

// A bone's name as a JSON value: null where unknown.
std::string jsonBoneName(const Model& model, int bone) {
    const std::string& name = model.bones[bone]->name;
    return name.empty() ? "null" : Json::string(name);
}

void printJson(const std::string& path, const LoadResult& loaded) {
    const Model& model = loaded.model;
    std::string texture = "null";
    if (model.texture) {
        Json::Object described;
        described.add("file", Json::string(model.texture->fileName));
        if (const auto& image = model.texture->image) {
            described.add("width", Json::integer(image->width))
                .add("height", Json::integer(image->height))
                .add("channels", Json::integer(image->channels));
        } else {
            described.add("problem", Json::string(textureProblem(loaded)));
        }
        texture = described.text();
    }
    std::vector<std::string> animations;
    for (const Animation& animation : model.animations) {
        animations.push_back(Json::Object()
                                 .add("label", Json::string(animationLabel(animation.name)))
                                 .add("keys", Json::integer(animation.frameCount))
                                 .add("tracks", Json::integer(trackCount(animation)))
                                 .add("file", Json::string(animation.name))
                                 .text());
    }
    std::vector<std::string> bones;
    for (int slot = 0; slot < kMaxBones; ++slot) {
        if (model.bones[slot]) {
            const int parent = boneParent(model, slot);
            bones.push_back(Json::Object()
                                .add("index", Json::integer(slot))
                                .add("parent", parent < 0 ? "null" : Json::integer(parent))
                                .add("name", jsonBoneName(model, slot))
                                .text());
        }
    }
    std::printf("%s\n", Json::Object()
                            .add("file", Json::string(path))
                            .add("playbackRate", Json::integer(model.playbackRate))
                            .add("vertices", Json::integer(model.vertexCount()))
                            .add("influences", Json::integer(model.influences.size()))
                            .add("mappingCoordinates", Json::integer(model.mappingCoords.size()))
                            .add("faces", Json::integer(model.faces.size()))
                            .add("rootBone", Json::integer(model.rootBone))
                            .add("texture", texture)
                            .add("animations", Json::array(animations))
                            .add("bones", Json::array(bones))
                            .text()
                            .c_str());
}

std::string findingJson(const Model& model, const Finding& finding) {
    Json::Object out;
    out.add("kind", Json::string(findingKindName(finding.kind)));
    if (finding.vertex) {
        out.add("vertex", Json::integer(*finding.vertex));
    }
    if (finding.face) {
        out.add("face", Json::integer(*finding.face));
    }
    if (finding.animation) {
        out.add("animation", Json::integer(*finding.animation + 1));
    }
    if (finding.bone) {
        out.add("bone", Json::integer(*finding.bone));
        if (!model.bones[*finding.bone]->name.empty()) {
            out.add("boneName", jsonBoneName(model, *finding.bone));
        }
    }
    if (finding.key) {
        out.add("key", Json::integer(*finding.key));
    }
    if (finding.value) {
        out.add("value", Json::number(*finding.value));
    }
    return out.text();
}

// "where: detail" of a finding.
std::string findingText(const Model& model, const Finding& finding) {
    char number[64] = "";
    if (finding.value) {
        std::snprintf(number, sizeof number, "%.6g", *finding.value);
    }
    std::string where;
    if (finding.vertex) {
        where = "vertex " + std::to_string(*finding.vertex);
    } else if (finding.face) {
        const Face& face = model.faces[*finding.face];
        return "face " + std::to_string(*finding.face) + ": names vertices " +
               std::to_string(face.vertexIndex[0]) + ", " + std::to_string(face.vertexIndex[1]) +
               ", " + std::to_string(face.vertexIndex[2]);
    } else {
        const int bone = *finding.bone;
        where = "animation " + std::to_string(*finding.animation + 1) + ", bone " +
                std::to_string(bone) +
                (model.bones[bone]->name.empty() ? "" : " (" + boneLabel(model, bone) + ")") +
                ", key " + std::to_string(*finding.key);
    }
    switch (finding.kind) {
        case FindingKind::UnweightedVertex:
            return where + ": no influences, so it stays at the origin";
        case FindingKind::WeightSum:
            return where + ": weights sum to " + number;
        case FindingKind::ManyInfluences:
            return where + ": " + number + " influences";
        case FindingKind::DegenerateFace:
            break;
        case FindingKind::NonUnitRotation:
            return where + ": quaternion length " + number;
        case FindingKind::RotationJump:
            return where + ": turns " + number + " degrees to the next key";
        case FindingKind::TranslationJump:
            return where + ": moves " + number + " units to the next key";
        case FindingKind::LoopSeam:
            return where + (finding.seamTranslates ? ": moves " : ": turns ") + number +
                   (finding.seamTranslates ? " units" : " degrees") + " back to the first key";
    }
    return where;
}

int check(const std::string& path, const Model& model, const CheckOptions& options, bool json) {
    const std::vector<Finding> findings = checkCharacter(model, options);
    if (json) {
        std::vector<std::string> entries;
        entries.reserve(findings.size());
        for (const Finding& finding : findings) {
            entries.push_back(findingJson(model, finding));
        }
        std::printf("%s\n", Json::Object().add("findings", Json::array(entries)).text().c_str());
    } else {
        for (const Finding& finding : findings) {
            std::printf("%s: %s: %s\n", path.c_str(), findingKindName(finding.kind),
                        findingText(model, finding).c_str());
        }
    }
    return findings.empty() ? 0 : 3;
}

// Opens path as the viewer does, with its problems and the invariants it
// breaks on standard error; whether the model was read. faults: the broken
// invariants.
bool openModel(const std::string& path, LoadResult& loaded, std::vector<std::string>& faults) {
    LoadOptions options;
    options.keepTexturePixels = false;
    const CharacterCache cache(defaultCacheFolder());
    loaded = openCharacterFile(path, options, cache, [](const std::string& line) {
        std::cerr << "velmora-info: " << conversionMessage(line) << "\n";
    });
    std::cerr << programReport("velmora-info", loaded.problems);
    if (!loaded.modelRead) {
        // A model that was not read has its reason among the problems.
        if (loaded.problems.empty()) {
            std::cerr << "velmora-info: \"" << path << "\" could not be read\n";
        }
        return false;
    }
    faults = validateModel(loaded.model);
    for (const std::string& fault : faults) {
        std::cerr << "velmora-info: \"" << path << "\" breaks an invariant: " << fault << "\n";
    }
    return true;
}

// The model that names bone, of a and b: a, unless only b does.
const Model& namingModel(const Model& a, const Model& b, int bone) {
    return a.bones[bone]->name.empty() ? b : a;
}

// The --diff listing: at most this many of the largest differences that exceed
// the thresholds (those rank first).
constexpr std::size_t kListedDifferences = 20;

void printComparison(const Model& a, const Model& b, const Comparison& comparison) {
    std::size_t listed = 0;
    for (const BoneDifference& d : comparison.differences) {
        if (listed == kListedDifferences || !exceeds(d, comparison.thresholds)) {
            break;
        }
        ++listed;
        const Model& named = namingModel(a, b, d.bone);
        const std::string name =
            named.bones[d.bone]->name.empty() ? "" : " (" + boneLabel(named, d.bone) + ")";
        std::printf("animation %zu, key %u, bone %d%s: %.6g degrees, %.6g units\n", d.animation + 1,
                    d.key, d.bone, name.c_str(), d.degrees, d.distance);
    }
    std::printf(
        "%zu of %zu differences exceed %.6g degrees or %.6g units; largest angle %.6g "
        "degrees, largest distance %.6g units\n",
        comparison.exceeding, comparison.differences.size(), comparison.thresholds.degrees,
        comparison.thresholds.distance, comparison.largestDegrees, comparison.largestDistance);
}

std::string comparisonJson(const Model& a, const Model& b, const Comparison& comparison) {
    std::vector<std::string> differences;
    differences.reserve(comparison.differences.size());
    for (const BoneDifference& d : comparison.differences) {
        Json::Object entry;
        entry.add("animation", Json::integer(static_cast<long long>(d.animation) + 1))
            .add("key", Json::integer(d.key))
            .add("bone", Json::integer(d.bone));
        const Model& named = namingModel(a, b, d.bone);
        if (!named.bones[d.bone]->name.empty()) {
            entry.add("boneName", jsonBoneName(named, d.bone));
        }
        differences.push_back(
            entry.add("degrees", Json::number(d.degrees))
                .add("distance", Json::number(d.distance))
                .add("exceeds", exceeds(d, comparison.thresholds) ? "true" : "false")
                .text());
    }
    std::vector<std::string> uncompared;
    for (const std::size_t animation : comparison.uncompared) {
        uncompared.push_back(Json::integer(static_cast<long long>(animation) + 1));
    }
    return Json::Object()
        .add("thresholds", Json::Object()
                               .add("degrees", Json::number(comparison.thresholds.degrees))
                               .add("distance", Json::number(comparison.thresholds.distance))
                               .text())
        .add("compared", Json::integer(static_cast<long long>(comparison.differences.size())))
        .add("exceeding", Json::integer(static_cast<long long>(comparison.exceeding)))
        .add("largestDegrees", Json::number(comparison.largestDegrees))
        .add("largestDistance", Json::number(comparison.largestDistance))
        .add("uncompared", Json::array(uncompared))
        .add("differences", Json::array(differences))
        .text();
}

int diff(const std::string& pathA, const std::string& pathB, std::optional<int64_t> animationNumber,
         ComparisonOptions options, bool json) {
    LoadResult a;
    LoadResult b;
    std::vector<std::string> faultsA;
    std::vector<std::string> faultsB;
    if (!openModel(pathA, a, faultsA) || !faultsA.empty() || !openModel(pathB, b, faultsB) ||
        !faultsB.empty()) {
        return 1;
    }
    if (animationNumber) {
        if (*animationNumber > static_cast<int64_t>(a.model.animations.size())) {
            std::cerr << "velmora-info: \"" << pathA << "\" has no animation " << *animationNumber
                      << "\n";
            return 1;
        }
        options.animation = static_cast<std::size_t>(*animationNumber - 1);
    }
    try {
        const Comparison comparison = compareCharacters(a.model, b.model, options, pathA, pathB);
        if (!comparison.skeletonMismatch.empty()) {
            std::printf(
                "%s\n",
                json ? Json::Object()
                           .add("skeletonMismatch", Json::string(comparison.skeletonMismatch))
                           .text()
                           .c_str()
                     : ("skeletons differ: " + comparison.skeletonMismatch).c_str());
            return 1;
        }
        for (const std::size_t animation : comparison.uncompared) {
            const bool inA = !isPlayable(a.model, static_cast<int32_t>(animation));
            std::cerr << "velmora-info: animation " << animation + 1
                      << " not compared: it cannot be played in \"" << (inA ? pathA : pathB)
                      << "\"\n";
        }
        if (json) {
            std::printf("%s\n", comparisonJson(a.model, b.model, comparison).c_str());
        } else {
            printComparison(a.model, b.model, comparison);
        }
        if (comparison.differences.empty() && !comparison.uncompared.empty()) {
            return 1;
        }
        return comparison.exceeding == 0 ? 0 : 3;
    } catch (const std::bad_alloc&) {
        std::cerr << "velmora-info: out of memory comparing \"" << pathA << "\" with \"" << pathB
                  << "\"\n";
        return 1;
    }
}

int printAt(const Model& model, long long animationNumber, long long at) {
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
        selectFrames(model.animations[animation], model.playbackRate, static_cast<int64_t>(at));
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

}  // namespace

int main(int argc, char** argv) {
    ignoreFileSizeSignal();
    std::string path;
    // B of --diff.
    std::string otherPath;
    std::optional<int64_t> at;
    int64_t animationNumber = 1;
    bool animationGiven = false;
    bool json = false;
    bool checking = false;
    bool diffing = false;
    std::optional<int64_t> maxInfluences;
    std::optional<double> maxDegrees;
    std::optional<double> maxDistance;
    Arguments::Program program;
    program.name = "velmora-info";
    program.usage = std::string(kUsage) + kOpenedFormatsText;
    program.namesReason = false;
    const auto flag = [](bool& into) {
        return [&into](const std::string&) -> Arguments::Refusal {
            into = true;
            return {};
        };
    };
    // Takes what parse reads into `into`; anything else is refused with `why`.
    const auto taking = [](std::optional<int64_t> (*parse)(const std::string&), const char* why,
                           std::optional<int64_t>& into) {
        return [parse, why, &into](const std::string& value) -> Arguments::Refusal {
            into = parse(value);
            return into ? "" : why;
        };
    };
    // Takes a number of 0 or more into `into`.
    const auto measure = [](const char* option, std::optional<double>& into) {
        return [option, &into](const std::string& value) -> Arguments::Refusal {
            into = Arguments::numberInRange(value, 0, std::numeric_limits<double>::max());
            return into ? "" : std::string(option) + " needs a number of 0 or more: " + value;
        };
    };
    program.options = {
        {"--at", true,
         taking(
             [](const std::string& value) {
                 return Arguments::milliseconds(value, 0, std::numeric_limits<int64_t>::max());
             },
             "--at needs 0 or more milliseconds", at)},
        {"--animation", true,
         [&](const std::string& value) -> Arguments::Refusal {
             animationGiven = true;
             // Any whole number: one that names no animation is the model's to refuse.
             const auto number = Arguments::wholeNumber(value);
             animationNumber = number.value_or(0);
             return number ? "" : "--animation needs a whole number";
         }},
        {"--json", false, flag(json)},
        {"--check", false, flag(checking)},
        {"--max-influences", true,
         taking(
             [](const std::string& value) {
                 return Arguments::positiveInteger(value, std::numeric_limits<int64_t>::max());
             },
             "--max-influences needs a positive whole number", maxInfluences)},
        {"--diff", false, flag(diffing)},
        {"--threshold", true, measure("--threshold", maxDegrees)},
        {"--distance", true, measure("--distance", maxDistance)},
    };
    program.takeOperand = [&](const std::string& argument) -> Arguments::Refusal {
        if (!otherPath.empty()) {
            return "more than two model files given";
        }
        if (argument.empty()) {
            return "an empty model path";
        }
        (path.empty() ? path : otherPath) = argument;
        return {};
    };
    program.check = [&]() -> Arguments::Refusal {
        if (path.empty()) {
            return "no model file given";
        }
        if (diffing) {
            if (otherPath.empty()) {
                return "--diff needs two model files";
            }
            if (at || checking || maxInfluences) {
                return "--diff goes without --at, --check and --max-influences";
            }
            return animationGiven && animationNumber < 1 ? "--animation counts from 1" : "";
        }
        if (!otherPath.empty()) {
            return "more than one model file given";
        }
        if (maxDegrees || maxDistance) {
            return "--threshold and --distance go with --diff";
        }
        if (at && (json || checking)) {
            return "--at goes without --json and --check";
        }
        if (maxInfluences && !checking) {
            return "--max-influences goes with --check";
        }
        return animationGiven && !at ? "--animation goes with --at" : "";
    };
    if (const auto status = Arguments::handle(program, argc, argv)) {
        return *status;
    }

    if (diffing) {
        ComparisonOptions options;
        options.maxDegrees = maxDegrees.value_or(kDefaultMaxDegrees);
        options.maxDistance = maxDistance;
        return diff(path, otherPath,
                    animationGiven ? std::optional<int64_t>(animationNumber) : std::nullopt,
                    options, json);
    }
    LoadResult loaded;
    std::vector<std::string> faults;
    if (!openModel(path, loaded, faults)) {
        return 1;
    }
    const Model& model = loaded.model;
    if (checking) {
        if (!faults.empty()) {
            return 1;
        }
        CheckOptions checkOptions;
        if (maxInfluences) {
            checkOptions.maxInfluences = static_cast<std::size_t>(*maxInfluences);
        }
        return check(path, model, checkOptions, json);
    }
    if (json) {
        printJson(path, loaded);
        return 0;
    }
    printText(path, loaded);
    return at ? printAt(model, animationNumber, *at) : 0;
}
