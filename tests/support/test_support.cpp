#include "tests/support/test_support.h"

#include <fcntl.h>
#include <stdlib.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <future>
#include <iostream>
#include <stdexcept>
#include <thread>

#include "files/png_image.h"

using namespace velmora;

std::string TestFiles::addFigure(const std::string& folder) {
    files[folder + kFigureTexture] = smallPng();
    return ::addFigure(files, folder);
}

LoadResult TestFiles::load(const std::string& path) const {
    LoadOptions options;
    options.files = this;
    return loadModelFile(path, options);
}

std::string smallPng() {
    Image image;
    image.width = 2;
    image.height = 2;
    image.channels = 3;
    image.pixels = {255, 0, 0, 0, 255, 0, 0, 0, 255, 255, 255, 255};
    return encodePng(image);
}

CapturedErrors::CapturedErrors() : previous_(std::cerr.rdbuf(captured_.rdbuf())) {}

CapturedErrors::~CapturedErrors() {
    std::cerr.rdbuf(previous_);
}

TemporaryFolder::TemporaryFolder() {
    std::string pattern = (std::filesystem::temp_directory_path() / "velmora-test-XXXXXX").string();
    if (!::mkdtemp(pattern.data())) {
        throw std::runtime_error("cannot create a temporary folder");
    }
    path_ = pattern + "/";
}

TemporaryFolder::~TemporaryFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
}

std::string TemporaryFolder::write(const std::string& name, const std::string& text) const {
    const std::string path = path_ + name;
    std::ofstream(path, std::ios::binary) << text;
    return path;
}

std::string readFile(const std::string& path) {
    std::ostringstream text;
    text << std::ifstream(path, std::ios::binary).rdbuf();
    return text.str();
}

ProgramRun runProgram(const std::vector<std::string>& arguments,
                      const std::string& workingDirectory,
                      std::optional<std::size_t> fileSizeLimit) {
    const TemporaryFolder captures;
    const std::string outputPath = captures.path() + "output";
    const std::string errorsPath = captures.path() + "errors";
    std::vector<char*> argv;
    for (const std::string& argument : arguments) {
        argv.push_back(const_cast<char*>(argument.c_str()));
    }
    argv.push_back(nullptr);
    std::fflush(nullptr);
    const pid_t child = ::fork();
    if (child == 0) {
        const int output = ::open(outputPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        const int errors = ::open(errorsPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        if (output < 0 || errors < 0 || ::dup2(output, 1) < 0 || ::dup2(errors, 2) < 0 ||
            (!workingDirectory.empty() && ::chdir(workingDirectory.c_str()) != 0)) {
            ::_exit(126);
        }
        const rlimit limit = {fileSizeLimit.value_or(RLIM_INFINITY),
                              fileSizeLimit.value_or(RLIM_INFINITY)};
        if (fileSizeLimit && ::setrlimit(RLIMIT_FSIZE, &limit) != 0) {
            ::_exit(126);
        }
        ::execv(argv[0], argv.data());
        ::_exit(127);
    }
    ProgramRun run;
    int status = 0;
    if (child > 0 && ::waitpid(child, &status, 0) == child && WIFEXITED(status)) {
        run.status = WEXITSTATUS(status);
    }
    run.output = readFile(outputPath);
    run.errors = readFile(errorsPath);
    return run;
}

void finishWithin(int limitSeconds, const std::function<void()>& work) {
    std::packaged_task<void()> task(work);
    std::future<void> done = task.get_future();
    std::thread worker(std::move(task));
    if (done.wait_for(std::chrono::seconds(limitSeconds)) != std::future_status::ready) {
        std::fprintf(stderr, "still running after %d s: the work hangs\n", limitSeconds);
        std::_Exit(1);
    }
    worker.join();
    done.get();
}

namespace {

class Dump {
  public:
    Dump& operator<<(const std::string& text) {
        text_ += text;
        return *this;
    }
    Dump& operator<<(double value) {
        char digits[32];
        std::snprintf(digits, sizeof digits, " %.17g", value);
        text_ += digits;
        return *this;
    }
    std::string take() { return std::move(text_); }

  private:
    std::string text_;
};

}  // namespace

std::string dump(const Model& model) {
    Dump out;
    out << "playbackRate" << model.playbackRate << "\nrootBone" << model.rootBone;
    for (int slot = 0; slot < kMaxBones; ++slot) {
        if (const Bone* bone = model.bones[slot].get()) {
            out << "\nbone" << slot << " name " << bone->name << " children";
            for (uint8_t child : bone->children) {
                out << child;
            }
        }
    }
    out << "\ninfluenceCounts";
    for (uint8_t count : model.influenceCounts) {
        out << count;
    }
    for (const SkinInfluence& influence : model.influences) {
        out << "\ninfluence bone" << influence.bone << " weight" << influence.weight << " offset"
            << influence.offset.x << influence.offset.y << influence.offset.z;
    }
    out << "\nmappingCoords";
    for (const MappingCoord& coord : model.mappingCoords) {
        out << coord[0] << coord[1];
    }
    out << "\nfaces";
    for (const Face& face : model.faces) {
        for (int i = 0; i < 3; ++i) {
            out << face.vertexIndex[i] << face.mappingIndex[i];
        }
    }
    out << "\ntexture " << (model.texture ? model.texture->fileName : std::string("none"));
    if (model.texture && model.texture->image) {
        const Image& image = *model.texture->image;
        out << image.width << image.height << image.channels;
    }
    for (const Animation& animation : model.animations) {
        out << "\nanimation " << animation.name << " frameCount" << animation.frameCount
            << " rejection " << animation.rejection;
        for (int slot = 0; slot < kMaxBones; ++slot) {
            if (const BoneTrack* track = animation.tracks[slot].get()) {
                out << "\n track" << slot;
                for (const Keyframe& key : track->keys) {
                    const auto& q = key.rotation;
                    const auto& t = key.translation;
                    out << " |" << q.w << q.x << q.y << q.z << t.x << t.y << t.z;
                }
            }
        }
    }
    return out.take() + "\n";
}

const char* const kFigureModel = R"(// Test figure: three bones, four vertices, two triangles
Velmora test figure
exported by hand
version 1
Playback rate: 10
MAX native mesh data:
2 faces
4 vertices
4 mapping coordinates
Bones Nb:
1 1 2 1
Bones ID:
0 1 1 2 2
Weights:
1 1 0.5 0.5 1
Offset vectors:
(0, 0, 0) (1, 0, 0)
(0, 1, 0) (0, -1, 0) (1, 1, 0)
Skeletal information: 3
bone parent
0 -1 hips
1 0 spine
2 0 leg
Mapping coordinates:
(0, 0, 0) (1, 0, 0) (1, 1, 0) (0, 1, 0)
Faces:
v0 v1 v2 m0 m1 m2
0 1 2 0 1 2
0 2 3 0 2 3
TEXTURES
Texture: skin.png
ANIMATIONS
Count: 2
figure-walk.motion
figure-wave.motion
)";

const char* const kFigureWalk = R"(Velmora motion: walk
Number of bones: 3
Motion type: quaternion
Bone: 0
Frames: 2
translation x y z, rotation x y z w
-
(0, 0, 0) (0, 0, 0, 1)
(2, 0, 0) (0, 0, 0, 1)
Bone: 1
Frames: 2
translation, rotation
-
(0, 1, 0) (0, 0, 0, 1)
(0, 1, 0) (0, 0, 0.70710678118654757, 0.70710678118654757)
Bone: 2
Frames: 2
translation, rotation
-
(0, -1, 0) (0, 0, 0, 1)
(0, -1, 0) (0, 0, 0, 1)
)";

const char* const kFigureWave = R"(Velmora motion: wave
Number of bones: 3
Motion type: quaternion
Bone: 0
Frames: 1
-
-
(0, 0, 0) (0, 0, 0, 1)
Bone: 1
Frames: 1
-
-
(0, 1, 0) (0, 0, 0, 1)
Bone: 2
Frames: 1
-
-
(0, -1, 0) (0, 0, 0, 1)
)";

std::string addFigure(std::map<std::string, std::string>& files, const std::string& folder) {
    files[folder + "figure-walk.motion"] = kFigureWalk;
    files[folder + "figure-wave.motion"] = kFigureWave;
    const std::string path = folder + "figure.animesh";
    files[path] = kFigureModel;
    return path;
}

std::string replaceLine(const std::string& text, int line, const std::string& replacement) {
    std::size_t start = 0;
    for (int i = 1; i < line; ++i) {
        start = text.find('\n', start) + 1;
    }
    const std::size_t end = text.find('\n', start);
    return text.substr(0, start) + replacement + text.substr(end);
}

std::string linesBefore(const std::string& text, int line) {
    std::size_t end = 0;
    for (int i = 1; i < line; ++i) {
        end = text.find('\n', end) + 1;
    }
    return text.substr(0, end);
}
