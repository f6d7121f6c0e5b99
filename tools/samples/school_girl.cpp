// "School Girl": a sailor-style school uniform (white blouse with a navy
// collar and a red scarf), a navy pleated skirt, white knee socks, brown
// loafers, dark hair in two pigtails. Her own animation is a wave.

#include <algorithm>
#include <cmath>

#include "tools/samples/costume.h"
#include "tools/samples/figure.h"

namespace velmora {
inline namespace samples {

namespace {

enum Region { kHairRegion = kFirstCostumeRegion, kPigtailRegion, kSkirtRegion };

constexpr Color kSkin = hexColor(0xf3d2b8);
constexpr Color kHair = hexColor(0x3b2219);
constexpr Color kBlouse = hexColor(0xf4f4f0);
constexpr Color kNavy = hexColor(0x1f2a4d);
constexpr Color kScarf = hexColor(0xc8283a);
constexpr Color kSocks = hexColor(0xf2f2ee);
constexpr Color kLoafer = hexColor(0x4a2a1c);

Color paintTrunk(const PaintSample& sample) {
    const Vector3& p = sample.position;
    const double h = heightAboveFloor(p);
    if (h < 47.5) {
        return kNavy;
    }
    const double x = std::fabs(p.x);
    const bool front = p.z < 0;
    // The neck and the V of the collar show skin.
    if (h > 61.6) {
        return kSkin;
    }
    const double collarDepth = 54.5;
    if (front && h > collarDepth + x * 1.1 && x < 3.8) {
        return kSkin;
    }
    // Sailor collar: a navy band round the V in front and a square flap on the
    // back, edged by a white stripe.
    const double vEdge = h - (collarDepth + x * 1.1);
    Color color = kBlouse;
    if (front) {
        const double collar = band(vEdge, -0.9, 0.9, 0.15) * (h > 52.5 ? 1 : 0);
        const double stripe = band(vEdge, -1.25, 0.12, 0.08) * (h > 52.5 ? 1 : 0);
        color = lerp(color, kNavy, collar);
        color = lerp(color, kBlouse, stripe);
        // The scarf's knot at the bottom of the V.
        color = lerp(color, kScarf, ellipse(p.x, h, 0.0, collarDepth - 0.6, 1.2, 1.0, 0.2));
    } else {
        const double flap = (h > 53.5 ? 1.0 : 0.0) * (x < 6.2 ? 1.0 : 0.0);
        color = lerp(color, kNavy, flap);
        const double stripe = flap * (band(h, 54.3, 0.12, 0.08) + band(x, 5.4, 0.12, 0.08));
        color = lerp(color, kBlouse, clamp(stripe, 0.0, 1.0));
    }
    return color;
}

Color paintArm(const PaintSample& sample) {
    // Short puffed sleeves with a navy cuff line, then bare arm.
    const double h = heightAboveFloor(sample.position);
    if (h > 53.0) {
        return lerp(kBlouse, kNavy, band(h, 53.6, 0.25, 0.1));
    }
    return kSkin;
}

Color paintLeg(const PaintSample& sample) {
    const double h = heightAboveFloor(sample.position);
    if (h > 36.0) {
        return kNavy;
    }
    if (h < 19.5) {
        return lerp(kSocks, kNavy, band(h, 18.6, 0.25, 0.1));
    }
    return kSkin;
}

// Pigtails: three bones each, hanging behind the ears.
//
//   head -- pigtailRight1 -- pigtailRight2 -- pigtailRight3      (and Left)
std::vector<Vector3> pigtailLine() {
    const Vector3 root = headCentre() + Vector3(3.7, -1.2, 2.3);
    return {root, root + Vector3(1.1, -4.2, 0.9), root + Vector3(1.7, -8.6, 1.3),
            root + Vector3(1.9, -13.2, 1.1)};
}

// The skirt's four bones sit on the waist in front, behind and at the sides.
constexpr double kSkirtTop = 48.0;
constexpr double kHem = 33.2;

Vector3 skirtJoint(double c, double f) {
    return {6.4 * c, kFloorY + 46.5, -4.8 * f + 0.2};
}

void addCostumeBones(Rig& rig) {
    const std::vector<Vector3> line = pigtailLine();
    for (const char* side : {"Right", "Left"}) {
        const std::string s = side;
        const auto place = [&](const Vector3& p) { return s == "Right" ? p : mirrorX(p); };
        rig.add("pigtail" + s + "1", "head", place(line[0]));
        rig.add("pigtail" + s + "2", "pigtail" + s + "1", place(line[1]));
        rig.add("pigtail" + s + "3", "pigtail" + s + "2", place(line[2]));
    }
    rig.add("skirtFront", "hips", skirtJoint(0, 1));
    rig.add("skirtBack", "hips", skirtJoint(0, -1));
    rig.add("skirtRight", "hips", skirtJoint(1, 0));
    rig.add("skirtLeft", "hips", skirtJoint(-1, 0));
}

Part hairPart(const Rig& rig) {
    HeadCovering hair;
    hair.edge = [](double a) {
        const double front = (1 - std::cos(2 * kPi * a)) / 2;
        // Down to the nape at the back, over the ears, a straight fringe in front.
        return lerp(0.74, 0.33, front) + 0.07 * smoothstep(0.75, 1.0, front);
    };
    hair.thickness = [](double u, double a) {
        const double back = (1 + std::cos(2 * kPi * a)) / 2;
        return 0.05 + (0.7 + 0.35 * back * smoothstep(0.0, 0.4, u)) * (1 - smoothstep(0.5, 1.0, u));
    };
    return makePart("hair", kHairRegion, headCoveringShape(hair), 16, 44, 144, 64,
                    rigidTo(rig.index("head")));
}

Part pigtailPart(const Rig& rig) {
    const std::vector<Vector3> line = pigtailLine();
    const double first = length(line[1] - line[0]);
    const double second = first + length(line[2] - line[1]);
    const Profile radii{{0.0, 0.8},  {0.9, 0.85}, {1.3, 1.0}, {3.5, 1.45},
                        {8.0, 1.25}, {11.5, 0.7}, {13.8, 0.2}};
    return tressPart("pigtailRight", kPigtailRegion, line, radii,
                     {{0.0, rig.index("head")},
                      {0.9, rig.index("pigtailRight1")},
                      {first - 1.2, rig.index("pigtailRight1")},
                      {first + 1.2, rig.index("pigtailRight2")},
                      {second - 1.2, rig.index("pigtailRight2")},
                      {second + 1.2, rig.index("pigtailRight3")}},
                     20, 12, 48, 64);
}

// A pleated skirt flaring from the waist: sixteen pleats folded into its
// radius, open at the hem; the top sits just inside the waist.
Part skirtPart(const Rig& rig) {
    // height, half width, front and back depth
    const Profile profile{{kHem, 11.4, 8.6, 9.6},
                          {38.0, 10.2, 7.4, 8.3},
                          {42.0, 8.9, 6.3, 7.0},
                          {46.0, 6.9, 4.9, 5.0},
                          {kSkirtTop, 5.5, 3.9, 3.8}};
    Tube tube = bandTube(profile, kSkirtTop, kHem, 0.3);
    tube.bulge = [](double t, double c, double f) {
        const double turn = std::atan2(c, f) / (2 * kPi) * 16;
        const double fold = 2 * std::fabs(turn - std::floor(turn) - 0.5);
        return 0.45 * fold * smoothstep(0.0, 0.5, t);
    };
    const int hips = rig.index("hips");
    const int front = rig.index("skirtFront");
    const int back = rig.index("skirtBack");
    const int right = rig.index("skirtRight");
    const int left = rig.index("skirtLeft");
    const WeightRule weights = [=](const Vector3& rest, double, double a) {
        const double hang = smoothstep(kSkirtTop, kHem + 4.0, heightAboveFloor(rest));
        const double c = std::sin(2 * kPi * a);
        const double f = -std::cos(2 * kPi * a);
        Weights result;
        result.add(hips, 1 - hang);
        result.add(front, hang * std::max(0.0, f) * std::max(0.0, f));
        result.add(back, hang * std::max(0.0, -f) * std::max(0.0, -f));
        // The skirt's own a runs the other way round (side is -x).
        result.add(left, hang * std::max(0.0, c) * std::max(0.0, c));
        result.add(right, hang * std::max(0.0, -c) * std::max(0.0, -c));
        return result;
    };
    Part part = makePart("skirt", kSkirtRegion, tubeShape(tube), 12, 64, 192, 40, weights);
    return part;
}

std::vector<Part> costumeParts(const Rig& rig) {
    std::vector<Part> parts{hairPart(rig), pigtailPart(rig), skirtPart(rig)};
    parts.push_back(mirrored(parts[1], "pigtailLeft", rig));
    return parts;
}

// The skirt clears the thighs: its front lifts with the leg that swings
// forward, its back with the leg that swings back, its sides a little with
// their own leg.
void skirtFollowsLegs(const Rig& rig, RigPose& pose) {
    const double right = thighSwing(rig, pose, "Right");
    const double left = thighSwing(rig, pose, "Left");
    pose.rotationOf(rig, "skirtFront") = axisAngle(kRight, 0.85 * std::max({0.0, right, left}));
    pose.rotationOf(rig, "skirtBack") = axisAngle(kRight, 0.6 * std::min({0.0, right, left}));
    pose.rotationOf(rig, "skirtRight") =
        axisAngle({0, 0, 1}, 0.2 * std::fabs(right)) * axisAngle(kRight, 0.5 * right);
    pose.rotationOf(rig, "skirtLeft") =
        axisAngle({0, 0, 1}, -0.2 * std::fabs(left)) * axisAngle(kRight, 0.5 * left);
}

std::vector<Jiggle> costumeJiggles() {
    std::vector<Jiggle> jiggles;
    const std::vector<Vector3> line = pigtailLine();
    for (const char* side : {"Right", "Left"}) {
        const std::string s = side;
        const auto place = [&](const Vector3& p) { return s == "Right" ? p : mirrorX(p); };
        jiggles.push_back({"pigtail" + s + "1", place(line[1]), 1.5, 0.25, 0.8});
        jiggles.push_back({"pigtail" + s + "2", place(line[2]), 1.9, 0.25, 0.8});
        jiggles.push_back({"pigtail" + s + "3", place(line[3]), 2.3, 0.25, 0.8});
    }
    const Vector3 hem{0.0, kFloorY + kHem, 0.0};
    jiggles.push_back({"skirtFront", hem + Vector3(0, 0, -8.6), 2.4, 0.35, 0.4});
    jiggles.push_back({"skirtBack", hem + Vector3(0, 0, 9.6), 2.4, 0.35, 0.4});
    jiggles.push_back({"skirtRight", hem + Vector3(11.4, 0, 0), 2.4, 0.35, 0.4});
    jiggles.push_back({"skirtLeft", hem + Vector3(-11.4, 0, 0), 2.4, 0.35, 0.4});
    return jiggles;
}

Color paintCostume(const PaintSample& sample) {
    switch (sample.region) {
        case kHairRegion:
            return hairColor(sample, kHair, 48);
        case kPigtailRegion:
            // A red tie where the tress leaves the head.
            return sample.s < 0.13 && sample.s > 0.05 ? kScarf : hairColor(sample, kHair, 10);
        default:
            return lerp(kNavy, kBlouse,
                        band(heightAboveFloor(sample.position), kHem + 1.3, 0.18, 0.1));
    }
}

Clip waveClip(const Rig& rig) {
    Clip clip;
    clip.name = "Wave";
    clip.frames = 60;
    clip.pose = [&rig](double phase) {
        RigPose pose(rig);
        const double wave = std::sin(2 * kPi * 3 * phase);
        const double sway = std::sin(2 * kPi * phase);
        placeHips(rig, pose, {0.5 * sway, -0.45, 0.0}, 0.0, 0.0, radians(1.5) * sway);
        pose.rotationOf(rig, "spine") = turn(0.0, radians(4), radians(-2) * sway);
        pose.rotationOf(rig, "chest") = turn(0.0, radians(3), radians(-1));
        pose.rotationOf(rig, "neck") = turn(0.0, 0.0, radians(-3));
        pose.rotationOf(rig, "head") =
            turn(radians(-3), radians(-4), radians(-6) + radians(2) * wave);
        ArmAim right;
        right.upper = {0.95, 0.05, -0.3};
        right.bendToward = {-0.15, 1.0, -0.2};
        right.elbow = radians(80) + radians(25) * wave;
        right.shrug = radians(8);
        aimArm(rig, pose, "Right", right);
        ArmAim left;
        left.upper = hangingArm(rig, "Left", radians(5), radians(2));
        left.elbow = radians(20);
        aimArm(rig, pose, "Left", left);
        breathe(rig, pose, std::sin(2 * kPi * phase));
        placeFoot(rig, pose, "Right", {});
        FootPlacement tiptoe;
        tiptoe.heelLift = radians(10) * (0.5 + 0.5 * sway);
        placeFoot(rig, pose, "Left", tiptoe);
        return pose;
    };
    return clip;
}

}  // namespace

void describeSchoolGirl(SampleCharacter& character) {
    Figure figure;
    figure.name = "schoolgirl";
    figure.shape.hipWidth = 7.6;
    figure.shape.waistWidth = 5.7;
    figure.shape.chestWidth = 6.9;
    figure.shape.shoulderWidth = 7.6;
    figure.shape.bust = 0.9;
    figure.shape.limbGirth = 0.9;
    figure.shape.footwear = Footwear::kLoafer;
    figure.face.skin = kSkin;
    figure.face.hair = kHair;
    figure.face.iris = hexColor(0x5a3a22);
    figure.face.brows = hexColor(0x3a2218);
    figure.face.lips = hexColor(0xd9707a);
    figure.face.feminine = true;
    figure.face.blush = 0.35;
    figure.face.hairlineFront = 0.42;
    figure.face.hairlineBack = -0.5;
    figure.trunk = paintTrunk;
    figure.arms = paintArm;
    figure.legs = paintLeg;
    figure.shoes = [](const PaintSample&) { return kLoafer; };
    figure.style.hipSway = 1.3;
    figure.style.armSwing = 0.9;
    figure.style.idleElbow = 0.2;
    figure.ownClip = waveClip;
    figure.costumeBones = addCostumeBones;
    figure.costumeParts = costumeParts;
    figure.followBody = skirtFollowsLegs;
    figure.jiggles = costumeJiggles();
    figure.costume = paintCostume;
    describeFigure(character, figure);
}

}  // namespace samples
}  // namespace velmora
