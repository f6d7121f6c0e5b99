#include "tools/samples/shapes.h"

#include <cmath>
#include <stdexcept>

namespace velmora {
inline namespace samples {

Profile::Profile(std::initializer_list<std::vector<double>> rows) : rows_(rows) {
    for (std::size_t i = 1; i < rows_.size(); ++i) {
        if (rows_[i][0] <= rows_[i - 1][0] || rows_[i].size() != rows_[0].size()) {
            throw std::logic_error("profile stations must increase and have equal rows");
        }
    }
}

double Profile::at(double x, int column) const {
    const std::size_t count = rows_.size();
    if (x <= rows_.front()[0]) {
        return rows_.front()[column];
    }
    if (x >= rows_.back()[0]) {
        return rows_.back()[column];
    }
    std::size_t i = 0;
    while (x > rows_[i + 1][0]) {
        ++i;
    }
    const auto slope = [&](std::size_t k) {
        if (k == 0 || k + 1 == count) {
            return 0.0;
        }
        return (rows_[k + 1][column] - rows_[k - 1][column]) / (rows_[k + 1][0] - rows_[k - 1][0]);
    };
    const double x0 = rows_[i][0];
    const double width = rows_[i + 1][0] - x0;
    const double t = (x - x0) / width;
    const double t2 = t * t;
    const double t3 = t2 * t;
    return (2 * t3 - 3 * t2 + 1) * rows_[i][column] + (t3 - 2 * t2 + t) * width * slope(i) +
           (-2 * t3 + 3 * t2) * rows_[i + 1][column] + (t3 - t2) * width * slope(i + 1);
}

namespace {

double signedPower(double value, double exponent) {
    if (exponent == 1.0) {
        return value;
    }
    return value < 0 ? -std::pow(-value, exponent) : std::pow(value, exponent);
}

Vector3 sectionPoint(const Tube& tube, const TubeSection& section, double t, double a,
                     double scale) {
    const double angle = 2 * kPi * a;
    const double c = std::sin(angle);
    const double f = -std::cos(angle);
    const double exponent = 2.0 / section.squareness;
    const double frontRadius = f > 0 ? section.frontRadius : section.backRadius;
    Vector3 offset = (section.sideRadius * signedPower(c, exponent)) * section.side +
                     (frontRadius * signedPower(f, exponent)) * section.front;
    if (tube.bulge) {
        offset = offset + tube.bulge(t, c, f) * (c * section.side + f * section.front);
    }
    return section.centre + scale * offset;
}

Vector3 tubeDirection(const Tube& tube, double t) {
    const double step = 1e-4;
    const double t0 = clamp(t - step, 0.0, 1.0);
    const double t1 = clamp(t + step, 0.0, 1.0);
    return Geometry::normalize(tube.section(t1).centre - tube.section(t0).centre);
}

double smallestRadius(const TubeSection& section) {
    return std::min(section.sideRadius, std::min(section.frontRadius, section.backRadius));
}

}  // namespace

double tubePlace(const Tube& tube, double s) {
    return clamp((s - tube.startCap) / (1.0 - tube.startCap - tube.endCap), 0.0, 1.0);
}

SurfaceShape tubeShape(const Tube& tube) {
    return [tube](double s, double a) {
        // Caps: a quarter circle from the axis out to the end section, so rings
        // are spaced evenly along the rounded end.
        if (s < tube.startCap) {
            const double angle = kPi / 2 * (1 - s / tube.startCap);
            const TubeSection section = tube.section(0.0);
            const double depth = tube.startCapDepth * smallestRadius(section);
            return sectionPoint(tube, section, 0.0, a, std::cos(angle)) +
                   (-depth * std::sin(angle)) * tubeDirection(tube, 0.0);
        }
        if (s > 1 - tube.endCap) {
            const double angle = kPi / 2 * (1 - (1 - s) / tube.endCap);
            const TubeSection section = tube.section(1.0);
            const double depth = tube.endCapDepth * smallestRadius(section);
            return sectionPoint(tube, section, 1.0, a, std::cos(angle)) +
                   (depth * std::sin(angle)) * tubeDirection(tube, 1.0);
        }
        const double t = tubePlace(tube, s);
        return sectionPoint(tube, tube.section(t), t, a, 1.0);
    };
}

Polyline::Polyline(std::vector<Vector3> points)
    : points_(std::move(points)), lengths_(points_.size(), 0.0) {
    for (std::size_t i = 1; i < points_.size(); ++i) {
        lengths_[i] = lengths_[i - 1] + Geometry::length(points_[i] - points_[i - 1]);
    }
}

Vector3 Polyline::at(double t) const {
    const double target = clamp(t, 0.0, 1.0) * length();
    for (std::size_t i = 1; i < points_.size(); ++i) {
        if (target <= lengths_[i] || i + 1 == points_.size()) {
            const double span = lengths_[i] - lengths_[i - 1];
            return lerp(points_[i - 1], points_[i],
                        span > 0 ? (target - lengths_[i - 1]) / span : 0.0);
        }
    }
    return points_.back();
}

Vector3 Polyline::direction(double t) const {
    const double step = 1e-3;
    return Geometry::normalize(at(t + step) - at(t - step));
}

double Polyline::distanceAlong(const Vector3& p) const {
    double best = 0.0;
    double bestDistance = 1e300;
    for (std::size_t i = 1; i < points_.size(); ++i) {
        const Vector3 segment = points_[i] - points_[i - 1];
        const double span2 = dot(segment, segment);
        const double u =
            span2 > 0 ? clamp(dot(p - points_[i - 1], segment) / span2, 0.0, 1.0) : 0.0;
        const double distance = Geometry::length(points_[i - 1] + u * segment - p);
        if (distance < bestDistance) {
            bestDistance = distance;
            best = lengths_[i - 1] + u * std::sqrt(span2);
        }
    }
    return best;
}

WeightRule alongLine(const std::vector<Vector3>& line, const std::vector<Station>& stations) {
    const Polyline chain(line);
    return [chain, stations](const Vector3& rest, double, double) {
        return alongStations(chain.distanceAlong(rest), stations);
    };
}

Tube limbTube(const std::vector<Vector3>& line, const Vector3& front,
              const std::function<LimbRadii(double distance, const Vector3& centre)>& radiiAt) {
    const Polyline chain(line);
    Tube tube;
    tube.section = [chain, front, radiiAt](double t) {
        TubeSection section;
        section.centre = chain.at(t);
        const Vector3 direction = chain.direction(t);
        section.side = Geometry::normalize(Geometry::cross(front, direction));
        section.front = Geometry::cross(direction, section.side);
        const LimbRadii radii = radiiAt(t * chain.length(), section.centre);
        section.sideRadius = radii.side;
        section.frontRadius = radii.front;
        section.backRadius = radii.back;
        section.squareness = radii.squareness;
        return section;
    };
    return tube;
}

Vector3 sphereDirection(double s, double a) {
    const double polar = kPi * s;
    const double around = 2 * kPi * a;
    return {std::sin(polar) * std::sin(around), std::cos(polar),
            std::sin(polar) * std::cos(around)};
}

SurfaceShape ellipsoidShape(const Vector3& centre, const Vector3& radii) {
    return [centre, radii](double s, double a) {
        const Vector3 d = sphereDirection(s, a);
        return centre + Vector3(radii.x * d.x, radii.y * d.y, radii.z * d.z);
    };
}

}  // namespace samples
}  // namespace velmora
