#include "fuzz/harness.h"

#include <algorithm>
#include <bitset>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <limits>
#include <map>
#include <optional>
#include <set>
#include <sstream>

#include "files/base_directory.h"
#include "files/file_source.h"
#include "files/model_writer.h"
#include "files/png_image.h"
#include "model/animation.h"
#include "model/clock.h"

namespace {

const std::string kFolder = "fuzz/";
const std::string kModelPath = kFolder + "model.animesh";
const std::string kMotionPath = kFolder + "input.motion";
const std::string kHostPath = kFolder + "host.animesh";

// How often one run may open the same file. A model that names a motion file a
// thousand times tests nothing that four opens do not, but reading it a thousand
// times would slow the fuzzer to a crawl (coverage counts reward the repetition);
// later opens fail as for a missing file.
constexpr int kOpensPerFile = 4;

// Serves one file from memory besides a fixed table, each at most kOpensPerFile
// times; every other path cannot be opened.
class MemoryFileSource : public FileSource {
  public:
    MemoryFileSource(const std::map<std::string, std::string>& fixedFiles, std::string path,
                     std::string_view content)
        : fixedFiles_(fixedFiles), path_(std::move(path)), content_(content) {}

    std::optional<std::string> read(const std::string& path) const override {
        const std::optional<std::string_view> content = find(path);
        if (!content || ++opens_[path] > kOpensPerFile) {
            return std::nullopt;
        }
        return std::string(*content);
    }

    // The content served at path, or nothing when there is none.
    std::optional<std::string_view> find(const std::string& path) const {
        if (path == path_) {
            return content_;
        }
        const auto found = fixedFiles_.find(path);
        if (found == fixedFiles_.end()) {
            return std::nullopt;
        }
        return std::string_view(found->second);
    }

  private:
    const std::map<std::string, std::string>& fixedFiles_;
    std::string path_;
    std::string_view content_;
    mutable std::map<std::string, int> opens_;
};

std::string smallPng() {
    Image image;
    image.width = 2;
    image.height = 2;
    image.channels = 4;
    image.pixels = {255, 0, 0, 255, 0, 255, 0, 255, 0, 0, 255, 255, 255, 255, 255, 128};
    return encodePng(image);
}

// A motion with tracks for bones 0 to lastBone, each turning about a different
// axis and moving over two frames, so that posing and skinning do real work. Its
// numbers are short: a fuzzed model may name it many times, and reading it is
// most of the work of such a run.
std::string motionForBones(int lastBone) {
    Animation animation;
    animation.frameCount = 2;
    for (int bone = 0; bone <= lastBone; ++bone) {
        auto track = std::make_unique<BoneTrack>();
        track->keys.resize(2);
        track->keys[0].rotation = {1, 0, 0, 0};
        track->keys[0].translation = {0, 1, 0};
        track->keys[1].rotation = {0.8, bone % 3 == 0 ? 0.6 : 0, bone % 3 == 1 ? 0.6 : 0,
                                   bone % 3 == 2 ? 0.6 : 0};
        track->keys[1].translation = {0, 2, 0};
        animation.tracks[bone] = std::move(track);
    }
    return motionText(animation);
}

// The model around a fuzzed motion file. The first root row is overridden by
// the second, so bone 9 exists (an influence uses it) but playback never reaches
// it and the motion need not give it a track.
const char* const kHostModel = R"(Velmora fuzz host
A skeleton with a bone that playback does not reach
Version: 1
Playback rate: 24

MAX native mesh data:
2 faces
4 vertices
3 mapping coordinates

Bones Nb:
1 2 1 1

Bones ID:
0 1 2 2 9

Weights:
1 0.5 0.5 1 1

Offset vectors:
(0, 1, 0) (1, 0, 0) (0, 0, 1) (1, 1, 1) (0, 0, 0)

Skeletal information: 4
bone parent
9 -1
0 -1
1 0
2 1

Mapping coordinates:
(0, 0, 0) (1, 0, 0) (0, 1, 0)

Faces:
v0 v1 v2 m0 m1 m2
0 1 2 0 1 2
1 2 3 2 1 0

TEXTURES
Texture: skin.png

ANIMATIONS
Count: 1
input.motion
)";

// The files served beside the fuzzed one.
const std::map<std::string, std::string>& fixedFiles() {
    static const std::map<std::string, std::string> files = {
        {kFolder + "skin.png", smallPng()},
        {kFolder + "walk.motion", motionForBones(kMaxBones - 1)},
        {kFolder + "wave.motion", motionForBones(2)},
        {kHostPath, kHostModel},
    };
    return files;
}

int lineCount(std::string_view text) {
    return 1 + static_cast<int>(std::count(text.begin(), text.end(), '\n'));
}

// What a run wrote to standard error, read once, so that checking many
// animations stays linear: every line as written, and the path and number of
// every line "path:N: problem" (paths that hold no ':').
class Reports {
  public:
    explicit Reports(std::string_view errors) {
        std::size_t start = 0;
        while (start < errors.size()) {
            const std::size_t feed = std::min(errors.find('\n', start), errors.size());
            const std::string_view line = errors.substr(start, feed - start);
            lines_.emplace(line);
            notePlace(line);
            start = feed + 1;
        }
    }

    bool contains(const std::string& line) const { return lines_.count(line) > 0; }

    // Whether some line "path:N: problem" gives an N that is a line of content.
    bool placedInside(const std::string& path, std::string_view content) const {
        const auto [first, last] = places_.equal_range(path);
        if (first == last) {
            return false;
        }
        const int lines = lineCount(content);
        return std::any_of(first, last,
                           [lines](const auto& place) { return place.second <= lines; });
    }

  private:
    void notePlace(std::string_view line) {
        const std::size_t colon = line.find(':');
        if (colon == std::string_view::npos) {
            return;
        }
        std::size_t end = colon + 1;
        long long number = 0;
        while (end < line.size() && end <= colon + 10 && line[end] >= '0' && line[end] <= '9') {
            number = number * 10 + (line[end] - '0');
            ++end;
        }
        const bool hasProblem = line.substr(end, 2) == ": " && line.size() > end + 2;
        if (end > colon + 1 && hasProblem && number >= 1) {
            places_.emplace(line.substr(0, colon), number);
        }
    }

    std::set<std::string, std::less<>> lines_;
    std::multimap<std::string, long long> places_;
};

bool isEmpty(const Model& model) {
    const bool noBones = std::none_of(model.bones.begin(), model.bones.end(),
                                      [](const auto& bone) { return bone != nullptr; });
    return noBones && !model.texture && model.skinnedPositions.empty() &&
           model.influenceCounts.empty() && model.influences.empty() &&
           model.mappingCoords.empty() && model.faces.empty() && model.animations.empty();
}

// Clock readings in milliseconds, with the time offset passed to the pipeline:
// the start, an ordinary moment, a month of running, the largest reading, and
// offsets that push the frame below 0 and beyond the last frame.
struct ClockReading {
    int64_t milliseconds;
    double timeOffset;
};
constexpr ClockReading kClockReadings[] = {
    {0, 0.0},
    {41, 0.0},
    {1000, 0.0},
    {2'592'000'123, 0.0},
    {std::numeric_limits<int64_t>::max(), 0.0},
    {500, 0.75},
    {500, -3.5},
};

void runPipeline(Model& model, int32_t animation, std::vector<std::string>& faults) {
    const uint32_t frameCount = model.animations[animation].frameCount;
    for (const ClockReading& reading : kClockReadings) {
        installClock([&reading] { return reading.milliseconds; });
        updateSkin(model, animation, reading.timeOffset);
        const bool pairInside = playback.currentFrame < frameCount &&
                                (playback.nextFrame == playback.currentFrame + 1 ||
                                 (playback.nextFrame == playback.currentFrame &&
                                  playback.currentFrame == frameCount - 1));
        const std::string where = "animation " + std::to_string(animation + 1) + " at " +
                                  std::to_string(reading.milliseconds) + " ms";
        if (!pairInside) {
            faults.push_back(where + ": frame pair (" + std::to_string(playback.currentFrame) +
                             ", " + std::to_string(playback.nextFrame) + ") is not a pair of " +
                             std::to_string(frameCount) + " frames");
        }
        if (!std::isfinite(playback.frameBlend)) {
            faults.push_back(where + ": the frame blend is not a finite number");
        }
        if (MatrixStack::instance().size() != 1) {
            faults.push_back(where + ": the matrix stack holds " +
                             std::to_string(MatrixStack::instance().size()) + " entries");
        }
    }
    installClock({});
}

// Loads the model at path from source and checks everything the harness promises.
RunResult loadAndCheck(const MemoryFileSource& source, const std::string& path) {
    RunResult result;
    installFileSource(&source);
    Model model;
    std::ostringstream captured;
    std::streambuf* const console = std::cerr.rdbuf(captured.rdbuf());
    result.modelRead = model.loadFile(path);
    std::cerr.rdbuf(console);
    const std::string errors = captured.str();
    const Reports reports(errors);
    std::vector<std::string>& faults = result.faults;
    if (!baseDirectory.empty()) {
        faults.push_back("the base directory is \"" + baseDirectory + "\" after the load");
    }
    if (!result.modelRead) {
        if (!isEmpty(model)) {
            faults.push_back("the rejected model is not empty");
        }
        if (!reports.placedInside(path, *source.find(path))) {
            faults.push_back("the rejection was not reported as \"" + path +
                             ":line: problem\"; standard error held: " + errors);
        }
        installFileSource(nullptr);
        return result;
    }
    faults = invariantFaults(model);
    for (std::size_t a = 0; a < model.animations.size(); ++a) {
        const Animation& animation = model.animations[a];
        if (animation.rejection.empty()) {
            continue;
        }
        // Served files too fail to open once opened kOpensPerFile times.
        const std::optional<std::string_view> served = source.find(animation.name);
        const bool reported =
            reports.contains("Failed to open \"" + animation.name.substr(kFolder.size()) + "\"") ||
            (served && reports.placedInside(animation.name, *served));
        if (!reported) {
            faults.push_back("animation " + std::to_string(a + 1) + " (\"" + animation.name +
                             "\") was rejected without a report; standard error held: " + errors);
        }
    }
    if (faults.empty()) {
        for (std::size_t a = 0; a < model.animations.size(); ++a) {
            const auto animation = static_cast<int32_t>(a);
            if (isPlayable(model, animation) != model.animations[a].rejection.empty()) {
                faults.push_back("animation " + std::to_string(a + 1) +
                                 ": isPlayable disagrees with its rejection \"" +
                                 model.animations[a].rejection + "\"");
            } else if (isPlayable(model, animation)) {
                ++result.playableAnimations;
                runPipeline(model, animation, faults);
            }
        }
    }
    installFileSource(nullptr);
    return result;
}

}  // namespace

std::vector<std::string> invariantFaults(const Model& model) {
    std::vector<std::string> faults;
    const auto occupied = [&model](int bone) {
        return bone >= 0 && bone < kMaxBones && model.bones[bone] != nullptr;
    };

    std::bitset<kMaxBones> reached;
    std::vector<uint8_t> pending;
    if (occupied(model.rootBone)) {
        pending.push_back(model.rootBone);
    } else {
        faults.push_back("the root bone " + std::to_string(model.rootBone) +
                         " is not in the skeleton");
    }
    while (!pending.empty()) {
        const uint8_t bone = pending.back();
        pending.pop_back();
        if (!occupied(bone)) {
            faults.push_back("bone " + std::to_string(bone) +
                             ", a child reached from the root, is not in the skeleton");
            continue;
        }
        if (reached[bone]) {
            faults.push_back("bone " + std::to_string(bone) + " is reached twice from the root");
            break;
        }
        reached.set(bone);
        const auto& children = model.bones[bone]->children;
        pending.insert(pending.end(), children.begin(), children.end());
    }

    for (std::size_t i = 0; i < model.influences.size(); ++i) {
        if (!occupied(model.influences[i].bone)) {
            faults.push_back("influence " + std::to_string(i + 1) + " names bone " +
                             std::to_string(model.influences[i].bone) +
                             ", which is not in the skeleton");
        }
    }
    if (model.influenceCounts.size() != model.skinnedPositions.size()) {
        faults.push_back(std::to_string(model.influenceCounts.size()) + " influence counts for " +
                         std::to_string(model.skinnedPositions.size()) + " vertices");
    }
    std::size_t influenceTotal = 0;
    for (uint8_t count : model.influenceCounts) {
        influenceTotal += count;
    }
    if (influenceTotal != model.influences.size()) {
        faults.push_back("the influence counts add up to " + std::to_string(influenceTotal) +
                         " but there are " + std::to_string(model.influences.size()) +
                         " influences");
    }

    const auto vertexCount = static_cast<int64_t>(model.skinnedPositions.size());
    const auto mappingCount = static_cast<int64_t>(model.mappingCoords.size());
    for (std::size_t f = 0; f < model.faces.size(); ++f) {
        for (int corner = 0; corner < 3; ++corner) {
            const int32_t vertex = model.faces[f].vertexIndex[corner];
            const int32_t mapping = model.faces[f].mappingIndex[corner];
            if (vertex < 0 || vertex >= vertexCount || mapping < 0 || mapping >= mappingCount) {
                faults.push_back("face " + std::to_string(f + 1) + " corner " +
                                 std::to_string(corner) + " (vertex " + std::to_string(vertex) +
                                 ", mapping " + std::to_string(mapping) +
                                 ") lies outside its arrays");
            }
        }
    }
    if (!model.texture) {
        faults.push_back("the model has no texture record");
    }

    for (std::size_t a = 0; a < model.animations.size(); ++a) {
        const Animation& animation = model.animations[a];
        const std::string which = "animation " + std::to_string(a + 1);
        const bool rejected = !animation.rejection.empty();
        if (!rejected && animation.frameCount == 0) {
            faults.push_back(which + " is accepted with no frames");
        }
        for (int bone = 0; bone < kMaxBones; ++bone) {
            const auto& track = animation.tracks[bone];
            if (rejected && track) {
                faults.push_back(which + " is rejected but holds a track for bone " +
                                 std::to_string(bone));
            }
            if (!rejected && reached[bone] && !track) {
                faults.push_back(which + " has no track for bone " + std::to_string(bone) +
                                 ", which the root reaches");
            }
            if (!rejected && track && track->keys.size() != animation.frameCount) {
                faults.push_back(which + ": the track of bone " + std::to_string(bone) + " holds " +
                                 std::to_string(track->keys.size()) + " keys, not " +
                                 std::to_string(animation.frameCount));
            }
        }
    }
    return faults;
}

RunResult runModelFile(std::string_view bytes) {
    return loadAndCheck(MemoryFileSource(fixedFiles(), kModelPath, bytes), kModelPath);
}

RunResult runMotionFile(std::string_view bytes) {
    return loadAndCheck(MemoryFileSource(fixedFiles(), kMotionPath, bytes), kHostPath);
}

RunResult runModelFiles(const std::map<std::string, std::string>& files,
                        const std::string& modelPath) {
    return loadAndCheck(MemoryFileSource(files, modelPath, files.at(modelPath)), modelPath);
}

void abortOnFaults(const RunResult& result) {
    if (result.faults.empty()) {
        return;
    }
    for (const std::string& fault : result.faults) {
        std::fprintf(stderr, "fault: %s\n", fault.c_str());
    }
    std::abort();
}
