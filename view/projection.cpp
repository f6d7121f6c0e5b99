#include "view/projection.h"

namespace velmora {
inline namespace view {

std::optional<Frustum> frustumFor(int width, int height) {
    if (width <= 0 || height <= 0) {
        return std::nullopt;
    }
    Frustum frustum;
    if (width > height) {
        const double ratio = static_cast<double>(width) / height;
        frustum.left = -0.3 * ratio;
        frustum.right = 0.3 * ratio;
        frustum.top = 0.6;
    } else {
        const double ratio = static_cast<double>(height) / width;
        frustum.left = -0.3;
        frustum.right = 0.3;
        frustum.top = 0.6 * ratio;
    }
    frustum.bottom = 0.0;
    frustum.near = 1.0;
    frustum.far = 2000.0;
    return frustum;
}

}  // namespace view
}  // namespace velmora
