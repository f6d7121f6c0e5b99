#include "model/posed_box.h"

#include <algorithm>
#include <vector>

#include "model/pipeline.h"

namespace velmora {
inline namespace model {

using Geometry::Vector3;

Box firstKeyBox(const Model& model, const Animation& animation) {
    Pose pose;
    poseSkeleton(model, animation, {}, pose);
    std::vector<Vector3> points;
    skin(model, pose, points);
    if (points.empty()) {
        for (int slot = 0; slot < kMaxBones; ++slot) {
            if (model.bones[slot]) {
                const auto& m = pose.boneTransforms[slot];
                points.push_back({m[0][3], m[1][3], m[2][3]});
            }
        }
    }
    if (points.empty()) {
        return {};
    }
    Box box{points.front(), points.front()};
    for (const Vector3& p : points) {
        box.low = {std::min(box.low.x, p.x), std::min(box.low.y, p.y), std::min(box.low.z, p.z)};
        box.high = {std::max(box.high.x, p.x), std::max(box.high.y, p.y),
                    std::max(box.high.z, p.z)};
    }
    return box;
}

double largestSide(const Box& box) {
    return std::max({box.high.x - box.low.x, box.high.y - box.low.y, box.high.z - box.low.z});
}

}  // namespace model
}  // namespace velmora
