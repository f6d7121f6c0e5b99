#pragma once
// Framing: the camera moved so that a set of points (a pose) fills the window.

#include <vector>

#include "view/camera.h"

namespace velmora {
inline namespace view {

// Of the window's width and height, the share left free on each side of a
// framed pose.
constexpr double kFramingMargin = 0.05;

// Moves camera so that the box around points fits a width x height window with
// kFramingMargin free on each side, as large as the radius limits allow. The
// angle and the slope of the view (eye height over radius) stay; the look-at
// point goes under or over the box's centre (its x and z), at the height that
// fits the box: the window's bottom edge is the line of sight through the
// look-at point, so a box around it could never be seen whole. The radius is
// the smallest within [kMinRadius, kMaxRadius] at which the box fits (the
// largest when none does). Points with an infinite or undefined coordinate are
// left out. Nothing for no finite points, points too far out to aim at in
// double arithmetic, or a window without area.
void frameCamera(Camera& camera, const std::vector<Geometry::Vector3>& points, int width,
                 int height);

}  // namespace view
}  // namespace velmora
