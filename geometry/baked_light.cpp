#include "geometry/baked_light.h"

#include <cmath>

namespace velmora {

namespace Geometry {

double bakedLight(const Vector3& normal) {
    const Vector3 key = normalize({0.0, 0.62, -0.78});
    const double wrapped = 0.5 + 0.5 * dot(normal, key);
    const double ambient = 0.36 + 0.1 * normal.y;
    return ambient + 0.74 * std::pow(wrapped, 1.6);
}

}  // namespace Geometry

}  // namespace velmora
