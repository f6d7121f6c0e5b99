#include "tools/samples/pose_math.h"

#include <cmath>
#include <initializer_list>

namespace velmora {
inline namespace samples {

Vector3 mirrorX(const Vector3& v) {
    return {-v.x, v.y, v.z};
}

double clamp(double value, double low, double high) {
    return value < low ? low : value > high ? high : value;
}

double smoothstep(double edge0, double edge1, double x) {
    const double t = clamp((x - edge0) / (edge1 - edge0), 0.0, 1.0);
    return t * t * (3 - 2 * t);
}

Quaternion inverse(const Quaternion& q) {
    return {q.w, -q.x, -q.y, -q.z};
}

Quaternion axisAngle(const Vector3& axis, double angle) {
    const Vector3 unit = Geometry::normalize(axis);
    const double s = std::sin(angle / 2);
    return {std::cos(angle / 2), unit.x * s, unit.y * s, unit.z * s};
}

Quaternion turn(double pitch, double yaw, double roll) {
    return axisAngle(Vector3(0, 0, 1), roll) * (axisAngle(kUp, yaw) * axisAngle(kRight, pitch));
}

Quaternion rotationBetween(const Vector3& from, const Vector3& to) {
    const Vector3 a = Geometry::normalize(from);
    const Vector3 b = Geometry::normalize(to);
    const double cosine = dot(a, b);
    if (cosine < -1 + 1e-12) {
        Vector3 axis = Geometry::cross(a, kRight);
        if (length(axis) < 1e-6) {
            axis = Geometry::cross(a, kUp);
        }
        return axisAngle(axis, kPi);
    }
    const Vector3 axis = Geometry::cross(a, b);
    return Geometry::normalize(Quaternion(1 + cosine, axis.x, axis.y, axis.z));
}

Vector3 rotationVector(const Quaternion& q) {
    const Quaternion unit = q.w < 0 ? q * -1.0 : q;
    const Vector3 axis(unit.x, unit.y, unit.z);
    const double sine = length(axis);
    if (sine < 1e-15) {
        return {0, 0, 0};
    }
    const double angle = 2 * std::atan2(sine, unit.w);
    return (angle / sine) * axis;
}

Quaternion fromRotationVector(const Vector3& v) {
    const double angle = length(v);
    if (angle < 1e-15) {
        return kIdentity;
    }
    return axisAngle(v, angle);
}

Quaternion aimRotation(const Vector3& restAlong, const Vector3& along, const Vector3& forward) {
    const auto basis = [](const Vector3& direction, const Vector3& hint, Vector3 axes[3]) {
        axes[0] = Geometry::normalize(direction);
        // A hint along the direction itself says nothing; fall back on up, or right.
        for (const Vector3& candidate : {hint, kUp, kRight}) {
            const Vector3 across = candidate - dot(candidate, axes[0]) * axes[0];
            if (length(across) > 1e-6 * length(candidate)) {
                axes[1] = Geometry::normalize(across);
                break;
            }
        }
        axes[2] = Geometry::cross(axes[0], axes[1]);
    };
    Vector3 rest[3];
    Vector3 target[3];
    basis(restAlong, kForward, rest);
    basis(along, forward, target);
    // R is the sum of target_i rest_i^T; its columns are R applied to x, y and z.
    Vector3 columns[3];
    for (int i = 0; i < 3; ++i) {
        columns[0] = columns[0] + rest[i].x * target[i];
        columns[1] = columns[1] + rest[i].y * target[i];
        columns[2] = columns[2] + rest[i].z * target[i];
    }
    return Geometry::rotationFromAxes(columns[0], columns[1], columns[2]);
}

}  // namespace samples
}  // namespace velmora
