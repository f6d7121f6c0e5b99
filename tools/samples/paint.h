#pragma once
// Colours and the light baked into the texture. The viewer draws without
// lighting, so the shading that gives the characters their volume is painted
// into the texture from each texel's rest-pose normal.

#include <cstdint>

#include "tools/samples/pose_math.h"

namespace velmora {
inline namespace samples {

struct Color {
    double r = 0.0;
    double g = 0.0;
    double b = 0.0;
};

// From 0xRRGGBB; constexpr, so that the characters' colour constants are set
// before any code runs.
constexpr Color hexColor(uint32_t rgb) {
    return {((rgb >> 16) & 0xff) / 255.0, ((rgb >> 8) & 0xff) / 255.0, (rgb & 0xff) / 255.0};
}
Color lerp(const Color& a, const Color& b, double t);
Color operator*(const Color& c, double s);
Color operator+(const Color& a, const Color& b);

// albedo as seen under the characters' baked light (Geometry::bakedLight).
Color lit(const Color& albedo, const Vector3& normal);

// 1 inside a band of the given half-width around centre, 0 outside, with edges
// softened over soft units (soft > 0).
double band(double x, double centre, double halfWidth, double soft);
// 1 inside the ellipse with centre (cx, cy) and radii (rx, ry), soft-edged over
// a fraction soft of the radius.
double ellipse(double x, double y, double cx, double cy, double rx, double ry, double soft);
// A deterministic value in [0, 1) for an integer lattice point, for streaks
// and fabric grain.
double latticeNoise(int x, int y, int seed);

}  // namespace samples
}  // namespace velmora
