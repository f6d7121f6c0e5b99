#pragma once
// A walk held on the spot and the ground under it, as plain steps on data: the
// model's first pose gives the ground's height and grid once per model; each
// frame, holding the root in place is an offset found from the pose and added
// to it, and the grid scrolls by that offset.

#include <optional>
#include <vector>

#include "files/model.h"
#include "geometry/geometry.h"
#include "model/pipeline.h"

namespace velmora {
inline namespace model {

// The ground: a square grid of lines in the plane y = height around centre
// (whose y is height), lines spacing apart, halfLines of them each side of
// the centre in both directions.
struct Ground {
    Geometry::Vector3 centre;
    double spacing = 1.0;
    int halfLines = 10;
};

// The ground under model's first pose (the first key of its first playable
// animation): at its lowest point, centred under its box, lines a tenth of the
// box's largest side apart, reaching twice that side each way. None when no
// animation can be played or the pose has no extent.
std::optional<Ground> groundFor(const Model& model);

// The horizontal offset (y = 0) that puts the root bone's joint in pose back
// over where it stands at animation's first key, so that its walk stays on
// the spot.
Geometry::Vector3 inPlaceOffset(const Model& model, const Animation& animation, const Pose& pose);

// pose with every bone moved by offset.
Pose movedPose(const Pose& pose, const Geometry::Vector3& offset);

// Where the grid's lines lie after the character has been held back by
// offset: the world moves with the offset, so the grid shifts by it, within
// one spacing (x and z each in (-spacing, spacing); y = 0).
Geometry::Vector3 gridShift(const Ground& ground, const Geometry::Vector3& offset);

}  // namespace model
}  // namespace velmora
