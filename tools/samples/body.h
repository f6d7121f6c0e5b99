#pragma once
// The human figure that all the sample characters share: its skeleton, its
// skin (trunk, head, ears, arms, hands, legs, shoes) and the measurements that
// make one character differ from another. Heights are measured from the floor,
// at y = kFloorY; the figure stands at x = z = 0, facing -z, its right side
// towards +x, about 75 units tall.
//
//                 head
//                  |
//                 neck
//                  |
//   clavicle -- chest -- clavicle
//      |           |         |
//   upperArm     spine    upperArm
//      |           |         |
//   forearm      hips      forearm          hips is the root
//      |        /    \       |
//     hand  thigh    thigh  hand
//             |        |
//           shin      shin
//             |        |
//           foot      foot
//             |        |
//            toe      toe

#include <string>
#include <vector>

#include "tools/samples/rig.h"
#include "tools/samples/surface_mesh.h"

namespace velmora {
inline namespace samples {

// The height of the floor: 4.5 units above the viewer's look-at point at its
// reset view, whose bottom edge runs through that point and rises towards the
// camera, so that the toes, reaching towards the camera, stay in the window.
constexpr double kFloorY = -15.5;

double heightAboveFloor(const Vector3& p);

// Regions of the shared figure; each character numbers its own parts from
// kFirstCostumeRegion on.
enum BodyRegion {
    kTrunkRegion,
    kHeadRegion,
    kEarRegion,
    kArmRegion,
    kHandRegion,
    kLegRegion,
    kShoeRegion,
    kFirstCostumeRegion,
};

enum class Footwear { kSneaker, kLoafer, kBoot, kCowboyBoot };

struct BodyShape {
    // Half widths of the trunk.
    double hipWidth = 7.4;
    double waistWidth = 6.2;
    double chestWidth = 7.7;
    // x of the shoulder joints.
    double shoulderWidth = 8.4;
    // Forward fullness of the chest for a female figure, 0 for none.
    double bust = 0.0;
    // Scales the girth of arms and legs.
    double limbGirth = 1.0;
    // Extra girth of the lower leg, for boots and loose trouser legs, and the
    // height where it ends.
    double bootGirth = 0.0;
    double bootTop = 0.0;
    Footwear footwear = Footwear::kSneaker;
};

// Where the joints of a figure of the given shape sit in the bind pose.
struct BodyJoints {
    Vector3 hips, spine, chest, neck, head;
    Vector3 clavicle, shoulder, elbow, wrist, fingertips;
    Vector3 hip, knee, ankle, ball;
};

BodyJoints bodyJoints(const BodyShape& shape);

// The skeleton of the figure, bones named hips, spine, chest, neck, head, and
// for each side (Right, Left): clavicle, upperArm, forearm, hand, thigh, shin,
// foot, toe (e.g. "upperArmLeft").
Rig makeBodyRig(const BodyShape& shape);

// The figure's skin, left parts mirroring right ones.
std::vector<Part> makeBodyParts(const BodyShape& shape, const Rig& rig);

// Head geometry that costumes fit themselves to: the head's surface point at
// sphere parameters (s from the crown to the chin, a round from the back as in
// tubeShape) and its centre.
Vector3 headSurface(double s, double a);
Vector3 headCentre();

}  // namespace samples
}  // namespace velmora
