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
    for (auto& animation : animations) {
        animation.release();
    }
    animations.clear();
}

std::string animationLabel(const std::string& name) {
    const std::size_t hyphen = name.find('-');
    return hyphen == std::string::npos ? name : name.substr(hyphen + 1);
}
