#pragma once
// Building blocks for the surfaces of a character: smooth profiles through a
// few measured stations, generalised tubes (a cross-section swept along a centre
// line, closed by round caps), and places along a limb's centre line.

#include <functional>
#include <initializer_list>
#include <vector>

#include "tools/samples/pose_math.h"
#include "tools/samples/skin_weights.h"
#include "tools/samples/surface_mesh.h"

namespace velmora {
inline namespace samples {

// Values given at increasing stations, joined by a cubic through each station
// with the slope of its neighbours (so no plateau at a station), held flat
// beyond the ends.
class Profile {
  public:
    Profile(std::initializer_list<std::vector<double>> rows);
    // Column column of the row at station x (column 0 is the station itself).
    double at(double x, int column) const;

  private:
    std::vector<std::vector<double>> rows_;
};

// One cross-section of a tube: a superellipse in the plane of side and front,
// with different radii towards front and back. side x front should point along
// the tube's direction of travel; squareness 2 gives an ellipse, more a box.
struct TubeSection {
    Vector3 centre;
    Vector3 side;
    Vector3 front;
    double sideRadius = 1.0;
    double frontRadius = 1.0;
    double backRadius = 1.0;
    double squareness = 2.0;
};

struct Tube {
    // The section at place t in [0, 1] along the tube.
    std::function<TubeSection(double t)> section;
    // Share of s given to the rounded cap at each end (0 leaves the end open),
    // and how far that cap reaches beyond the end, in units of the end section's
    // smallest radius.
    double startCap = 0.0;
    double endCap = 0.0;
    double startCapDepth = 0.8;
    double endCapDepth = 0.8;
    // Added to the radius at place t in the direction (side c, front f) of the
    // section, for bulges and pleats; may be empty.
    std::function<double(double t, double c, double f)> bulge;
};

// The surface of tube: s runs from the start cap to the end cap, a goes round
// the section starting at its back (a = 0: -front), through +side (a = 0.25),
// the front (a = 0.5) and -side (a = 0.75).
SurfaceShape tubeShape(const Tube& tube);

// The place t in [0, 1] along tube for surface parameter s.
double tubePlace(const Tube& tube, double s);

// The three radii of a limb's section (side, front, back) and its squareness.
struct LimbRadii {
    double side;
    double front;
    double back;
    double squareness = 2.0;
};

// Sections along a polyline, with front facing front (so side follows from
// the direction of travel) and the radii that radiiAt gives for the distance
// along the line and the section's centre.
Tube limbTube(const std::vector<Vector3>& line, const Vector3& front,
              const std::function<LimbRadii(double distance, const Vector3& centre)>& radiiAt);

// An ellipsoid with the given radii along x, y and z, parametrised like a
// head: s from the top pole to the bottom pole, a round from the back (+z)
// through +x (a = 0.25) to the front (-z, a = 0.5).
SurfaceShape ellipsoidShape(const Vector3& centre, const Vector3& radii);
// The unit direction of those parameters.
Vector3 sphereDirection(double s, double a);

// Weights along a limb whose centre line is line: stations are distances along
// the line (see alongStations).
WeightRule alongLine(const std::vector<Vector3>& line, const std::vector<Station>& stations);

// A chain of points, its arc length measured once.
class Polyline {
  public:
    explicit Polyline(std::vector<Vector3> points);

    double length() const { return lengths_.back(); }
    // The point at arc-length fraction t (clamped to [0, 1]).
    Vector3 at(double t) const;
    // The direction of travel at arc-length fraction t.
    Vector3 direction(double t) const;
    // The arc length from the start to the point of the chain nearest to p.
    double distanceAlong(const Vector3& p) const;

  private:
    std::vector<Vector3> points_;
    std::vector<double> lengths_;
};

}  // namespace samples
}  // namespace velmora
