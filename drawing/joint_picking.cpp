#include "drawing/joint_picking.h"

#include <cmath>

#include "view/projection.h"

namespace velmora {
inline namespace drawing {

std::optional<std::pair<double, double>> projectToWindow(const Camera& camera, int width,
                                                         int height,
                                                         const Geometry::Vector3& point) {
    const auto f = frustumFor(width, height);
    if (!f) {
        return std::nullopt;
    }
    const Geometry::Vector4 eye =
        Geometry::Matrix4(camera.viewMatrix()) * Geometry::Vector4(point.x, point.y, point.z, 1);
    // What glFrustum does to a point in eye coordinates, then the divide by
    // -z; the eye looks along -z.
    const double w = -eye.z;
    if (!(w > 0)) {
        return std::nullopt;
    }
    const double clipX = 2 * f->near / (f->right - f->left) * eye.x +
                         (f->right + f->left) / (f->right - f->left) * eye.z;
    const double clipY = 2 * f->near / (f->top - f->bottom) * eye.y +
                         (f->top + f->bottom) / (f->top - f->bottom) * eye.z;
    return std::pair{(clipX / w + 1) / 2 * width, (1 - clipY / w) / 2 * height};
}

std::optional<uint8_t> pickJoint(const Camera& camera, int width, int height,
                                 const std::vector<std::pair<uint8_t, Geometry::Vector3>>& joints,
                                 int x, int y) {
    std::optional<uint8_t> nearest;
    double nearestDistance = kPickRadius;
    for (const auto& [bone, joint] : joints) {
        const auto shown = projectToWindow(camera, width, height, joint);
        if (!shown) {
            continue;
        }
        const double distance = std::hypot(shown->first - (x + 0.5), shown->second - (y + 0.5));
        if (distance <= nearestDistance && (!nearest || distance < nearestDistance)) {
            nearest = bone;
            nearestDistance = distance;
        }
    }
    return nearest;
}

}  // namespace drawing
}  // namespace velmora
