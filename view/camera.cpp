#include "view/camera.h"

#include <cmath>
#include <limits>

namespace velmora {
inline namespace view {

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

void turnTurntable(Camera& camera, int64_t elapsed) {
    camera.rotate(360.0 * (elapsed % kTurntableMilliseconds) / kTurntableMilliseconds);
    camera.update();
}

Geometry::GLMatrix Camera::viewMatrix() const {
    return Geometry::GLMatrix(Geometry::lookAt(eye, target, Vector3(0, 1, 0)));
}

double bottomEdgeHeight(const Camera& camera, const Frustum& frustum, double x, double z) {
    // Along the vertical line the bottom side's condition changes linearly with
    // the height h.
    const WindowSide bottom = windowSides(camera, frustum)[0];
    return bottom.normal.y != 0
               ? (bottom.offset - bottom.normal.x * x - bottom.normal.z * z) / bottom.normal.y
               : std::numeric_limits<double>::infinity();
}

std::array<WindowSide, 4> windowSides(const Camera& camera, const Frustum& frustum) {
    // In eye coordinates (rows of the view) a point shows when
    // bottom * -z <= y * near <= top * -z and left * -z <= x * near <= right * -z.
    const Geometry::Matrix4 view(camera.viewMatrix());
    // a * (row of the view) + b * (z row) <= 0, as a normal and an offset.
    const auto side = [&view](double a, int row, double b) {
        const Geometry::Vector4& r = view[row];
        const Geometry::Vector4& z = view[2];
        return WindowSide{Vector3(a * r.x + b * z.x, a * r.y + b * z.y, a * r.z + b * z.z),
                          -(a * r.w + b * z.w)};
    };
    return {side(-frustum.near, 1, -frustum.bottom), side(frustum.near, 1, frustum.top),
            side(-frustum.near, 0, -frustum.left), side(frustum.near, 0, frustum.right)};
}

}  // namespace view
}  // namespace velmora
