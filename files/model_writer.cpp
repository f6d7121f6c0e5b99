#include "files/model_writer.h"

#include <charconv>

namespace velmora {
inline namespace files {

namespace {

// Appends text, numbers and vectors to one string. Numbers are formatted on the
// stack and appended, with no string made per number; the caller reserves what
// the whole text will take, so that the string is seldom copied as it grows.
class TextBuilder {
  public:
    explicit TextBuilder(std::size_t expectedSize) { text_.reserve(expectedSize); }

    TextBuilder& operator<<(const std::string& text) {
        text_ += text;
        return *this;
    }
    TextBuilder& operator<<(const char* text) {
        text_ += text;
        return *this;
    }
    TextBuilder& operator<<(char c) {
        text_ += c;
        return *this;
    }
    TextBuilder& operator<<(long long value) {
        char digits[24];
        const auto result = std::to_chars(digits, digits + sizeof digits, value);
        text_.append(digits, result.ptr);
        return *this;
    }
    TextBuilder& operator<<(double value) {
        char digits[32];
        const auto result = std::to_chars(digits, digits + sizeof digits, value);
        text_.append(digits, result.ptr);
        return *this;
    }
    // "(a, b, c)": all of it formatted into one buffer, then appended at once.
    TextBuilder& vector(std::initializer_list<double> components) {
        char line[8 + 4 * 32];
        char* end = line;
        *end++ = '(';
        for (const double component : components) {
            if (end != line + 1) {
                *end++ = ',';
                *end++ = ' ';
            }
            end = std::to_chars(end, line + sizeof line, component).ptr;
        }
        *end++ = ')';
        text_.append(line, end);
        return *this;
    }
    std::string take() { return std::move(text_); }

  private:
    std::string text_;
};

// Bytes a line of that many numbers takes at most: 17 significant digits, a
// sign, a point and an exponent each, with their separators.
constexpr std::size_t lineBytes(std::size_t numbers) {
    return numbers * 26 + 4;
}

}  // namespace

std::string modelText(const Model& model, const std::string& textureName,
                      const std::vector<std::string>& motionFileNames) {
    // Counts, bone IDs, weights, offsets, mapping coordinates and faces.
    TextBuilder out(1024 + model.influenceCounts.size() * 4 +
                    model.influences.size() * (5 + lineBytes(1) + lineBytes(3)) +
                    model.mappingCoords.size() * lineBytes(3) + model.faces.size() * 6 * 12);
    out << "Velmora animated mesh\n"
        << "Skinned mesh with skeleton, mapping, faces, texture and animations\n"
        << "Version: 1\n"
        << "Playback rate: " << static_cast<long long>(model.playbackRate) << "\n\n"
        << "MAX native mesh data:\n"
        << static_cast<long long>(model.faces.size()) << " faces\n"
        << static_cast<long long>(model.vertexCount()) << " vertices\n"
        << static_cast<long long>(model.mappingCoords.size()) << " mapping coordinates\n\n"
        << "Bones Nb:\n";
    for (uint8_t count : model.influenceCounts) {
        out << static_cast<long long>(count) << '\n';
    }
    out << "\nBones ID:\n";
    for (const SkinInfluence& influence : model.influences) {
        out << static_cast<long long>(influence.bone) << '\n';
    }
    out << "\nWeights:\n";
    for (const SkinInfluence& influence : model.influences) {
        out << influence.weight << '\n';
    }
    out << "\nOffset vectors:\n";
    for (const SkinInfluence& influence : model.influences) {
        out.vector({influence.offset.x, influence.offset.y, influence.offset.z}) << '\n';
    }
    long long boneCount = 0;
    for (const auto& bone : model.bones) {
        boneCount += bone ? 1 : 0;
    }
    int parents[kMaxBones];
    for (int& parent : parents) {
        parent = -1;
    }
    for (int slot = 0; slot < kMaxBones; ++slot) {
        if (model.bones[slot]) {
            for (uint8_t child : model.bones[slot]->children) {
                parents[child] = slot;
            }
        }
    }
    out << "\nSkeletal information: " << boneCount << "\nbone parent\n";
    // Pre-order from each root, so every parent's row comes before its children's;
    // the model's root comes last, since the last root row is the one that counts.
    std::vector<int> pending;
    if (model.bones[model.rootBone]) {
        pending.push_back(model.rootBone);
    }
    for (int slot = kMaxBones - 1; slot >= 0; --slot) {
        if (model.bones[slot] && parents[slot] < 0 && slot != model.rootBone) {
            pending.push_back(slot);
        }
    }
    while (!pending.empty()) {
        const int slot = pending.back();
        pending.pop_back();
        out << static_cast<long long>(slot) << ' ' << static_cast<long long>(parents[slot]) << '\n';
        const auto& children = model.bones[slot]->children;
        pending.insert(pending.end(), children.rbegin(), children.rend());
    }
    out << "\nMapping coordinates:\n";
    for (const MappingCoord& coord : model.mappingCoords) {
        out.vector({coord[0], coord[1], 0.0}) << '\n';
    }
    out << "\nFaces:\nv0 v1 v2 m0 m1 m2\n";
    for (const Face& face : model.faces) {
        for (int32_t index : face.vertexIndex) {
            out << static_cast<long long>(index) << ' ';
        }
        out << static_cast<long long>(face.mappingIndex[0]) << ' '
            << static_cast<long long>(face.mappingIndex[1]) << ' '
            << static_cast<long long>(face.mappingIndex[2]) << '\n';
    }
    out << "\nTEXTURES\nTexture: " << textureName
        << "\n\nANIMATIONS\nCount: " << static_cast<long long>(motionFileNames.size()) << '\n';
    for (const std::string& name : motionFileNames) {
        out << name << '\n';
    }
    return out.take();
}

std::string motionText(const Animation& animation) {
    long long blockCount = 0;
    for (const auto& track : animation.tracks) {
        blockCount += track ? 1 : 0;
    }
    std::size_t keys = 0;
    for (const auto& track : animation.tracks) {
        keys += track ? track->keys.size() : 0;
    }
    TextBuilder out(1024 + blockCount * 128 + keys * lineBytes(7));
    out << "Velmora motion\nNumber of bones: " << blockCount << "\nMotion type: quaternion\n";
    for (int slot = 0; slot < kMaxBones; ++slot) {
        if (!animation.tracks[slot]) {
            continue;
        }
        out << "\nBone: " << static_cast<long long>(slot)
            << "\nFrames: " << static_cast<long long>(animation.frameCount)
            << "\nKeys: translation (x, y, z), rotation (x, y, z, w)\n-\n";
        for (const Keyframe& key : animation.tracks[slot]->keys) {
            const auto& t = key.translation;
            const auto& q = key.rotation;
            out.vector({t.x, t.y, t.z}) << ' ';
            out.vector({q.x, q.y, q.z, q.w}) << '\n';
        }
    }
    return out.take();
}

}  // namespace files
}  // namespace velmora
