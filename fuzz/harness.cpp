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

#include "files/load.h"
#include "files/model_writer.h"
#include "files/png_image.h"
#include "model/pipeline.h"
#include "model/validation.h"

namespace velmora {
inline namespace fuzz {

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
class ServedFiles : public FileSource {
  public:
    ServedFiles(const std::map<std::string, std::string>& fixedFiles, std::string path,
                std::string_view content)
        : fixedFiles_(fixedFiles), path_(std::move(path)), content_(content) {}

    FileRead read(const std::string& path, std::size_t limit) const override {
        FileRead file;
        const std::optional<std::string_view> content = find(path);
        if (!content || ++opens_[path] > kOpensPerFile) {
            return file;
        }
        if (content->size() > limit) {
            file.status = FileRead::Status::TooLarge;
            file.size = content->size();
            return file;
        }
        file.status = FileRead::Status::Read;
        file.bytes = std::string(*content);
        return file;
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
    return noBones && !model.texture && model.influenceCounts.empty() && model.influences.empty() &&
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

void runPipeline(const Model& model, int32_t animation, std::vector<std::string>& faults) {
    const Animation& played = model.animations[animation];
    const uint32_t frameCount = played.frameCount;
    Pose pose;
    std::vector<Geometry::Vector3> positions;
    for (const ClockReading& reading : kClockReadings) {
        const FramePair pair =
            selectFrames(played, model.playbackRate, reading.milliseconds, reading.timeOffset);
        poseSkeleton(model, played, pair, pose);
        skin(model, pose, positions);
        const bool pairInside =
            pair.currentFrame < frameCount &&
            (pair.nextFrame == pair.currentFrame + 1 ||
             (pair.nextFrame == pair.currentFrame && pair.currentFrame == frameCount - 1));
        const std::string where = "animation " + std::to_string(animation + 1) + " at " +
                                  std::to_string(reading.milliseconds) + " ms";
        if (!pairInside) {
            faults.push_back(where + ": frame pair (" + std::to_string(pair.currentFrame) + ", " +
                             std::to_string(pair.nextFrame) + ") is not a pair of " +
                             std::to_string(frameCount) + " frames");
        }
        if (!std::isfinite(pair.frameBlend)) {
            faults.push_back(where + ": the frame blend is not a finite number");
        }
    }
}

// Loads the model at path from source and checks everything the harness promises.
RunResult loadAndCheck(const ServedFiles& source, const std::string& path) {
    RunResult result;
    LoadOptions options;
    options.files = &source;
    const LoadResult loaded = loadModelFile(path, options);
    const Model& model = loaded.model;
    result.modelRead = loaded.modelRead;
    const std::string errors = reportText(loaded.problems);
    const Reports reports(errors);
    std::vector<std::string>& faults = result.faults;
    if (!result.modelRead) {
        if (!isEmpty(model)) {
            faults.push_back("the rejected model is not empty");
        }
        if (!reports.placedInside(path, *source.find(path))) {
            faults.push_back("the rejection was not reported as \"" + path +
                             ":line: problem\"; the report held: " + errors);
        }
        return result;
    }
    faults = validateModel(model);
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
                             "\") was rejected without a report; the report held: " + errors);
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
    return result;
}

}  // namespace

RunResult runModelFile(std::string_view bytes) {
    return loadAndCheck(ServedFiles(fixedFiles(), kModelPath, bytes), kModelPath);
}

RunResult runMotionFile(std::string_view bytes) {
    return loadAndCheck(ServedFiles(fixedFiles(), kMotionPath, bytes), kHostPath);
}

RunResult runModelFiles(const std::map<std::string, std::string>& files,
                        const std::string& modelPath) {
    return loadAndCheck(ServedFiles(files, modelPath, files.at(modelPath)), modelPath);
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

}  // namespace fuzz
}  // namespace velmora
