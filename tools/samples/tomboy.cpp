// "Tomboy": a red baseball cap over short auburn hair with a ponytail, a grey
// hoodie, denim shorts, white socks and sneakers. Her own animation is a jump.

#include <cmath>

#include "tools/samples/costume.h"
#include "tools/samples/figure.h"

namespace velmora {
inline namespace samples {

namespace {

enum Region {
    kCapRegion = kFirstCostumeRegion,
    kBillRegion,
    kHairRegion,
    kPonytailRegion,
    kHoodRegion,
    kStringRegion,
};

constexpr Color kSkin = hexColor(0xe2b08a);
constexpr Color kHair = hexColor(0x8a4526);
constexpr Color kHoodie = hexColor(0x8c939c);
constexpr Color kDenim = hexColor(0x3f5f8c);
constexpr Color kSock = hexColor(0xf0f0ec);
constexpr Color kSneaker = hexColor(0xf5f5f2);
constexpr Color kRed = hexColor(0xc63a2e);

Color paintTrunk(const PaintSample& sample) {
    const Vector3& p = sample.position;
    const double h = heightAboveFloor(p);
    const double x = std::fabs(p.x);
    if (h < 45.8) {
        // Shorts with a fly seam and a darker waistband.
        Color color = lerp(kDenim, kDenim * 0.75, band(h, 45.2, 0.5, 0.15));
        return lerp(color, kDenim * 0.7,
                    band(p.x, 0.0, 0.08, 0.06) * (p.z < 0 ? 1 : 0) * (h > 40.5 ? 1 : 0));
    }
    if (h > 62.2) {
        return kSkin;
    }
    Color color = kHoodie;
    // Ribbed hem, and the kangaroo pocket on the belly.
    color = lerp(color, kHoodie * 0.82, band(h, 46.6, 0.8, 0.15));
    if (p.z < 0) {
        const double pocket =
            band(h, 49.8, 2.4, 0.15) * band(x, 0.0, 4.6 - (h - 47.4) * 0.35, 0.15);
        const double edge =
            pocket * (1 - band(h, 49.8, 2.2, 0.15) * band(x, 0.0, 4.4 - (h - 47.4) * 0.35, 0.15));
        color = lerp(color, kHoodie * 0.78, edge);
        // A print on the chest: a red star-like badge.
        color = lerp(color, kRed, ellipse(p.x, h, -2.6, 56.0, 1.1, 1.1, 0.15));
    }
    return color;
}

Color paintLeg(const PaintSample& sample) {
    const double h = heightAboveFloor(sample.position);
    if (h > 31.5) {
        return lerp(kDenim, kDenim * 1.3, band(h, 31.9, 0.35, 0.1));
    }
    if (h < 6.5) {
        return kSock;
    }
    return kSkin;
}

Color paintShoe(const PaintSample& sample) {
    const Vector3& p = sample.position;
    const double h = heightAboveFloor(p);
    Color color = kSneaker;
    // Sole and toe cap in grey, a red stripe along the side.
    color = lerp(color, hexColor(0xb8b8b8), smoothstep(0.9, 0.7, h));
    const double stripe = band(h - 0.18 * (p.z + 2.0), 1.9, 0.3, 0.12) *
                          smoothstep(0.4, 1.0, std::fabs(sample.normal.x));
    return lerp(color, kRed, stripe);
}

// The cap's crown covers the head down to this s; its bill leaves it in front.
constexpr double kCapEdge = 0.4;

Vector3 billRoot() {
    return headSurface(kCapEdge, 0.5) + Vector3(0.0, 0.15, 0.2);
}

std::vector<Vector3> billLine() {
    const Vector3 root = billRoot();
    return {root + Vector3(0, 0.35, 1.6), root, root + Vector3(0, -1.0, -4.6)};
}

std::vector<Vector3> ponytailLine() {
    const Vector3 root = headCentre() + Vector3(0.0, 1.0, 4.6);
    return {root, root + Vector3(0, -3.4, 1.5), root + Vector3(0, -7.6, 1.9),
            root + Vector3(0, -11.2, 1.4)};
}

// The drawstrings of the hood hang from the neckline over the chest.
std::vector<Vector3> stringLine() {
    return {{1.2, kFloorY + 61.0, -3.3}, {1.3, kFloorY + 57.2, -4.9}, {1.35, kFloorY + 54.2, -5.5}};
}

constexpr Vector3 kHoodCentre{0.0, kFloorY + 59.4, 4.5};

void addCostumeBones(Rig& rig) {
    rig.add("capBill", "head", billRoot());
    const std::vector<Vector3> ponytail = ponytailLine();
    rig.add("ponytail1", "head", ponytail[0]);
    rig.add("ponytail2", "ponytail1", ponytail[1]);
    rig.add("hood", "chest", {0.0, kFloorY + 61.2, 3.4});
    rig.add("stringRight", "chest", stringLine()[0]);
    rig.add("stringLeft", "chest", mirrorX(stringLine()[0]));
}

std::vector<Part> costumeParts(const Rig& rig) {
    const int head = rig.index("head");
    HeadCovering crown;
    crown.edge = [](double a) { return kCapEdge + 0.05 * (1 + std::cos(2 * kPi * a)) / 2; };
    crown.thickness = [](double u, double) { return 0.1 + 0.42 * (1 - smoothstep(0.9, 1.0, u)); };
    HeadCovering hair;
    hair.edge = [](double a) {
        const double front = (1 - std::cos(2 * kPi * a)) / 2;
        return lerp(0.7, 0.42, front);
    };
    hair.thickness = [](double u, double) { return 0.05 + 0.3 * (1 - smoothstep(0.6, 1.0, u)); };

    Tube bill = limbTube(billLine(), kUp, [](double distance, const Vector3&) {
        const double halfWidth =
            distance < 1.6 ? 4.2 : lerp(4.2, 3.0, smoothstep(1.6, 6.3, distance));
        return LimbRadii{halfWidth, 0.2, 0.2, 4.0};
    });
    bill.startCap = 0.05;
    bill.endCap = 0.2;
    bill.endCapDepth = 10.0;

    const std::vector<Vector3> ponytail = ponytailLine();
    const double first = length(ponytail[1] - ponytail[0]);
    const Profile ponytailRadii{{0.0, 0.9}, {1.0, 1.3}, {4.0, 1.5}, {8.5, 0.9}, {11.8, 0.2}};

    const std::vector<Vector3> strings = stringLine();
    const Profile stringRadii{{0.0, 0.17}, {6.0, 0.17}, {6.6, 0.24}};

    std::vector<Part> parts;
    parts.push_back(
        makePart("cap", kCapRegion, headCoveringShape(crown), 12, 40, 120, 48, rigidTo(head)));
    parts.push_back(makePart("capBill", kBillRegion, tubeShape(bill), 12, 24, 48, 32,
                             rigidTo(rig.index("capBill"))));
    parts.push_back(
        makePart("hair", kHairRegion, headCoveringShape(hair), 14, 40, 120, 48, rigidTo(head)));
    parts.push_back(tressPart("ponytail", kPonytailRegion, ponytail, ponytailRadii,
                              {{0.0, head},
                               {0.8, rig.index("ponytail1")},
                               {first - 1.0, rig.index("ponytail1")},
                               {first + 1.0, rig.index("ponytail2")}},
                              18, 12, 40, 48));
    Part hood = makePart("hood", kHoodRegion, ellipsoidShape(kHoodCentre, {3.9, 2.7, 1.5}), 12, 20,
                         48, 32, rigidTo(rig.index("hood")));
    parts.push_back(hood);
    Part collar = makePart("collar", kHoodRegion,
                           ringShape({0.0, kFloorY + 61.3, 0.5}, {0.0, 1.0, 0.25}, 2.9, 0.75), 8,
                           28, 48, 16, rigidTo(rig.index("chest")));
    collar.periodicAlong = true;
    parts.push_back(collar);
    parts.push_back(tressPart("stringRight", kStringRegion, strings, stringRadii,
                              {{0.0, rig.index("stringRight")}}, 10, 6, 8, 24));
    parts.push_back(mirrored(parts.back(), "stringLeft", rig));
    return parts;
}

std::vector<Jiggle> costumeJiggles() {
    const std::vector<Vector3> ponytail = ponytailLine();
    const std::vector<Vector3> strings = stringLine();
    return {
        {"capBill", billLine().back(), 4.0, 0.5, 0.06},
        {"ponytail1", ponytail[1], 1.6, 0.25, 0.8},
        {"ponytail2", ponytail[3], 2.0, 0.25, 0.8},
        {"hood", kHoodCentre + Vector3(0, -2.5, 0.5), 2.2, 0.35, 0.35},
        {"stringRight", strings.back(), 2.2, 0.2, 0.9},
        {"stringLeft", mirrorX(strings.back()), 2.2, 0.2, 0.9},
    };
}

Color paintCostume(const PaintSample& sample) {
    switch (sample.region) {
        case kCapRegion: {
            // Six panels meeting at a button on top.
            const double seam = band(std::fmod(sample.a * 6 + 0.5, 1.0), 0.5, 0.04, 0.03);
            const Color panel = lerp(kRed, kRed * 0.7, seam * smoothstep(0.15, 0.3, sample.s));
            return lerp(panel, kRed * 0.6, smoothstep(0.08, 0.04, sample.s));
        }
        case kBillRegion:
            return lerp(kRed * 0.9, hexColor(0x2a2a2a), sample.normal.y < -0.5 ? 0.7 : 0.0);
        case kHairRegion:
        case kPonytailRegion:
            return hairColor(sample, kHair, sample.region == kHairRegion ? 40 : 10);
        case kStringRegion:
            return sample.s > 0.88 ? hexColor(0x303030) : hexColor(0xf0f0ec);
        default:
            return kHoodie * 0.92;
    }
}

// The jump, as stations of phase: the hips' drop, the trunk's lean, the arms'
// swing and the heels' rise; the flight itself is a parabola.
//
//   stand  crouch      push   | in the air |  land  absorb    stand
//   0      0.12  0.24  0.32   0.36        0.64   0.72   0.86  1
Clip jumpClip(const Rig& rig) {
    Clip clip;
    clip.name = "Jump";
    clip.frames = 48;
    clip.pose = [&rig](double phase) {
        // phase, hips' height, lean, arm swing (degrees), heel rise (degrees)
        static const Profile stations{
            {0.00, -0.5, 0, 4, 0},    {0.12, -2.6, -8, -22, 0},  {0.24, -5.0, -16, -42, 0},
            {0.32, -2.2, -8, 70, 18}, {0.36, -1.0, -2, 105, 32}, {0.64, -1.0, -4, 90, 24},
            {0.72, -5.0, -15, 10, 0}, {0.86, -2.2, -6, -5, 0},   {1.00, -0.5, 0, 4, 0},
        };
        const double takeoff = 0.36;
        const double landing = 0.64;
        const bool flying = phase > takeoff && phase < landing;
        const double u = flying ? (phase - takeoff) / (landing - takeoff) : 0.0;
        const double rise = 5.5 * 4 * u * (1 - u);
        const double tuck = 2.5 * bump(u);
        RigPose pose(rig);
        const double lean = radians(stations.at(phase, 2));
        placeHips(rig, pose, {0.0, stations.at(phase, 1) + rise, 0.0}, lean, 0.0, 0.0);
        pose.rotationOf(rig, "spine") = turn(0.3 * lean, 0.0, 0.0);
        pose.rotationOf(rig, "chest") = turn(0.2 * lean, 0.0, 0.0);
        pose.rotationOf(rig, "neck") = turn(-0.5 * lean, 0.0, 0.0);
        pose.rotationOf(rig, "head") = turn(-0.6 * lean, 0.0, 0.0);
        const double swing = radians(stations.at(phase, 3));
        for (const char* side : {"Right", "Left"}) {
            ArmAim arm;
            arm.upper = hangingArm(rig, side, swing, radians(8) + 0.06 * std::fabs(swing));
            arm.elbow = radians(20) + 0.1 * std::fabs(swing);
            aimArm(rig, pose, side, arm);
        }
        FootPlacement foot;
        foot.heelLift = radians(stations.at(phase, 4));
        foot.lift = flying ? rise + tuck : 0.0;
        foot.toeBend = flying ? radians(15) * bump(u) : 0.0;
        placeFoot(rig, pose, "Right", foot);
        placeFoot(rig, pose, "Left", foot);
        return pose;
    };
    return clip;
}

}  // namespace

void describeTomboy(SampleCharacter& character) {
    Figure figure;
    figure.name = "tomboy";
    figure.shape.hipWidth = 7.2;
    figure.shape.waistWidth = 5.9;
    figure.shape.chestWidth = 7.2;
    figure.shape.shoulderWidth = 7.9;
    figure.shape.bust = 0.5;
    figure.shape.limbGirth = 0.93;
    figure.shape.footwear = Footwear::kSneaker;
    figure.face.skin = kSkin;
    figure.face.hair = kHair;
    figure.face.iris = hexColor(0x3f6b45);
    figure.face.brows = hexColor(0x6a3420);
    figure.face.lips = hexColor(0xc9786e);
    figure.face.feminine = true;
    figure.face.blush = 0.15;
    figure.face.hairlineFront = 0.45;
    figure.face.hairlineBack = -0.45;
    figure.trunk = paintTrunk;
    figure.arms = [](const PaintSample& sample) {
        return lerp(kHoodie, kHoodie * 0.82,
                    band(heightAboveFloor(sample.position), 37.0, 1.0, 0.15));
    };
    figure.legs = paintLeg;
    figure.shoes = paintShoe;
    figure.style.armSwing = 1.2;
    figure.style.stepHeight = 1.15;
    figure.style.bounce = 1.2;
    figure.style.idleElbow = 0.25;
    figure.ownClip = jumpClip;
    figure.costumeBones = addCostumeBones;
    figure.costumeParts = costumeParts;
    figure.jiggles = costumeJiggles();
    figure.costume = paintCostume;
    describeFigure(character, figure);
}

}  // namespace samples
}  // namespace velmora
