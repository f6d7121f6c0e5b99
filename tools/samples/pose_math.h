#pragma once
// What building characters and their motions needs beyond the Geometry
// library's vocabulary: the body's axes and symmetry, easing, and rotations
// aimed along limbs. Rotations are unit quaternions; a * b rotates by b first,
// then by a.

#include <algorithm>

#include "geometry/geometry.h"

namespace velmora {
inline namespace samples {

using Geometry::axisAngle;
using Geometry::dot;
using Geometry::fromRotationVector;
using Geometry::inverse;
using Geometry::kPi;
using Geometry::length;
using Geometry::lerp;
using Geometry::Quaternion;
using Geometry::radians;
using Geometry::rotate;
using Geometry::rotationBetween;
using Geometry::rotationVector;
using Geometry::Vector3;
using std::clamp;

// The mirror image across the body's plane of symmetry (x = 0).
Vector3 mirrorX(const Vector3& v);

// 0 below edge0, 1 above edge1, a smooth S-curve between (edge0 < edge1 or >).
double smoothstep(double edge0, double edge1, double x);

constexpr Quaternion kIdentity{1, 0, 0, 0};
constexpr Vector3 kRight{1, 0, 0};
constexpr Vector3 kUp{0, 1, 0};
// The characters face the viewer's reset camera, which looks towards +z.
constexpr Vector3 kForward{0, 0, -1};

// Pitch about x, then yaw about y, then roll about z: the body's own axes, so
// that positive pitch swings a hanging limb forward (towards -z).
Quaternion turn(double pitch, double yaw, double roll);
// The rotation taking direction restAlong to along and turning the rest
// forward direction (kForward) as close to forward as it can.
Quaternion aimRotation(const Vector3& restAlong, const Vector3& along, const Vector3& forward);

}  // namespace samples
}  // namespace velmora
