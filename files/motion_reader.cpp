#include "files/line_reader.h"
#include "files/model_reader.h"

namespace velmora {
inline namespace files {

namespace {

// A key is a 3-vector and a 4-vector: at least seven numbers and their separators.
constexpr std::size_t kBytesPerKey = 14;
// A block is at least four non-empty lines.
constexpr std::size_t kBytesPerBlock = 8;

}  // namespace

TextInput& readMotion(TextInput& input, Animation& animation, const std::string& path) {
    LineReader reader(input, path);
    const int32_t blockCount =
        reader.int32AfterColon(reader.searchPrefix("Number of bones:"), "number of bones");
    reader.count(blockCount, kBytesPerBlock, "number of bones");
    if (blockCount > kMaxBones) {
        reader.fail("number of bones " + std::to_string(blockCount) + " is more than " +
                    std::to_string(kMaxBones));
    }
    reader.searchPrefix("Motion type:");
    for (int32_t block = 0; block < blockCount; ++block) {
        const std::string which = "bone block " + std::to_string(block + 1);
        const int32_t boneIndex =
            reader.int32AfterColon(reader.nextLine("the bone index of " + which), "bone index");
        if (boneIndex < 0 || boneIndex >= kMaxBones) {
            reader.fail("bone index " + std::to_string(boneIndex) + " is out of range (0 to " +
                        std::to_string(kMaxBones - 1) + ")");
        }
        if (animation.tracks[boneIndex]) {
            reader.fail("bone " + std::to_string(boneIndex) + " has two blocks");
        }
        const uint32_t frameCount =
            reader.uint32AfterColon(reader.nextLine("the frame count of " + which), "frame count");
        if (frameCount == 0) {
            reader.fail("frame count of bone " + std::to_string(boneIndex) + " is 0");
        }
        if (block > 0 && frameCount != animation.frameCount) {
            reader.fail("frame count " + std::to_string(frameCount) + " of bone " +
                        std::to_string(boneIndex) + " differs from the " +
                        std::to_string(animation.frameCount) + " frames of the blocks before");
        }
        const std::size_t keyCount = reader.count(frameCount, kBytesPerKey, "frame count");
        reader.nextLine("the first free line of " + which);
        reader.nextLine("the second free line of " + which);
        animation.frameCount = frameCount;
        auto track = std::make_unique<BoneTrack>();
        track->keys.resize(keyCount);
        for (std::size_t k = 0; k < track->keys.size(); ++k) {
            auto key = [k, boneIndex] {
                return "key " + std::to_string(k + 1) + " of bone " + std::to_string(boneIndex);
            };
            Keyframe& keyframe = track->keys[k];
            double translation[3];
            double rotation[4];
            reader.vector(3, translation, [&key] { return "the translation of " + key(); });
            reader.vector(4, rotation, [&key] { return "the rotation of " + key(); });
            keyframe.translation = {translation[0], translation[1], translation[2]};
            keyframe.rotation = {rotation[3], rotation[0], rotation[1], rotation[2]};
        }
        animation.tracks[boneIndex] = std::move(track);
    }
    return input;
}

void checkRequiredTracks(const Animation& animation, const std::bitset<kMaxBones>& requiredTracks,
                         const std::string& path, const TextInput& input) {
    for (int bone = 0; bone < kMaxBones; ++bone) {
        if (requiredTracks[bone] && !animation.tracks[bone]) {
            throw LoadError(path, input.lastLineNumber(),
                            "bone " + std::to_string(bone) + " of the skeleton has no block");
        }
    }
}

}  // namespace files
}  // namespace velmora
