#pragma once
// Building blocks for what the characters wear on top of the shared figure:
// hair and caps fitted over the head, hanging tresses and strings, rings round
// a limb, and a hair painter.

#include <functional>
#include <string>
#include <vector>

#include "tools/samples/paint.h"
#include "tools/samples/rig.h"
#include "tools/samples/shapes.h"
#include "tools/samples/surface_mesh.h"

namespace velmora {
inline namespace samples {

// A covering of the head: the head's own surface (headSurface) pushed out
// along the way from the head's centre. It reaches from the crown (s = 0) down
// to edge(a) (in the head's s), thickness(u, a) out from the scalp, u running
// from 0 at the crown to 1 at the edge.
struct HeadCovering {
    std::function<double(double a)> edge;
    std::function<double(double u, double a)> thickness;
};

SurfaceShape headCoveringShape(const HeadCovering& covering);

// A tress or string hanging from its first point along line, with radii from a
// profile of (distance along the line, radius), carried by the chain of bones
// that stations name (distances along the line), rounded at both ends.
Part tressPart(const std::string& name, int region, const std::vector<Vector3>& line,
               const Profile& radii, const std::vector<Station>& stations, int rings, int segments,
               int textureWidth, int textureHeight);

// A skirt-like band round the body's upright axis, from height top down to
// height bottom (heights above the floor), its sections from a profile of
// (height, half width, front depth, back depth), centred at z = centreZ.
Tube bandTube(const Profile& profile, double top, double bottom, double centreZ);

// A ring (a torus) round centre, in the plane across axis: major radius from
// centre to the middle of the rope, minor radius of the rope. s goes round the
// rope, a round the ring.
SurfaceShape ringShape(const Vector3& centre, const Vector3& axis, double majorRadius,
                       double minorRadius);

// Sets bone's pose so that it ends up with the model-space rotation and joint
// position given, whatever its parent's pose (which must be set already).
void placeBoneInWorld(const Rig& rig, RigPose& pose, int bone, const Quaternion& rotation,
                      const Vector3& position);

// Hair: base colour with lighter and darker strands running along direction u
// of the part (s), and a soft sheen where the light falls.
Color hairColor(const PaintSample& sample, const Color& base, double strandsAround);

}  // namespace samples
}  // namespace velmora
