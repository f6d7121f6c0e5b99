#pragma once
// Vector and rotation arithmetic for building characters and their motions:
// the Geometry library's vocabulary, and what the generator needs beyond it
// (building rotations from axes, angles and directions). Rotations are unit
// quaternions; a * b rotates by b first, then by a.

#include "geometry/geometry.h"

namespace velmora {
inline namespace samples {

using Geometry::dot;
using Geometry::kPi;
using Geometry::length;
using Geometry::lerp;
using Geometry::Quaternion;
using Geometry::radians;
using Geometry::rotate;
using Geometry::Vector3;

// The mirror image across the body's plane of symmetry (x = 0).
Vector3 mirrorX(const Vector3& v);

double clamp(double value, double low, double high);
// 0 below edge0, 1 above edge1, a smooth S-curve between (edge0 < edge1 or >).
double smoothstep(double edge0, double edge1, double x);

constexpr Quaternion kIdentity{1, 0, 0, 0};
constexpr Vector3 kRight{1, 0, 0};
constexpr Vector3 kUp{0, 1, 0};
// The characters face the viewer's reset camera, which looks towards +z.
constexpr Vector3 kForward{0, 0, -1};

Quaternion inverse(const Quaternion& q);
// Right-handed rotation by angle (radians) about axis (any length but zero).
Quaternion axisAngle(const Vector3& axis, double angle);
// Pitch about x, then yaw about y, then roll about z: the body's own axes, so
// that positive pitch swings a hanging limb forward (towards -z).
Quaternion turn(double pitch, double yaw, double roll);
// The smallest rotation taking direction from onto direction to.
Quaternion rotationBetween(const Vector3& from, const Vector3& to);
// The rotation taking direction restAlong to along and turning the rest
// forward direction (kForward) as close to forward as it can.
Quaternion aimRotation(const Vector3& restAlong, const Vector3& along, const Vector3& forward);
// Axis times angle, and back: small deflections add and scale in this form.
Vector3 rotationVector(const Quaternion& q);
Quaternion fromRotationVector(const Vector3& v);

}  // namespace samples
}  // namespace velmora
