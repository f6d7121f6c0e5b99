#pragma once
// The orbit camera: an eye on a horizontal circle around a look-at point, at a
// height of its own. The commands move the look-at point, the eye's height, the
// circle's radius and the angle on the circle; none of them except reset derives
// the eye again, so callers run update after each command.

#include <array>
#include <cstdint>

#include "geometry/geometry.h"
#include "view/projection.h"

namespace velmora {
inline namespace view {

enum class Axis { X = 0, Y = 1, Z = 2 };

struct Camera {
    // The look-at point.
    Geometry::Vector3 target;
    // x and z are derived by update; y is a free height, never derived.
    Geometry::Vector3 eye;
    // Horizontal distance from the look-at point to the eye.
    double radius = 0.0;
    // Degrees about the vertical through the look-at point: 180 puts the eye on
    // the -z side, 0 and 360 on the +z side, 90 on the +x side.
    double angle = 0.0;

    // Looks from (0, 30, -150) at (0, -20, 0).
    void reset();
    // eye.x and eye.z from target, radius and angle.
    void update();
    // Moves eye and look-at point together vertically.
    void raise(double d);
    // Moves the eye alone vertically: the camera tilts about the look-at point.
    void moveEyeHeight(double d);
    void moveTarget(Axis axis, double d);
    // Adds d to radius and clamps it to [minimum, maximum].
    void zoom(double d, double maximum, double minimum);
    // Adds d to angle; an angle at or below 0 becomes exactly 360 and one at or
    // above 360 exactly 0, dropping the excess.
    void rotate(double d);
    // World to eye coordinates, up being +y, ready for glMultMatrixd.
    Geometry::GLMatrix viewMatrix() const;
};

// The height at which the bottom edge of the window, seen by camera through
// frustum, crosses the vertical line through (x, z): points on that line show
// inside the window only above it. Infinite when the edge runs parallel to the
// line (a camera looking straight down or up).
double bottomEdgeHeight(const Camera& camera, const Frustum& frustum, double x, double z);

// One side of the window as a half-space of the world: a point p is on the
// window's side of it when dot(normal, p) <= offset.
struct WindowSide {
    Geometry::Vector3 normal;
    double offset = 0.0;
};

// The sides of the window seen by camera through frustum, bottom, top, left and
// right: a point in front of the camera shows inside the window exactly when it
// is on the window's side of all four.
std::array<WindowSide, 4> windowSides(const Camera& camera, const Frustum& frustum);

// One turn of the turntable.
constexpr int64_t kTurntableMilliseconds = 10000;

// The turntable's step: turns camera around its look-at point by the part of a
// turn that elapsed milliseconds make (whole turns dropped) and updates it.
// Stepped frame by frame, so that the viewer and an export turn alike.
void turnTurntable(Camera& camera, int64_t elapsed);

// Step sizes and limits of the camera commands.
constexpr double kCameraStep = 5.0;
constexpr double kMaxRadius = 2000.0;
constexpr double kMinRadius = 1.0;

}  // namespace view
}  // namespace velmora
