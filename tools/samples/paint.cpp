#include "tools/samples/paint.h"

#include <cmath>

#include "geometry/baked_light.h"

namespace velmora {
inline namespace samples {

Color lerp(const Color& a, const Color& b, double t) {
    return {lerp(a.r, b.r, t), lerp(a.g, b.g, t), lerp(a.b, b.b, t)};
}

Color operator*(const Color& c, double s) {
    return {c.r * s, c.g * s, c.b * s};
}

Color operator+(const Color& a, const Color& b) {
    return {a.r + b.r, a.g + b.g, a.b + b.b};
}

Color lit(const Color& albedo, const Vector3& normal) {
    return albedo * Geometry::bakedLight(normal);
}

double band(double x, double centre, double halfWidth, double soft) {
    const double distance = std::fabs(x - centre);
    return 1.0 - smoothstep(halfWidth - soft / 2, halfWidth + soft / 2, distance);
}

double ellipse(double x, double y, double cx, double cy, double rx, double ry, double soft) {
    const double dx = (x - cx) / rx;
    const double dy = (y - cy) / ry;
    const double distance = std::sqrt(dx * dx + dy * dy);
    return 1.0 - smoothstep(1.0 - soft, 1.0 + soft, distance);
}

double latticeNoise(int x, int y, int seed) {
    uint32_t h = static_cast<uint32_t>(x) * 374761393u + static_cast<uint32_t>(y) * 668265263u +
                 static_cast<uint32_t>(seed) * 2246822519u;
    h = (h ^ (h >> 13)) * 1274126177u;
    h ^= h >> 16;
    return (h & 0xffffff) / 16777216.0;
}

}  // namespace samples
}  // namespace velmora
