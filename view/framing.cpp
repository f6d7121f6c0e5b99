#include "view/framing.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>

#include "view/projection.h"

namespace velmora {
inline namespace view {

using Geometry::isFinite;
using Geometry::Vector3;

namespace {

// The eye sits at (centre.x, lookAtHeight, centre.z) + radius * offset. One
// condition on a corner p: (p - eye) . normal >= least, which is linear in the
// look-at height h and the radius r: h * a + r * b <= c.
struct Condition {
    double a;
    double b;
    double c;
};

// The interval of look-at heights at which every condition holds for radius;
// empty (low > high) when there is none.
std::pair<double, double> feasibleHeights(const std::vector<Condition>& conditions, double radius) {
    double low = -std::numeric_limits<double>::infinity();
    double high = std::numeric_limits<double>::infinity();
    for (const Condition& condition : conditions) {
        const double bound = condition.c - condition.b * radius;
        if (condition.a > 0) {
            high = std::min(high, bound / condition.a);
        } else if (condition.a < 0) {
            low = std::max(low, bound / condition.a);
        } else if (bound < 0) {
            return {1, 0};
        }
    }
    return {low, high};
}

}  // namespace

void frameCamera(Camera& camera, const std::vector<Vector3>& points, int width, int height) {
    const auto frustum = frustumFor(width, height);
    if (!frustum) {
        return;
    }
    // A pose that a weight far out of range throws to infinity holds points
    // that no camera can show; the rest of it is framed.
    const auto finite = std::find_if(points.begin(), points.end(), isFinite);
    if (finite == points.end()) {
        return;
    }
    Vector3 low = *finite;
    Vector3 high = *finite;
    for (auto p = finite; p != points.end(); ++p) {
        if (isFinite(*p)) {
            low = Vector3(std::min(low.x, p->x), std::min(low.y, p->y), std::min(low.z, p->z));
            high = Vector3(std::max(high.x, p->x), std::max(high.y, p->y), std::max(high.z, p->z));
        }
    }
    const Vector3 centre = 0.5 * (low + high);

    const double slope = (camera.eye.y - camera.target.y) / camera.radius;
    const double theta = Geometry::kPi * camera.angle * (1.0 / 180);
    const Vector3 offset(std::sin(theta), slope, std::cos(theta));
    const Vector3 forward = normalize(-1.0 * offset);
    const Vector3 right = normalize(cross(forward, Vector3(0, 1, 0)));
    const Vector3 up = cross(right, forward);

    // The frustum at depth 1, less the margins.
    const double across = kFramingMargin * (frustum->right - frustum->left);
    const double down = kFramingMargin * (frustum->top - frustum->bottom);
    const double left = (frustum->left + across) / frustum->near;
    const double rightEdge = (frustum->right - across) / frustum->near;
    const double bottom = (frustum->bottom + down) / frustum->near;
    const double top = (frustum->top - down) / frustum->near;
    // Each side as (normal, least): p - eye seen within it.
    const std::array<std::pair<Vector3, double>, 5> sides = {{
        {right - left * forward, 0.0},
        {rightEdge * forward - right, 0.0},
        {up - bottom * forward, 0.0},
        {top * forward - up, 0.0},
        {forward, frustum->near},
    }};
    std::vector<Condition> conditions;
    for (int corner = 0; corner < 8; ++corner) {
        const Vector3 p(corner & 1 ? high.x : low.x, corner & 2 ? high.y : low.y,
                        corner & 4 ? high.z : low.z);
        const Vector3 fromCentre(p.x - centre.x, p.y, p.z - centre.z);
        for (const auto& [normal, least] : sides) {
            conditions.push_back({normal.y, dot(offset, normal), dot(fromCentre, normal) - least});
        }
    }

    // The box fits at every radius from the smallest that fits on; bisect for it.
    const auto fits = [&](double radius) {
        const auto [lowest, highest] = feasibleHeights(conditions, radius);
        return lowest <= highest;
    };
    double radius = kMaxRadius;
    if (fits(kMinRadius)) {
        radius = kMinRadius;
    } else if (fits(kMaxRadius)) {
        double tooSmall = kMinRadius;
        for (int i = 0; i < 64; ++i) {
            const double middle = 0.5 * (tooSmall + radius);
            (fits(middle) ? radius : tooSmall) = middle;
        }
    }
    const auto [lowest, highest] = feasibleHeights(conditions, radius);
    const double lookAtHeight = lowest <= highest ? 0.5 * (lowest + highest) : centre.y;
    const Vector3 target(centre.x, lookAtHeight, centre.z);
    // Points too far out for double arithmetic leave nothing to aim at.
    if (!isFinite(target) || !std::isfinite(lookAtHeight + slope * radius)) {
        return;
    }
    camera.target = target;
    camera.radius = radius;
    camera.eye.y = lookAtHeight + slope * radius;
    camera.update();
}

}  // namespace view
}  // namespace velmora
