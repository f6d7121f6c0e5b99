#pragma once
// A small figure that the render tests write to disk, made to be looked at: a
// textured body with an arm that swings, and a hand bone at the arm's end, so
// that mesh and bones both move with the clock.
//
//              hand (bone 2, no vertices)      texture (4 x 2, nearest):
//         y = 60  +-+                           row 0: red  green  cyan cyan
//                 | |  arm (bone 1), cyan       row 1: blue yellow cyan cyan
//                 | |  8 wide, 40 long
//         y = 20 +-+-+-------+                 body on bone 0 (the root), at
//                | red | green |                the origin; the arm's joint at
//                |-----+-------|                (0, 20, 0)
//                | blue|yellow |
//         y = -20+-----+-------+
//           x = -30    0      30
//
// "wave" (3 frames at 10 per second, one pass in 0.3 s) turns the arm about z
// by 0, 45 and 90 degrees, towards -x; at 200 ms and until 300 ms it points
// along -x, its middle line at y = 20. "turn" (1 frame) holds the whole figure
// half a turn about y, so the body shows its back to the reset camera.

#include <string>

#include "geometry/geometry.h"

using namespace velmora;

// Writes figure.animesh, its texture and motion files into folder; returns the
// model file's path.
std::string writeRenderFigure(const std::string& folder);

// Half the arm's width.
constexpr double kArmHalfWidth = 4;
const Geometry::Vector3 kArmJoint(0, 20, 0);
// Where the hand joint is at 0 ms and from 200 ms of each pass.
const Geometry::Vector3 kHandRaised(0, 60, 0);
const Geometry::Vector3 kHandSideways(-40, 20, 0);
