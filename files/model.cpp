#include "files/model.h"

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
    if (texture) {
        texture->release();
        texture.reset();
    }
    init();
    skinnedPositions.clear();
    influenceCounts.clear();
    influences.clear();
    mappingCoords.clear();
    faces.clear();
    cornerMappingCoords.clear();
    cornerPositions.clear();
    for (auto& animation : animations) {
        animation.release();
    }
    animations.clear();
}

void Model::unrollFaces() {
    cornerMappingCoords.resize(faces.size() * 3);
    cornerPositions.resize(faces.size() * 3);
    std::size_t corner = 0;
    for (const Face& face : faces) {
        for (int32_t index : face.mappingIndex) {
            const MappingCoord& coordinate = mappingCoords[index];
            cornerMappingCoords[corner++] = {static_cast<float>(coordinate[0]),
                                             static_cast<float>(coordinate[1])};
        }
    }
}

std::string animationLabel(const std::string& name) {
    const std::size_t hyphen = name.find('-');
    return hyphen == std::string::npos ? name : name.substr(hyphen + 1);
}
