#include "files/model_reader.h"

#include <bitset>

#include "files/huge_pages.h"
#include "files/line_reader.h"

namespace velmora {
inline namespace files {

namespace {

// Fewest bytes that one item of each array takes in the file, including the
// white space after it; a count that the rest of the file cannot hold at that
// rate is rejected before anything is sized from it.
constexpr std::size_t kBytesPerNumber = 2;
constexpr std::size_t kBytesPerInfluence = 2 + 2 + 6;  // bone id, weight, offset vector
constexpr std::size_t kBytesPerVector3 = 6;
constexpr std::size_t kBytesPerFaceRow = 12;

std::string quoted(std::string_view text) {
    return "\"" + std::string(text) + "\"";
}

void readSkeleton(LineReader& reader, Model& model, const std::bitset<256>& bonesNamed) {
    TextInput words(reader.searchPrefix("Skeletal information:"));
    std::string word;
    words.readWord(word);
    words.readWord(word);
    int32_t boneCount = 0;
    if (!words.readInt32(boneCount)) {
        reader.fail("bone count: expected a whole number after \"Skeletal information:\"");
    }
    if (boneCount < 0) {
        reader.fail("bone count " + std::to_string(boneCount) + " is negative");
    }
    if (boneCount > kMaxBones) {
        reader.fail("bone count " + std::to_string(boneCount) + " is more than " +
                    std::to_string(kMaxBones));
    }
    reader.nextLine("the line after \"Skeletal information:\"");
    bool rootFound = false;
    for (int32_t row = 0; row < boneCount; ++row) {
        const std::string_view line =
            reader.nextLine([row] { return "skeleton row " + std::to_string(row + 1); });
        TextInput values(line);
        uint32_t boneIndex = 0;
        uint32_t parentIndex = 0;
        if (!values.readUInt32(boneIndex) || !values.readUInt32(parentIndex)) {
            reader.fail("skeleton row " + std::to_string(row + 1) +
                        ": expected a bone index and a parent index, found " + quoted(line));
        }
        if (boneIndex >= kMaxBones) {
            reader.fail("bone index " + std::to_string(boneIndex) + " is out of range (0 to " +
                        std::to_string(kMaxBones - 1) + ")");
        }
        if (model.bones[boneIndex]) {
            reader.fail("bone " + std::to_string(boneIndex) + " is listed twice");
        }
        if (parentIndex < kMaxBones && !model.bones[parentIndex]) {
            reader.fail("parent " + std::to_string(parentIndex) + " of bone " +
                        std::to_string(boneIndex) + " is not a bone listed earlier");
        }
        model.bones[boneIndex] = std::make_unique<Bone>();
        if (parentIndex >= kMaxBones) {
            model.rootBone = static_cast<uint8_t>(boneIndex);
            rootFound = true;
        } else {
            model.bones[parentIndex]->children.push_back(static_cast<uint8_t>(boneIndex));
        }
    }
    if (!rootFound) {
        reader.fail("the skeleton has no root bone (a row whose parent index is -1)");
    }
    auto missing = [&model](std::size_t bone) { return bone >= kMaxBones || !model.bones[bone]; };
    bool anyMissing = false;
    for (std::size_t bone = 0; bone < bonesNamed.size(); ++bone) {
        anyMissing = anyMissing || (bonesNamed[bone] && missing(bone));
    }
    // Only then are the influences gone through again, for the first that
    // names a missing bone.
    for (std::size_t i = 0; anyMissing && i < model.influences.size(); ++i) {
        const uint8_t bone = model.influences[i].bone;
        if (missing(bone)) {
            reader.fail("influence " + std::to_string(i + 1) + " names bone " +
                        std::to_string(bone) + ", which is not in the skeleton");
        }
    }
}

// Returns the bones that the influences name.
std::bitset<256> readSkin(LineReader& reader, Model& model, std::size_t vertexCount) {
    reader.searchWholeLine("Bones Nb:");
    // Every array is sized once and each item made as it is read, rather than
    // zeroed first and written again.
    reserveLarge(model.influenceCounts, vertexCount);
    std::size_t influenceTotal = 0;
    for (std::size_t v = 0; v < vertexCount; ++v) {
        const auto count = static_cast<uint8_t>(
            reader.int32([v] { return "the influence count of vertex " + std::to_string(v + 1); }));
        model.influenceCounts.push_back(count);
        influenceTotal += count;
    }

    reader.searchWholeLine("Bones ID:");
    reader.count(static_cast<int64_t>(influenceTotal), kBytesPerInfluence, "influence total");
    reserveLarge(model.influences, influenceTotal);
    std::bitset<256> bonesNamed;
    for (std::size_t i = 0; i < influenceTotal; ++i) {
        const auto bone = static_cast<uint8_t>(
            reader.int32([i] { return "the bone of influence " + std::to_string(i + 1); }));
        model.influences.push_back({{0, 0, 0}, bone, 0.0});
        bonesNamed.set(bone);
    }
    reader.searchWholeLine("Weights:");
    for (std::size_t i = 0; i < influenceTotal; ++i) {
        model.influences[i].weight =
            reader.real([i] { return "the weight of influence " + std::to_string(i + 1); });
    }
    reader.searchWholeLine("Offset vectors:");
    for (std::size_t i = 0; i < influenceTotal; ++i) {
        double offset[3];
        reader.vector(3, offset,
                      [i] { return "the offset of influence " + std::to_string(i + 1); });
        model.influences[i].offset = {offset[0], offset[1], offset[2]};
    }
    return bonesNamed;
}

void readFaces(LineReader& reader, Model& model, std::size_t faceCount) {
    reader.searchWholeLine("Faces:");
    reader.nextLine("the line after \"Faces:\"");
    reader.count(static_cast<int64_t>(faceCount), kBytesPerFaceRow, "face count");
    reserveLarge(model.faces, faceCount);
    const auto vertexCount = static_cast<int64_t>(model.vertexCount());
    const auto mappingCount = static_cast<int64_t>(model.mappingCoords.size());
    for (std::size_t f = 0; f < faceCount; ++f) {
        auto row = [f] { return "face " + std::to_string(f + 1); };
        const std::string_view line = reader.nextLine(row);
        TextInput values(line);
        Face face;
        bool ok = true;
        for (int32_t& index : face.vertexIndex) {
            ok = ok && values.readInt32(index);
        }
        for (int32_t& index : face.mappingIndex) {
            ok = ok && values.readInt32(index);
        }
        if (!ok) {
            reader.fail(row() + ": expected three vertex and three mapping indices, found " +
                        quoted(line));
        }
        for (int32_t index : face.vertexIndex) {
            if (index < 0 || index >= vertexCount) {
                reader.fail(row() + ": vertex index " + std::to_string(index) + " is outside the " +
                            std::to_string(vertexCount) + " vertices");
            }
        }
        for (int32_t index : face.mappingIndex) {
            if (index < 0 || index >= mappingCount) {
                reader.fail(row() + ": mapping index " + std::to_string(index) +
                            " is outside the " + std::to_string(mappingCount) +
                            " mapping coordinates");
            }
        }
        model.faces.push_back(face);
    }
}

std::bitset<kMaxBones> bonesReachableFromRoot(const Model& model) {
    std::bitset<kMaxBones> reached;
    std::vector<uint8_t> pending{model.rootBone};
    while (!pending.empty()) {
        const uint8_t bone = pending.back();
        pending.pop_back();
        reached.set(bone);
        const auto& children = model.bones[bone]->children;
        pending.insert(pending.end(), children.begin(), children.end());
    }
    return reached;
}

}  // namespace

TextInput& readMeshData(TextInput& input, Model& model, const std::string& path,
                        ReferencedFiles& referencedFiles) {
    LineReader reader(input, path);
    reader.firstLine("the first line");
    reader.nextLine("the second line");
    reader.nextLine("the third line");
    const std::string_view rateLine = reader.nextLine("the playback rate line");
    model.playbackRate = reader.int32AfterColon(rateLine, "playback rate");

    reader.searchWholeLine("MAX native mesh data:");
    // Each count is checked on its own line, so that a message points at it; the
    // face and mapping counts get their exact bound where their sections start.
    const std::size_t faceCount = reader.count(
        reader.int32From(reader.nextLine("the face count"), "face count"), 1, "face count");
    const std::size_t vertexCount =
        reader.count(reader.int32From(reader.nextLine("the vertex count"), "vertex count"),
                     kBytesPerNumber, "vertex count");
    const std::size_t mappingCount =
        reader.count(reader.int32From(reader.nextLine("the mapping count"), "mapping count"), 1,
                     "mapping count");
    const std::bitset<256> bonesNamed = readSkin(reader, model, vertexCount);
    readSkeleton(reader, model, bonesNamed);

    reader.searchWholeLine("Mapping coordinates:");
    const std::size_t mappings =
        reader.count(static_cast<int64_t>(mappingCount), kBytesPerVector3, "mapping count");
    reserveLarge(model.mappingCoords, mappings);
    for (std::size_t m = 0; m < mappings; ++m) {
        double coordinate[3];
        reader.vector(3, coordinate, [m] { return "mapping coordinate " + std::to_string(m + 1); });
        model.mappingCoords.push_back({coordinate[0], coordinate[1]});
    }

    readFaces(reader, model, faceCount);
    model.indexFaces();

    reader.searchWholeLine("TEXTURES");
    TextInput words(reader.searchPrefix("Texture:"));
    std::string textureName;
    words.readWord(textureName);
    words.readWord(textureName);
    model.texture = std::make_unique<Texture>();
    referencedFiles.loadTexture(*model.texture, textureName);

    reader.searchWholeLine("ANIMATIONS");
    const int32_t animationCount =
        reader.int32AfterColon(reader.searchPrefix("Count:"), "animation count");
    model.animations.resize(reader.count(animationCount, kBytesPerNumber, "animation count"));
    const std::bitset<kMaxBones> reachable = bonesReachableFromRoot(model);
    for (std::size_t a = 0; a < model.animations.size(); ++a) {
        const std::string motionFileName(reader.nextLine(
            [a] { return "the motion file name of animation " + std::to_string(a + 1); }));
        referencedFiles.loadAnimation(model.animations[a], motionFileName, reachable);
    }
    return input;
}

}  // namespace files
}  // namespace velmora
