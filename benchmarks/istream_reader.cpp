#include "benchmarks/istream_reader.h"

#include <cstring>
#include <fstream>
#include <sstream>

#include "files/file_source.h"
#include "files/load_error.h"
#include "files/png_image.h"

namespace velmora {
inline namespace benchmarks {

namespace {

class IstreamReader {
  public:
    IstreamReader(std::istream& input, const std::string& path) : input_(input), path_(path) {}

    // Skips white space, then takes the rest of the line without its line end.
    std::string nextLine() {
        input_ >> std::ws;
        std::string line;
        if (!std::getline(input_, line)) {
            fail("unexpected end of file");
        }
        if (!input_.eof() && !line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        return line;
    }

    std::string firstLine() {
        std::string line;
        do {
            line = nextLine();
        } while (line.empty() || line.compare(0, 2, "//") == 0);
        return line;
    }

    void searchWholeLine(const std::string& keyword) {
        while (nextLine() != keyword) {
        }
    }

    std::string searchPrefix(const std::string& keyword) {
        for (;;) {
            std::string line = nextLine();
            if (line.compare(0, keyword.size(), keyword) == 0) {
                return line;
            }
        }
    }

    // The reused line stream, loaded with text and its state cleared.
    std::istringstream& load(const std::string& text) {
        lineStream_.str(text);
        lineStream_.clear();
        return lineStream_;
    }

    // The first value of text, read from the line stream.
    template <typename Value>
    Value valueOf(const std::string& text) {
        Value value{};
        if (!(load(text) >> value)) {
            fail("a value cannot be read from \"" + text + "\"");
        }
        return value;
    }

    template <typename Value>
    Value valueAfterColon(const std::string& line) {
        const std::size_t colon = line.find(':');
        return valueOf<Value>(colon == std::string::npos ? std::string() : line.substr(colon + 1));
    }

    template <typename Value>
    Value fromFile() {
        Value value{};
        if (!(input_ >> value)) {
            fail("a value cannot be read");
        }
        return value;
    }

    // n components in bracket notation; brackets and commas are optional.
    void vector(int n, double* target) {
        char c = 0;
        if (input_ >> c && !std::strchr("(<[{", c)) {
            input_.putback(c);
        }
        double components[4] = {0, 0, 0, 0};
        for (int i = 0; i < n; ++i) {
            input_ >> components[i];
            if (input_.eof()) {
                break;
            }
            if (input_ >> c && !std::strchr(",)>]}", c)) {
                input_.putback(c);
            }
        }
        if (input_.fail() && !input_.eof()) {
            fail("a vector cannot be read");
        }
        std::copy(components, components + n, target);
    }

    [[noreturn]] void fail(const std::string& problem) const { throw LoadError(path_, 0, problem); }

  private:
    std::istream& input_;
    const std::string& path_;
    std::istringstream lineStream_;
};

void readMotionWithIstream(Animation& animation, const std::string& directory,
                           const std::string& motionFileName) {
    animation.name = joinToDirectory(directory, motionFileName);
    std::ifstream file(animation.name);
    IstreamReader reader(file, animation.name);
    const int32_t blockCount =
        reader.valueAfterColon<int32_t>(reader.searchPrefix("Number of bones:"));
    reader.searchPrefix("Motion type:");
    for (int32_t block = 0; block < blockCount; ++block) {
        const auto bone = reader.valueAfterColon<int32_t>(reader.nextLine());
        animation.frameCount = reader.valueAfterColon<uint32_t>(reader.nextLine());
        reader.nextLine();
        reader.nextLine();
        auto track = std::make_unique<BoneTrack>();
        track->keys.resize(animation.frameCount);
        for (Keyframe& key : track->keys) {
            double translation[3];
            double rotation[4];
            reader.vector(3, translation);
            reader.vector(4, rotation);
            key.translation = {translation[0], translation[1], translation[2]};
            key.rotation = {rotation[3], rotation[0], rotation[1], rotation[2]};
        }
        animation.tracks.at(bone) = std::move(track);
    }
}

void readSkeleton(IstreamReader& reader, Model& model) {
    std::string word;
    int32_t boneCount = 0;
    reader.load(reader.searchPrefix("Skeletal information:")) >> word >> word >> boneCount;
    reader.nextLine();
    for (int32_t row = 0; row < boneCount; ++row) {
        uint32_t bone = 0;
        uint32_t parent = 0;
        if (!(reader.load(reader.nextLine()) >> bone >> parent) || bone >= kMaxBones) {
            reader.fail("a skeleton row cannot be read");
        }
        model.bones[bone] = std::make_unique<Bone>();
        if (parent >= kMaxBones) {
            model.rootBone = static_cast<uint8_t>(bone);
        } else {
            model.bones.at(parent)->children.push_back(static_cast<uint8_t>(bone));
        }
    }
}

}  // namespace

void loadWithIstream(Model& model, const std::string& path) {
    const std::string directory = directoryOf(path);
    std::ifstream file(path);
    IstreamReader reader(file, path);
    reader.firstLine();
    reader.nextLine();
    reader.nextLine();
    model.playbackRate = reader.valueAfterColon<int32_t>(reader.nextLine());

    reader.searchWholeLine("MAX native mesh data:");
    const auto faceCount = reader.valueOf<int32_t>(reader.nextLine());
    const auto vertexCount = reader.valueOf<int32_t>(reader.nextLine());
    const auto mappingCount = reader.valueOf<int32_t>(reader.nextLine());

    reader.searchWholeLine("Bones Nb:");
    model.influenceCounts.resize(vertexCount);
    std::size_t influenceTotal = 0;
    for (uint8_t& count : model.influenceCounts) {
        count = static_cast<uint8_t>(reader.fromFile<int32_t>());
        influenceTotal += count;
    }
    reader.searchWholeLine("Bones ID:");
    model.influences.resize(influenceTotal);
    for (SkinInfluence& influence : model.influences) {
        influence.bone = static_cast<uint8_t>(reader.fromFile<int32_t>());
    }
    reader.searchWholeLine("Weights:");
    for (SkinInfluence& influence : model.influences) {
        influence.weight = reader.fromFile<double>();
    }
    reader.searchWholeLine("Offset vectors:");
    for (SkinInfluence& influence : model.influences) {
        double offset[3];
        reader.vector(3, offset);
        influence.offset = {offset[0], offset[1], offset[2]};
    }

    readSkeleton(reader, model);

    reader.searchWholeLine("Mapping coordinates:");
    model.mappingCoords.resize(mappingCount, MappingCoord{0, 0});
    for (MappingCoord& coordinate : model.mappingCoords) {
        double components[3];
        reader.vector(3, components);
        coordinate = {components[0], components[1]};
    }

    reader.searchWholeLine("Faces:");
    reader.nextLine();
    model.faces.resize(faceCount);
    for (Face& face : model.faces) {
        reader.load(reader.nextLine()) >> face.vertexIndex[0] >> face.vertexIndex[1] >>
            face.vertexIndex[2] >> face.mappingIndex[0] >> face.mappingIndex[1] >>
            face.mappingIndex[2];
    }

    reader.searchWholeLine("TEXTURES");
    std::string textureName;
    if (!(reader.load(reader.searchPrefix("Texture:")) >> textureName >> textureName)) {
        textureName.clear();
    }
    model.texture = std::make_unique<Texture>();
    model.texture->fileName = joinToDirectory(directory, textureName);
    const FileRead texture = DiskFileSource().read(model.texture->fileName, kMaxFileSize);
    if (texture.status == FileRead::Status::Read) {
        model.texture->image = decodePng(texture.bytes);
    }

    reader.searchWholeLine("ANIMATIONS");
    model.animations.resize(reader.valueAfterColon<int32_t>(reader.searchPrefix("Count:")));
    for (Animation& animation : model.animations) {
        readMotionWithIstream(animation, directory, reader.nextLine());
    }
}

}  // namespace benchmarks
}  // namespace velmora
