#include "files/model.h"

#include <limits>

#include "files/huge_pages.h"

namespace velmora {
inline namespace files {

void Animation::release() {
    for (auto& track : tracks) {
        track.reset();
    }
    name.clear();
}

void Model::init() {
    texture.reset();
    for (auto& bone : bones) {
        bone.reset();
    }
}

void Model::unload() {
    for (auto& bone : bones) {
        bone.reset();
    }
    texture.reset();
    init();
    influenceCounts.clear();
    influences.clear();
    mappingCoords.clear();
    faces.clear();
    faceCorners.clear();
    cornerVertices.clear();
    cornerMappingCoords.clear();
    for (auto& animation : animations) {
        animation.release();
    }
    animations.clear();
}

void Model::indexFaces() {
    constexpr uint32_t kNone = std::numeric_limits<uint32_t>::max();
    faceCorners.clear();
    cornerVertices.clear();
    cornerMappingCoords.clear();
    reserveLarge(faceCorners, faces.size() * 3);
    reserveLarge(cornerVertices, mappingCoords.size());
    reserveLarge(cornerMappingCoords, mappingCoords.size());
    // The corner last stored for each mapping coordinate. A coordinate mostly
    // belongs to one vertex, so this finds nearly every shared corner without a
    // search; a coordinate met with another vertex gets a further corner, which
    // costs OpenGL a little work and changes no pixel.
    std::vector<uint32_t> lastCorner(mappingCoords.size(), kNone);
    for (const Face& face : faces) {
        for (int corner = 0; corner < 3; ++corner) {
            const int32_t vertex = face.vertexIndex[corner];
            const int32_t mapping = face.mappingIndex[corner];
            uint32_t& stored = lastCorner[mapping];
            if (stored == kNone || cornerVertices[stored] != vertex) {
                stored = static_cast<uint32_t>(cornerVertices.size());
                cornerVertices.push_back(vertex);
                cornerMappingCoords.push_back({static_cast<float>(mappingCoords[mapping][0]),
                                               static_cast<float>(mappingCoords[mapping][1])});
            }
            faceCorners.push_back(stored);
        }
    }
}

std::string animationLabel(const std::string& name) {
    const std::size_t slash = name.rfind('/');
    const std::size_t fileName = slash == std::string::npos ? 0 : slash + 1;
    const std::size_t hyphen = name.find('-', fileName);
    return hyphen == std::string::npos ? name : name.substr(hyphen + 1);
}

std::string boneLabel(const Model& model, int bone) {
    const Bone* slot = model.bones[bone].get();
    if (!slot || slot->name.empty()) {
        return std::to_string(bone);
    }
    std::string label = slot->name;
    for (char& c : label) {
        if (c < ' ' || c > '~') {
            c = '?';
        }
    }
    return label;
}

int boneParent(const Model& model, int bone) {
    for (int slot = 0; slot < kMaxBones; ++slot) {
        if (model.bones[slot]) {
            for (const uint8_t child : model.bones[slot]->children) {
                if (child == bone) {
                    return slot;
                }
            }
        }
    }
    return -1;
}

}  // namespace files
}  // namespace velmora
