#pragma once
// The box around a character in its first pose, which sizes what is "large"
// or "small" for the checks and comparisons of a character.

#include "files/model.h"
#include "geometry/geometry.h"

namespace velmora {
inline namespace model {

struct Box {
    Geometry::Vector3 low;
    Geometry::Vector3 high;
};

// The box around the model posed at the first key of animation (which is
// playable): around its skinned vertices, or its joints when it has no
// vertices. Both corners are the origin when there is neither.
Box firstKeyBox(const Model& model, const Animation& animation);

// The largest side of box.
double largestSide(const Box& box);

}  // namespace model
}  // namespace velmora
