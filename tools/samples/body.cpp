#include "tools/samples/body.h"

#include <cmath>
#include <functional>

#include "tools/samples/shapes.h"

namespace velmora {
inline namespace samples {

namespace {

constexpr Vector3 at(double x, double height, double z) {
    return {x, kFloorY + height, z};
}

// The hanging arm leans out from the body by this angle in the bind pose, so
// that the arms stay clear of the hips.
constexpr double kArmSpread = radians(12.0);
constexpr double kUpperArmLength = 13.0;
constexpr double kForearmLength = 11.6;
constexpr double kHandLength = 7.0;

// The head: an ellipsoid shaped into a skull with a jaw, a nose and a chin.
constexpr Vector3 kHeadCentre = at(0.0, 69.7, -0.5);
constexpr Vector3 kHeadRadii{4.4, 5.5, 5.0};

Vector3 armDirection() {
    return {std::sin(kArmSpread), -std::cos(kArmSpread), 0.0};
}

// Radii from a profile of (distance from a reference point, side, front,
// back), scaled by girth.
Tube profiledLimb(const std::vector<Vector3>& line, const Vector3& front, double reference,
                  const Profile& profile, double girth) {
    return limbTube(line, front, [reference, profile, girth](double distance, const Vector3&) {
        const double place = distance - reference;
        return LimbRadii{girth * profile.at(place, 1), girth * profile.at(place, 2),
                         girth * profile.at(place, 3)};
    });
}

Part trunk(const BodyShape& shape, const Rig& rig) {
    const double hipWidth = shape.hipWidth;
    const double waistWidth = shape.waistWidth;
    const double chestWidth = shape.chestWidth;
    const double shoulderWidth = shape.shoulderWidth;
    // height, half width, front and back depth, centre z, squareness
    const Profile profile{
        {36.6, hipWidth * 0.78, 4.0, 4.4, 0.5, 2.0},
        {39.0, hipWidth * 0.98, 4.5, 5.5, 0.6, 2.2},
        {41.5, hipWidth, 4.5, 5.4, 0.5, 2.2},
        {44.5, lerp(hipWidth, waistWidth, 0.6), 4.2, 4.4, 0.3, 2.1},
        {47.0, waistWidth, 4.1, 3.9, 0.2, 2.1},
        {50.5, lerp(waistWidth, chestWidth, 0.55), 4.4, 4.0, 0.15, 2.3},
        {54.0, chestWidth, 4.7, 4.3, 0.1, 2.5},
        {57.8, chestWidth * 1.03, 4.5, 4.3, 0.2, 2.6},
        {60.0, shoulderWidth - 0.3, 3.8, 3.9, 0.3, 2.8},
        {61.4, shoulderWidth * 0.62, 3.1, 3.3, 0.45, 2.4},
        {62.6, 2.5, 2.4, 2.5, 0.55, 2.0},
        {63.4, 2.3, 2.3, 2.4, 0.55, 2.0},
        {65.2, 2.2, 2.2, 2.3, 0.45, 2.0},
    };
    const double bottom = 36.6;
    const double top = 65.2;
    Tube tube;
    tube.section = [profile, bottom, top](double t) {
        const double height = lerp(bottom, top, t);
        TubeSection section;
        section.centre = at(0.0, height, profile.at(height, 4));
        section.side = kRight;
        section.front = kForward;
        section.sideRadius = profile.at(height, 1);
        section.frontRadius = profile.at(height, 2);
        section.backRadius = profile.at(height, 3);
        section.squareness = profile.at(height, 5);
        return section;
    };
    const double bust = shape.bust;
    tube.bulge = [bust, bottom, top](double t, double c, double f) {
        if (bust <= 0 || f <= 0) {
            return 0.0;
        }
        const double height = lerp(bottom, top, t);
        const double across = (std::fabs(c) - 0.42) / 0.25;
        const double up = (height - 54.2) / 2.4;
        return bust * std::exp(-across * across - up * up) * std::pow(f, 1.5);
    };
    tube.startCap = 0.05;
    tube.startCapDepth = 0.45;
    tube.endCap = 0.03;

    const int hips = rig.index("hips");
    const int spine = rig.index("spine");
    const int chest = rig.index("chest");
    const int neck = rig.index("neck");
    const int head = rig.index("head");
    const int clavicles[2] = {rig.index("clavicleRight"), rig.index("clavicleLeft")};
    const int upperArms[2] = {rig.index("upperArmRight"), rig.index("upperArmLeft")};
    const int thighs[2] = {rig.index("thighRight"), rig.index("thighLeft")};
    const WeightRule weights = [=](const Vector3& rest, double, double) {
        const double height = heightAboveFloor(rest);
        Weights weights = alongStations(height, {{43.0, hips},
                                                 {47.0, spine},
                                                 {49.5, spine},
                                                 {53.0, chest},
                                                 {60.4, chest},
                                                 {62.4, neck},
                                                 {64.0, neck},
                                                 {65.4, head}});
        // The shoulders go with the clavicle and the upper arm, the groin and
        // the buttocks partly with the thighs, so that raising an arm or a knee
        // stretches the trunk instead of tearing away from it.
        const double side = std::fabs(rest.x);
        const int sideIndex = rest.x > 0 ? 0 : 1;
        const double toClavicle = smoothstep(shoulderWidth * 0.3, shoulderWidth * 0.75, side) *
                                  smoothstep(54.0, 58.5, height);
        weights = Weights::blend(weights, Weights(clavicles[sideIndex]), toClavicle);
        const double toArm = smoothstep(shoulderWidth - 2.2, shoulderWidth + 0.3, side) *
                             smoothstep(56.5, 59.5, height);
        weights = Weights::blend(weights, Weights(upperArms[sideIndex]), 0.7 * toArm);
        const double toThigh = smoothstep(40.5, 37.0, height) * smoothstep(0.5, 3.0, side);
        weights = Weights::blend(weights, Weights(thighs[sideIndex]), 0.55 * toThigh);
        return weights;
    };
    return makePart("trunk", kTrunkRegion, tubeShape(tube), 44, 40, 192, 232, weights);
}

Part headPart(const Rig& rig) {
    const int head = rig.index("head");
    return makePart("head", kHeadRegion, headSurface, 30, 40, 320, 232, rigidTo(head));
}

Part earPart(const Rig& rig) {
    const int head = rig.index("head");
    return makePart("earRight", kEarRegion,
                    ellipsoidShape(kHeadCentre + Vector3(4.3, -0.5, 0.9), {0.55, 1.35, 0.85}), 8,
                    10, 16, 16, rigidTo(head));
}

Part armPart(const BodyShape& shape, const BodyJoints& joints, const Rig& rig) {
    const Vector3 inside = joints.shoulder + Vector3(-1.6, 0.2, 0.0);
    const std::vector<Vector3> line{inside, joints.shoulder, joints.elbow, joints.wrist,
                                    joints.wrist + 0.5 * armDirection()};
    const double toShoulder = length(joints.shoulder - inside);
    // distance from the shoulder joint, side, front and back radius
    const Profile radii{
        {-1.6, 2.2, 2.2, 2.2},   {0.0, 2.5, 2.45, 2.45},   {3.5, 2.3, 2.25, 2.35},
        {8.5, 2.0, 2.05, 2.1},   {12.8, 1.62, 1.68, 1.72}, {15.5, 1.85, 1.85, 1.75},
        {21.0, 1.45, 1.3, 1.25}, {24.6, 1.15, 1.02, 0.98}, {25.1, 1.15, 1.0, 0.98},
    };
    Tube tube = profiledLimb(line, kForward, toShoulder, radii, shape.limbGirth);
    tube.startCap = 0.06;
    tube.startCapDepth = 0.9;
    tube.endCap = 0.04;
    tube.endCapDepth = 0.5;

    const int clavicle = rig.index("clavicleRight");
    const int upperArm = rig.index("upperArmRight");
    const int forearm = rig.index("forearmRight");
    const int hand = rig.index("handRight");
    const double elbow = toShoulder + kUpperArmLength;
    const double wrist = elbow + kForearmLength;
    return makePart("armRight", kArmRegion, tubeShape(tube), 34, 18, 64, 176,
                    alongLine(line, {{0.0, clavicle},
                                     {toShoulder + 1.0, upperArm},
                                     {elbow - 1.8, upperArm},
                                     {elbow + 1.8, forearm},
                                     {wrist - 1.2, forearm},
                                     {wrist + 0.4, hand}}));
}

Part handPart(const BodyShape& shape, const BodyJoints& joints, const Rig& rig) {
    const std::vector<Vector3> line{joints.wrist - 0.4 * armDirection(), joints.fingertips};
    // distance from the wrist, thickness, and width towards front and back
    const Profile radii{
        {0.0, 0.8, 1.05, 1.05}, {1.9, 0.95, 1.42, 1.4},  {3.8, 0.88, 1.5, 1.45},
        {5.6, 0.7, 1.32, 1.28}, {7.4, 0.55, 0.95, 0.92},
    };
    Tube tube = profiledLimb(line, kForward, 0.0, radii, shape.limbGirth);
    tube.startCap = 0.08;
    tube.endCap = 0.12;
    tube.endCapDepth = 1.4;
    const int hand = rig.index("handRight");
    return makePart("handRight", kHandRegion, tubeShape(tube), 14, 14, 32, 48, rigidTo(hand));
}

Part thumbPart(const BodyShape& shape, const BodyJoints& joints, const Rig& rig) {
    const Vector3 along = armDirection();
    const std::vector<Vector3> line{joints.wrist + 1.0 * along + Vector3(-0.25, 0.0, -0.55),
                                    joints.wrist + 2.6 * along + Vector3(-0.2, 0.0, -1.55),
                                    joints.wrist + 4.2 * along + Vector3(-0.15, 0.0, -1.8)};
    const Profile radii{{0.0, 0.5, 0.5, 0.5}, {4.0, 0.38, 0.38, 0.38}};
    Tube tube = profiledLimb(line, kRight, 0.0, radii, shape.limbGirth);
    tube.startCap = 0.15;
    tube.endCap = 0.2;
    const int hand = rig.index("handRight");
    return makePart("thumbRight", kHandRegion, tubeShape(tube), 8, 8, 12, 16, rigidTo(hand));
}

Part legPart(const BodyShape& shape, const BodyJoints& joints, const Rig& rig) {
    const Vector3 top = joints.hip + Vector3(-0.2, 3.5, 0.1);
    const Vector3 bottom = joints.ankle + Vector3(0.0, -1.6, 0.0);
    const std::vector<Vector3> line{top, joints.hip, joints.knee, joints.ankle, bottom};
    // height, side, front and back radius
    const Profile radii{
        {2.6, 1.55, 1.55, 1.6},  {4.5, 1.6, 1.6, 1.7},    {8.0, 1.85, 1.75, 1.95},
        {13.5, 2.45, 2.25, 2.9}, {17.5, 2.7, 2.45, 3.25}, {21.5, 2.65, 2.7, 2.55},
        {25.5, 3.1, 3.1, 3.0},   {31.0, 3.75, 3.8, 3.7},  {36.5, 4.3, 4.4, 4.4},
        {39.5, 4.5, 4.5, 4.7},   {43.0, 4.3, 4.3, 4.4},
    };
    const double girth = shape.limbGirth;
    const double bootGirth = shape.bootGirth;
    const double bootTop = shape.bootTop;
    Tube tube = limbTube(line, kForward, [=](double, const Vector3& centre) {
        const double height = heightAboveFloor(centre);
        const double boot = bootGirth * smoothstep(bootTop + 0.1, bootTop - 0.4, height);
        return LimbRadii{girth * radii.at(height, 1) + boot, girth * radii.at(height, 2) + boot,
                         girth * radii.at(height, 3) + boot};
    });
    tube.startCap = 0.04;
    tube.startCapDepth = 0.6;
    tube.endCap = 0.03;

    const int hips = rig.index("hips");
    const int thigh = rig.index("thighRight");
    const int shin = rig.index("shinRight");
    const int foot = rig.index("footRight");
    const Polyline chain(line);
    const double knee = chain.distanceAlong(joints.knee);
    const double ankle = chain.distanceAlong(joints.ankle);
    const double hip = chain.distanceAlong(joints.hip);
    return makePart("legRight", kLegRegion, tubeShape(tube), 40, 22, 80, 224,
                    alongLine(line, {{0.0, hips},
                                     {hip + 1.5, thigh},
                                     {knee - 2.2, thigh},
                                     {knee + 2.2, shin},
                                     {ankle - 1.2, shin},
                                     {ankle + 0.8, foot}}));
}

Part shoePart(const BodyShape& shape, const BodyJoints& joints, const Rig& rig) {
    // place, z, centre height, half width, height above and depth below centre
    Profile profile{
        {0.00, 2.9, 2.2, 1.75, 2.0, 2.2},    {0.15, 1.7, 2.45, 2.0, 2.6, 2.45},
        {0.35, -0.9, 2.15, 2.1, 2.35, 2.15}, {0.60, -4.4, 1.6, 2.3, 1.65, 1.6},
        {0.82, -6.9, 1.25, 2.2, 1.1, 1.25},  {1.00, -8.5, 1.05, 1.8, 0.85, 1.05},
    };
    double squareness = 3.0;
    switch (shape.footwear) {
        case Footwear::kSneaker:
            break;
        case Footwear::kLoafer:
            profile = Profile{
                {0.00, 2.8, 1.8, 1.6, 1.6, 1.8},   {0.15, 1.6, 2.0, 1.85, 2.0, 2.0},
                {0.35, -0.9, 1.8, 1.95, 1.9, 1.8}, {0.60, -4.4, 1.4, 2.1, 1.35, 1.4},
                {0.82, -6.8, 1.1, 2.0, 0.95, 1.1}, {1.00, -8.3, 0.95, 1.6, 0.75, 0.95},
            };
            squareness = 2.6;
            break;
        case Footwear::kBoot:
            profile = Profile{
                {0.00, 3.0, 2.5, 1.95, 2.4, 2.5},   {0.15, 1.8, 2.7, 2.15, 2.9, 2.7},
                {0.35, -0.9, 2.3, 2.25, 2.5, 2.3},  {0.60, -4.4, 1.7, 2.4, 1.75, 1.7},
                {0.82, -6.9, 1.35, 2.3, 1.2, 1.35}, {1.00, -8.6, 1.15, 1.9, 0.95, 1.15},
            };
            break;
        case Footwear::kCowboyBoot:
            profile = Profile{
                {0.00, 3.0, 2.5, 1.9, 2.4, 2.5},    {0.15, 1.8, 2.7, 2.1, 2.9, 2.7},
                {0.35, -0.9, 2.2, 2.15, 2.4, 2.2},  {0.60, -4.6, 1.55, 2.15, 1.6, 1.55},
                {0.82, -7.4, 1.15, 1.7, 1.0, 1.15}, {1.00, -9.4, 0.9, 1.0, 0.7, 0.9},
            };
            squareness = 2.4;
            break;
    }
    const double x = joints.ankle.x;
    Tube tube;
    tube.section = [profile, x, squareness](double t) {
        TubeSection section;
        section.centre = at(x + 0.35 * t, profile.at(t, 2), profile.at(t, 1));
        section.side = {-1, 0, 0};
        section.front = kUp;
        section.sideRadius = profile.at(t, 3);
        section.frontRadius = profile.at(t, 4);
        section.backRadius = profile.at(t, 5);
        section.squareness = squareness;
        return section;
    };
    tube.startCap = 0.08;
    tube.endCap = 0.1;
    tube.endCapDepth = 0.9;
    const SurfaceShape rounded = tubeShape(tube);

    const int foot = rig.index("footRight");
    const int toe = rig.index("toeRight");
    const double ball = joints.ball.z;
    // The sole is the floor: nothing of the shoe ever lies below it.
    const SurfaceShape soled = [rounded](double s, double a) {
        Vector3 p = rounded(s, a);
        p.y = std::max(p.y, kFloorY);
        return p;
    };
    // Ahead of the ball joint the shoe is wholly the toe's: when the heel rises
    // the foot turns about the ball, and a point ahead of it carried by the foot
    // would dip below the floor.
    return makePart("shoeRight", kShoeRegion, soled, 26, 20, 64, 64,
                    [foot, toe, ball](const Vector3& rest, double, double) {
                        return alongStations(-rest.z, {{-(ball + 1.6), foot}, {-ball, toe}});
                    });
}

}  // namespace

double heightAboveFloor(const Vector3& p) {
    return p.y - kFloorY;
}

Vector3 headCentre() {
    return kHeadCentre;
}

Vector3 headSurface(double s, double a) {
    const Vector3 d = sphereDirection(s, a);
    double x = kHeadRadii.x * d.x;
    const double y = kHeadRadii.y * d.y;
    double z = kHeadRadii.z * d.z;
    // Jaw and chin: the lower half narrows, more at the back where it meets the neck.
    const double lower = smoothstep(0.05, -0.85, d.y);
    x *= 1 - 0.3 * lower;
    z *= d.z < 0 ? 1 - 0.1 * lower : 1 - 0.25 * lower;
    if (d.z > 0) {
        z *= 1 + 0.08 * smoothstep(-0.2, 0.5, d.y);
    }
    const double front = std::max(0.0, -d.z);
    const double frontish = std::pow(front, 4);
    // Nose: a ridge from between the eyes to a tip above the mouth.
    const double ridge = smoothstep(0.16, -0.14, d.y) * (1 - smoothstep(-0.17, -0.27, d.y));
    const double nose = 0.95 * std::exp(-(d.x / 0.085) * (d.x / 0.085)) * ridge;
    // Brow, eye sockets and chin give the baked light something to catch.
    const double brow = 0.18 * std::exp(-((d.y - 0.2) / 0.07) * ((d.y - 0.2) / 0.07)) *
                        std::exp(-(d.x / 0.5) * (d.x / 0.5));
    const double eyeX = (std::fabs(d.x) - 0.33) / 0.13;
    const double eyeY = (d.y - 0.05) / 0.09;
    const double socket = 0.16 * std::exp(-eyeX * eyeX - eyeY * eyeY);
    const double chin = 0.25 * std::exp(-((d.y + 0.8) / 0.12) * ((d.y + 0.8) / 0.12)) *
                        std::exp(-(d.x / 0.25) * (d.x / 0.25));
    z -= frontish * (nose + brow - socket + chin);
    return kHeadCentre + Vector3(x, y, z);
}

BodyJoints bodyJoints(const BodyShape& shape) {
    BodyJoints joints;
    joints.hips = at(0.0, 41.0, 0.2);
    joints.spine = at(0.0, 46.5, 0.2);
    joints.chest = at(0.0, 52.5, 0.1);
    joints.neck = at(0.0, 61.2, 0.5);
    joints.head = at(0.0, 65.2, 0.4);
    joints.clavicle = at(1.6, 60.2, 0.4);
    joints.shoulder = at(shape.shoulderWidth, 60.0, 0.5);
    joints.elbow = joints.shoulder + kUpperArmLength * armDirection();
    joints.wrist = joints.elbow + kForearmLength * armDirection();
    joints.fingertips = joints.wrist + kHandLength * armDirection();
    const double hipX = shape.hipWidth * 0.56;
    joints.hip = at(hipX, 39.5, 0.3);
    joints.knee = at(hipX - 0.1, 21.5, 0.0);
    joints.ankle = at(hipX - 0.15, 4.2, 0.6);
    joints.ball = at(hipX - 0.15, 0.0, -4.8);
    return joints;
}

Rig makeBodyRig(const BodyShape& shape) {
    const BodyJoints joints = bodyJoints(shape);
    Rig rig;
    rig.add("hips", "", joints.hips);
    rig.add("spine", "hips", joints.spine);
    rig.add("chest", "spine", joints.chest);
    rig.add("neck", "chest", joints.neck);
    rig.add("head", "neck", joints.head);
    for (const char* side : {"Right", "Left"}) {
        const std::string s = side;
        const auto place = [&](const Vector3& p) { return s == "Right" ? p : mirrorX(p); };
        rig.add("clavicle" + s, "chest", place(joints.clavicle));
        rig.add("upperArm" + s, "clavicle" + s, place(joints.shoulder));
        rig.add("forearm" + s, "upperArm" + s, place(joints.elbow));
        rig.add("hand" + s, "forearm" + s, place(joints.wrist));
    }
    for (const char* side : {"Right", "Left"}) {
        const std::string s = side;
        const auto place = [&](const Vector3& p) { return s == "Right" ? p : mirrorX(p); };
        rig.add("thigh" + s, "hips", place(joints.hip));
        rig.add("shin" + s, "thigh" + s, place(joints.knee));
        rig.add("foot" + s, "shin" + s, place(joints.ankle));
        rig.add("toe" + s, "foot" + s, place(joints.ball));
    }
    return rig;
}

std::vector<Part> makeBodyParts(const BodyShape& shape, const Rig& rig) {
    const BodyJoints joints = bodyJoints(shape);
    std::vector<Part> parts;
    parts.push_back(trunk(shape, rig));
    parts.push_back(headPart(rig));
    parts.push_back(legPart(shape, joints, rig));
    parts.push_back(armPart(shape, joints, rig));
    parts.push_back(shoePart(shape, joints, rig));
    parts.push_back(handPart(shape, joints, rig));
    parts.push_back(thumbPart(shape, joints, rig));
    parts.push_back(earPart(rig));
    for (const char* name :
         {"legRight", "armRight", "shoeRight", "handRight", "thumbRight", "earRight"}) {
        for (const Part& part : std::vector<Part>(parts)) {
            if (part.name == name) {
                std::string mirrorName = name;
                mirrorName.replace(mirrorName.find("Right"), 5, "Left");
                parts.push_back(mirrored(part, mirrorName, rig));
            }
        }
    }
    return parts;
}

}  // namespace samples
}  // namespace velmora
