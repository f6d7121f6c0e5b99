#pragma once
// The perspective of the window: a frustum whose bottom edge is the line of sight
// through the camera's look-at point, so that the scene above it fills the window.

#include <optional>

namespace velmora {
inline namespace view {

struct Frustum {
    double left = 0.0;
    double right = 0.0;
    double bottom = 0.0;
    double top = 0.0;
    double near = 0.0;
    double far = 0.0;
};

// The frustum for a window of width x height pixels, near plane 1, far plane
// 2000: the narrower side spans 0.6 at the near plane (-0.3 to 0.3 across, or 0
// to 0.6 up), the wider one as much more as the window is wider. Nothing for a
// window without area (minimised), which keeps the frustum it had.
std::optional<Frustum> frustumFor(int width, int height);

}  // namespace view
}  // namespace velmora
