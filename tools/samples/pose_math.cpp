#include "tools/samples/pose_math.h"

#include <cmath>
#include <initializer_list>

namespace velmora {
inline namespace samples {

Vector3 mirrorX(const Vector3& v) {
    return {-v.x, v.y, v.z};
}

double smoothstep(double edge0, double edge1, double x) {
    const double t = clamp((x - edge0) / (edge1 - edge0), 0.0, 1.0);
    return t * t * (3 - 2 * t);
}

Quaternion turn(double pitch, double yaw, double roll) {
    return axisAngle(Vector3(0, 0, 1), roll) * (axisAngle(kUp, yaw) * axisAngle(kRight, pitch));
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
