// The benchmark model: a ring of tentacles on one root, every vertex pulled by
// four bones of its tentacle, so that skinning does the most work a model
// file allows.
//
//        tentacle k: root -> segment 0 -> segment 1 -> ... -> segment 7
//   13 tentacles x 8 segments + the root = 105 bones

#include <cmath>
#include <string>

#include "tools/samples/body.h"
#include "tools/samples/character.h"
#include "tools/samples/shapes.h"

namespace velmora {
inline namespace samples {

namespace {

constexpr int kTentacles = 13;
constexpr int kSegments = 8;
constexpr double kSegmentLength = 7.0;
constexpr double kRingRadius = 14.0;

std::string segmentName(int tentacle, int segment) {
    return "tentacle" + std::to_string(tentacle) + "segment" + std::to_string(segment);
}

Vector3 tentacleBase(int tentacle) {
    const double angle = 2 * kPi * tentacle / kTentacles;
    return {kRingRadius * std::sin(angle), kFloorY + 1.0, kRingRadius * std::cos(angle)};
}

Part tentaclePart(const Rig& rig, int tentacle) {
    const Vector3 base = tentacleBase(tentacle);
    const double height = kSegments * kSegmentLength;
    Tube tube;
    tube.section = [base, height](double t) {
        TubeSection section;
        section.centre = base + Vector3(0, t * height, 0);
        section.side = kRight;
        section.front = kForward;
        section.sideRadius = section.frontRadius = section.backRadius = 3.0 - 2.0 * t;
        return section;
    };
    tube.endCap = 0.02;
    tube.startCap = 0.02;
    std::vector<int> bones;
    for (int segment = 0; segment < kSegments; ++segment) {
        bones.push_back(rig.index(segmentName(tentacle, segment)));
    }
    // Four consecutive segments round the vertex's place, weighted by nearness.
    const WeightRule weights = [bones, base](const Vector3& rest, double, double) {
        const double place = (rest.y - base.y) / kSegmentLength;
        const int first = static_cast<int>(clamp(std::floor(place - 1.5), 0.0, kSegments - 4.0));
        Weights result;
        for (int segment = first; segment < first + 4; ++segment) {
            const double distance = place - (segment + 0.5);
            result.add(bones[segment], 1.0 / (1.0 + distance * distance));
        }
        return result;
    };
    return makePart("tentacle" + std::to_string(tentacle), 0, tubeShape(tube), 120, 32, 38, 220,
                    weights);
}

Color paintTentacle(const PaintSample& sample) {
    const double height = sample.position.y - kFloorY;
    const Color base = lerp(hexColor(0x2c7fb8), hexColor(0xf2a65a), smoothstep(0.0, 56.0, height));
    return lerp(base, base * 0.6, band(std::fmod(height, 7.0), 3.5, 0.4, 0.2));
}

Clip stressClip(const Rig& rig, const std::string& name, int kind) {
    Clip clip;
    clip.name = name;
    clip.frames = 60;
    clip.pose = [&rig, kind](double phase) {
        RigPose pose(rig);
        for (int tentacle = 0; tentacle < kTentacles; ++tentacle) {
            const double angle = 2 * kPi * tentacle / kTentacles;
            const Vector3 outward{std::sin(angle), 0, std::cos(angle)};
            const Vector3 axis = Geometry::cross(kUp, outward);
            for (int segment = 0; segment < kSegments; ++segment) {
                const double wave = std::sin(
                    2 * kPi * (phase + static_cast<double>(tentacle) / kTentacles + segment / 8.0));
                Quaternion rotation = kIdentity;
                switch (kind) {
                    case 0:
                        rotation = axisAngle(axis, radians(9) * wave);
                        break;
                    case 1:
                        rotation = axisAngle(kUp, radians(12) * wave);
                        break;
                    case 2:
                        rotation = axisAngle(outward, radians(10) * wave);
                        break;
                    default:
                        rotation = axisAngle(axis, radians(6) * wave) *
                                   axisAngle(outward, radians(6) * std::cos(2 * kPi * phase));
                        break;
                }
                pose.rotationOf(rig, segmentName(tentacle, segment)) = rotation;
            }
        }
        return pose;
    };
    return clip;
}

}  // namespace

void describeStressModel(SampleCharacter& character) {
    character.name = "stress";
    Rig& rig = character.rig;
    rig.add("root", "", {0.0, kFloorY, 0.0});
    for (int tentacle = 0; tentacle < kTentacles; ++tentacle) {
        std::string parent = "root";
        for (int segment = 0; segment < kSegments; ++segment) {
            const std::string name = segmentName(tentacle, segment);
            rig.add(name, parent, tentacleBase(tentacle) + Vector3(0, segment * kSegmentLength, 0));
            parent = name;
        }
    }
    for (int tentacle = 0; tentacle < kTentacles; ++tentacle) {
        character.parts.push_back(tentaclePart(rig, tentacle));
    }
    character.paint = paintTentacle;
    character.clips = {stressClip(rig, "Sway", 0), stressClip(rig, "Twist", 1),
                       stressClip(rig, "Lean", 2), stressClip(rig, "Swirl", 3)};
}

}  // namespace samples
}  // namespace velmora
