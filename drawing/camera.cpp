#include "drawing/camera.h"

#include <cmath>
#include <limits>

namespace velmora {
inline namespace drawing {

using Geometry::kPi;
using Geometry::Vector3;

void Camera::reset() {
    target = Vector3(0, -20, 0);
    eye.y = 30;
    radius = 150;
    angle = 180;
    update();
}

void Camera::update() {
    const double theta = kPi * angle * (1.0 / 180);
    eye.x = std::sin(theta) * radius + target.x;
    eye.z = std::cos(theta) * radius + target.z;
}

void Camera::raise(double d) {
    eye.y += d;
    target.y += d;
}

void Camera::moveEyeHeight(double d) {
    eye.y += d;
}

void Camera::moveTarget(Axis axis, double d) {
    switch (axis) {
        case Axis::X:
            target.x += d;
            break;
        case Axis::Y:
            target.y += d;
            break;
        case Axis::Z:
            target.z += d;
            break;
    }
}

void Camera::zoom(double d, double maximum, double minimum) {
    radius += d;
    if (radius > maximum) {
        radius = maximum;
    } else if (radius < minimum) {
        radius = minimum;
    }
}

void Camera::rotate(double d) {
    angle += d;
    if (angle <= 0) {
        angle = 360;
    } else if (angle >= 360) {
        angle = 0;
    }
}

Geometry::GLMatrix Camera::viewMatrix() const {
    return Geometry::GLMatrix(Geometry::lookAt(eye, target, Vector3(0, 1, 0)));
}

double bottomEdgeHeight(const Camera& camera, const Frustum& frustum, double x, double z) {
    // In eye coordinates a point shows above the bottom edge when
    // y * near >= bottom * -z. Along the vertical line both sides change
    // linearly with the height h: eye(h) = base + h * up.
    const Geometry::Matrix4 view(camera.viewMatrix());
    const Geometry::Vector4 base = view * Geometry::Vector4(x, 0, z, 1);
    const Geometry::Vector4 up = view * Geometry::Vector4(0, 1, 0, 0);
    const double rise = up.y * frustum.near + frustum.bottom * up.z;
    const double offset = base.y * frustum.near + frustum.bottom * base.z;
    return rise != 0 ? -offset / rise : std::numeric_limits<double>::infinity();
}

}  // namespace drawing
}  // namespace velmora
