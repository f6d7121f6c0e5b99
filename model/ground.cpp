#include "model/ground.h"

#include <cmath>

#include "model/posed_box.h"

namespace velmora {
inline namespace model {

using Geometry::Vector3;

std::optional<Ground> groundFor(const Model& model) {
    for (int32_t a = 0; a < static_cast<int32_t>(model.animations.size()); ++a) {
        if (!isPlayable(model, a)) {
            continue;
        }
        const Box box = firstKeyBox(model, model.animations[a]);
        const double size = largestSide(box);
        if (!(size > 0) || !std::isfinite(size)) {
            return std::nullopt;
        }
        Ground ground;
        ground.centre = {(box.low.x + box.high.x) / 2, box.low.y, (box.low.z + box.high.z) / 2};
        ground.spacing = size / 10;
        ground.halfLines = 20;
        return ground;
    }
    return std::nullopt;
}

Vector3 inPlaceOffset(const Model& model, const Animation& animation, const Pose& pose) {
    // The root's model-space transform is its local one: its translation at the
    // first key is where it stands then.
    const Vector3& first = animation.tracks[model.rootBone]->keys.front().translation;
    const auto& now = pose.boneTransforms[model.rootBone];
    return {first.x - now[0][3], 0.0, first.z - now[2][3]};
}

Pose movedPose(const Pose& pose, const Vector3& offset) {
    Pose moved = pose;
    for (auto& transform : moved.boneTransforms) {
        transform.rows[0].w += offset.x;
        transform.rows[1].w += offset.y;
        transform.rows[2].w += offset.z;
    }
    return moved;
}

Vector3 gridShift(const Ground& ground, const Vector3& offset) {
    return {std::fmod(offset.x, ground.spacing), 0.0, std::fmod(offset.z, ground.spacing)};
}

}  // namespace model
}  // namespace velmora
