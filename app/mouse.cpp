#include "app/mouse.h"

#include <cmath>
#include <cstdlib>

#include "view/projection.h"

namespace velmora {
inline namespace app {

using Geometry::Vector3;

void turnCamera(Camera& camera, double degrees) {
    // Each step ends at the wrap, where rotate makes 0 of 360 or 360 of 0, or
    // turns the rest.
    while (degrees != 0) {
        double step = degrees;
        if (camera.angle + degrees <= 0) {
            step = -camera.angle;
        } else if (camera.angle + degrees >= 360) {
            step = 360 - camera.angle;
        }
        camera.rotate(step);
        degrees -= step;
    }
    camera.update();
}

void panCamera(Camera& camera, double dx, double dy, int width, int height) {
    const auto frustum = frustumFor(width, height);
    if (!frustum) {
        return;
    }
    const Vector3 view = camera.target - camera.eye;
    const double distance = std::sqrt(view.x * view.x + view.y * view.y + view.z * view.z);
    // The window's height spans top - bottom at the near plane; the look-at
    // point lies on the line of sight, distance away.
    const double unitsPerPixel =
        (frustum->top - frustum->bottom) / frustum->near * distance / height;
    // radius >= 1 keeps the view off the vertical, so right is never zero.
    const Vector3 right = normalize(cross(view, Vector3(0, 1, 0)));
    const Vector3 up = normalize(cross(right, view));
    // The scene follows the pointer: the camera moves the other way.
    const Vector3 move = (-dx * unitsPerPixel) * right + (dy * unitsPerPixel) * up;
    camera.moveTarget(Axis::X, move.x);
    camera.moveTarget(Axis::Z, move.z);
    camera.raise(move.y);
    camera.update();
}

void MouseCamera::press(Camera& camera, int button, bool shift, int x, int y) {
    switch (button) {
        case kWheelIn:
            camera.zoom(-kCameraStep, kMaxRadius, kMinRadius);
            camera.update();
            return;
        case kWheelOut:
            camera.zoom(kCameraStep, kMaxRadius, kMinRadius);
            camera.update();
            return;
        case kLeftButton:
        case kMiddleButton:
            break;
        default:
            return;
    }
    // The latest press decides, so that a release that never came (taken by
    // the pop-up menu, say) cannot hold on to an old drag.
    drag_ = button == kLeftButton && !shift ? Drag::Orbit : Drag::Pan;
    button_ = button;
    x_ = x;
    y_ = y;
    pressX_ = x;
    pressY_ = y;
    moved_ = false;
}

bool MouseCamera::release(int button) {
    if (drag_ == Drag::None || button != button_) {
        return false;
    }
    const bool click = drag_ == Drag::Orbit && !moved_;
    drag_ = Drag::None;
    return click;
}

void MouseCamera::drag(Camera& camera, int x, int y, int width, int height) {
    const int dx = x - x_;
    const int dy = y - y_;
    x_ = x;
    y_ = y;
    moved_ = moved_ || std::abs(x - pressX_) > kClickSlop || std::abs(y - pressY_) > kClickSlop;
    switch (drag_) {
        case Drag::Orbit:
            camera.moveEyeHeight(dy * kEyeHeightPerPixel * camera.radius);
            turnCamera(camera, -dx * kOrbitDegreesPerPixel);
            break;
        case Drag::Pan:
            panCamera(camera, dx, dy, width, height);
            break;
        case Drag::None:
            break;
    }
}

}  // namespace app
}  // namespace velmora
