#include "tools/samples/costume.h"

#include <cmath>

#include "tools/samples/body.h"

namespace velmora {
inline namespace samples {

SurfaceShape headCoveringShape(const HeadCovering& covering) {
    return [covering](double u, double a) {
        const double s = u * covering.edge(a);
        const Vector3 scalp = headSurface(s, a);
        const Vector3 outward = Geometry::normalize(scalp - headCentre());
        return scalp + covering.thickness(u, a) * outward;
    };
}

Part tressPart(const std::string& name, int region, const std::vector<Vector3>& line,
               const Profile& radii, const std::vector<Station>& stations, int rings, int segments,
               int textureWidth, int textureHeight) {
    const Vector3 middle = Polyline(line).direction(0.5);
    const Vector3 front = std::fabs(middle.z) > 0.9 ? kUp : kForward;
    Tube tube = limbTube(line, front, [radii](double distance, const Vector3&) {
        const double radius = radii.at(distance, 1);
        return LimbRadii{radius, radius, radius};
    });
    tube.startCap = 0.08;
    tube.endCap = 0.1;
    tube.endCapDepth = 1.5;
    return makePart(name, region, tubeShape(tube), rings, segments, textureWidth, textureHeight,
                    alongLine(line, stations));
}

SurfaceShape ringShape(const Vector3& centre, const Vector3& axis, double majorRadius,
                       double minorRadius) {
    const Vector3 along = Geometry::normalize(axis);
    const Vector3 hint = std::fabs(along.y) > 0.9 ? kForward : kUp;
    const Vector3 first = Geometry::normalize(Geometry::cross(hint, along));
    const Vector3 second = Geometry::cross(along, first);
    return [=](double s, double a) {
        const double around = 2 * kPi * a;
        const double rope = 2 * kPi * s;
        const Vector3 out = std::cos(around) * first + std::sin(around) * second;
        return centre + (majorRadius + minorRadius * std::cos(rope)) * out +
               (minorRadius * std::sin(rope)) * along;
    };
}

void placeBoneInWorld(const Rig& rig, RigPose& pose, int bone, const Quaternion& rotation,
                      const Vector3& position) {
    const WorldPose world = solveWorld(rig, pose);
    const int parent = rig.bone(bone).parent;
    const Quaternion parentRotation = inverse(world.rotation[parent]);
    pose.rotation[bone] = parentRotation * rotation;
    pose.translation[bone] = rotate(parentRotation, position - world.position[parent]);
}

Color hairColor(const PaintSample& sample, const Color& base, double strandsAround) {
    const int strand = static_cast<int>(std::floor(sample.a * strandsAround));
    const double streak = latticeNoise(strand, 0, 7) - 0.5;
    const double fine =
        latticeNoise(static_cast<int>(std::floor(sample.a * strandsAround * 3)), 1, 11) - 0.5;
    Color color = base * (1.0 + 0.35 * streak + 0.2 * fine);
    const Vector3 halfway = Geometry::normalize({0.0, 0.8, -0.6});
    const double sheen = std::pow(std::max(0.0, dot(sample.normal, halfway)), 6);
    return color + Color{0.22, 0.2, 0.18} * sheen;
}

Tube bandTube(const Profile& profile, double top, double bottom, double centreZ) {
    Tube tube;
    tube.section = [profile, top, bottom, centreZ](double t) {
        const double height = lerp(top, bottom, t);
        TubeSection section;
        section.centre = {0.0, kFloorY + height, centreZ};
        section.side = {-1, 0, 0};
        section.front = kForward;
        section.sideRadius = profile.at(height, 1);
        section.frontRadius = profile.at(height, 2);
        section.backRadius = profile.at(height, 3);
        return section;
    };
    return tube;
}

}  // namespace samples
}  // namespace velmora
