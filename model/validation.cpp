#include "model/validation.h"

#include <bitset>

namespace velmora {
inline namespace model {

std::vector<std::string> validateModel(const Model& model) {
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
    std::size_t influenceTotal = 0;
    for (uint8_t count : model.influenceCounts) {
        influenceTotal += count;
    }
    if (influenceTotal != model.influences.size()) {
        faults.push_back("the influence counts add up to " + std::to_string(influenceTotal) +
                         " but there are " + std::to_string(model.influences.size()) +
                         " influences");
    }

    const auto vertexCount = static_cast<int64_t>(model.vertexCount());
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

}  // namespace model
}  // namespace velmora
