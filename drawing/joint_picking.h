#pragma once
// Which joint a click lands on, from the camera and the window's size alone:
// the same projection the frame draws with, computed, not read back from
// OpenGL, so that it needs no context.

#include <cstdint>
#include <optional>
#include <utility>
#include <vector>

#include "geometry/geometry.h"
#include "view/camera.h"

namespace velmora {
inline namespace drawing {

// A click this close to a joint's picture, in pixels, selects its bone.
constexpr double kPickRadius = 12.0;

// Where point shows in a width x height window seen by camera through the
// viewer's frustum (frustumFor): x to the right and y down, in pixels from the
// window's top-left corner. None for a point at or behind the eye's plane, and
// for a window without area.
std::optional<std::pair<double, double>> projectToWindow(const Camera& camera, int width,
                                                         int height,
                                                         const Geometry::Vector3& point);

// The bone of the joint whose picture lies nearest the centre of pixel (x, y),
// when it lies within kPickRadius; joints as jointPositions gives them. The
// first listed wins a tie.
std::optional<uint8_t> pickJoint(const Camera& camera, int width, int height,
                                 const std::vector<std::pair<uint8_t, Geometry::Vector3>>& joints,
                                 int x, int y);

}  // namespace drawing
}  // namespace velmora
