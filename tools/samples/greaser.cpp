// "Greaser": a slicked-back black pompadour, a black leather jacket worn open
// over a white t-shirt, blue jeans rolled up at the ankles, black boots. His
// own animation combs his hair back.

#include <algorithm>
#include <cmath>

#include "tools/samples/costume.h"
#include "tools/samples/figure.h"

namespace velmora {
inline namespace samples {

namespace {

enum Region { kHairRegion = kFirstCostumeRegion, kJacketRegion, kCuffRegion };

constexpr Color kSkin = hexColor(0xecc4a2);
constexpr Color kHair = hexColor(0x151417);
constexpr Color kLeather = hexColor(0x1f1e22);
constexpr Color kShirt = hexColor(0xf3f3ef);
constexpr Color kDenim = hexColor(0x34507e);
constexpr Color kCuff = hexColor(0x7393c4);
constexpr Color kBoot = hexColor(0x18161a);
constexpr Color kSteel = hexColor(0xc9ccd2);

// Leather catches the light in a tight bright spot.
Color leather(const PaintSample& sample) {
    const Vector3 halfway = Geometry::normalize({0.25, 0.75, -0.6});
    const double shine = std::pow(std::max(0.0, dot(sample.normal, halfway)), 12);
    return kLeather + Color{0.32, 0.32, 0.36} * shine;
}

Color paintTrunk(const PaintSample& sample) {
    const Vector3& p = sample.position;
    const double h = heightAboveFloor(p);
    const double x = std::fabs(p.x);
    if (h < 46.0) {
        return kDenim;
    }
    if (h < 47.3) {
        // Belt with a steel buckle.
        return lerp(hexColor(0x2a1d16), kSteel,
                    ellipse(p.x, h, 0.0, 46.65, 0.9, 0.6, 0.2) * (p.z < 0 ? 1 : 0));
    }
    if (h > 62.0) {
        return kSkin;
    }
    // The jacket hangs open: a strip of t-shirt down the front, wider at the
    // top, with a zip along each edge; the t-shirt's round neck at the top.
    const double opening = 1.6 + 0.18 * (h - 47.3);
    if (p.z < 0 && x < opening) {
        if (h > 60.2 && x < 2.6) {
            return kSkin;
        }
        return kShirt;
    }
    Color color = leather(sample);
    if (p.z < 0) {
        color = lerp(color, kSteel, band(x, opening + 0.18, 0.09, 0.06));
        // Lapels: a darker seam following the collar.
        color =
            lerp(color, kLeather * 0.5,
                 band(x, opening + 1.5 + 0.1 * (h - 56), 0.07, 0.06) * smoothstep(55.0, 56.0, h));
    }
    return color;
}

Color paintArm(const PaintSample& sample) {
    const double h = heightAboveFloor(sample.position);
    if (h < 36.6) {
        return kSkin;
    }
    return lerp(leather(sample), kLeather * 0.6, band(h, 37.4, 0.35, 0.1));
}

Color paintLeg(const PaintSample& sample) {
    const double h = heightAboveFloor(sample.position);
    if (h < 8.4) {
        return kBoot;
    }
    if (h < 11.0) {
        return lerp(kCuff, kCuff * 0.85, band(h, 9.7, 0.1, 0.08));
    }
    // Side seam in a lighter thread.
    const double side = std::fabs(sample.normal.x);
    return lerp(kDenim, hexColor(0x8a7a5a), 0.5 * smoothstep(0.985, 0.998, side));
}

// Where the quiff of the pompadour bounces from; computed when asked, as it
// rests on the head, which another file describes.
Vector3 quiffRoot() {
    return headCentre() + Vector3(0.0, 3.6, -2.6);
}

// The jacket's hem hangs open in front; three flaps (left front, back, right
// front) swing on their own. Measured as heights and half widths.
constexpr double kJacketTop = 47.8;
constexpr double kJacketHem = 43.6;

void addCostumeBones(Rig& rig) {
    rig.add("quiff", "head", quiffRoot());
    rig.add("jacketRight", "hips", {5.0, kFloorY + 46.0, -3.6});
    rig.add("jacketLeft", "hips", {-5.0, kFloorY + 46.0, -3.6});
    rig.add("jacketBack", "hips", {0.0, kFloorY + 46.0, 4.4});
}

Part pompadourPart(const Rig& rig) {
    HeadCovering hair;
    hair.edge = [](double a) {
        const double front = (1 - std::cos(2 * kPi * a)) / 2;
        return lerp(0.72, 0.3, front);
    };
    // Slicked flat at the sides, a ducktail at the back and the quiff: high
    // over the forehead and overhanging it.
    hair.thickness = [](double u, double a) {
        const double front = (1 - std::cos(2 * kPi * a)) / 2;
        const double back = 1 - front;
        const double quiff =
            std::pow(front, 3) * smoothstep(0.15, 0.85, u) * (1 - 0.35 * smoothstep(0.93, 1.0, u));
        const double ducktail =
            back * back * smoothstep(0.5, 0.85, u) * (1 - smoothstep(0.9, 1.0, u));
        const double slick = 0.32 * (1 - smoothstep(0.75, 1.0, u));
        return 0.05 + slick + 2.5 * quiff + 0.6 * ducktail;
    };
    const int head = rig.index("head");
    const int quiff = rig.index("quiff");
    return makePart("pompadour", kHairRegion, headCoveringShape(hair), 18, 44, 144, 64,
                    [head, quiff](const Vector3&, double u, double a) {
                        const double front = (1 - std::cos(2 * kPi * a)) / 2;
                        return Weights::blend(Weights(head), Weights(quiff),
                                              front * front * smoothstep(0.3, 0.8, u));
                    });
}

Part jacketTailsPart(const Rig& rig) {
    // height, half width, front and back depth
    const Profile profile{
        {kJacketHem, 7.5, 5.0, 5.5}, {45.8, 7.0, 4.7, 4.8}, {kJacketTop, 6.1, 3.9, 3.7}};
    Tube tube = bandTube(profile, kJacketTop, kJacketHem, 0.3);
    const SurfaceShape round = tubeShape(tube);
    // Round from the right front edge, past the back, to the left front edge.
    const double gap = 0.06;
    const SurfaceShape open = [round, gap](double s, double a) {
        return round(s, 0.5 + gap + a * (1 - 2 * gap));
    };
    const int hips = rig.index("hips");
    const int right = rig.index("jacketRight");
    const int left = rig.index("jacketLeft");
    const int back = rig.index("jacketBack");
    const WeightRule weights = [=](const Vector3& rest, double, double) {
        const double hang = smoothstep(kJacketTop, kJacketHem, heightAboveFloor(rest));
        const double toRight = std::max(0.0, rest.x - 0.5 * std::max(0.0, rest.z));
        const double toLeft = std::max(0.0, -rest.x - 0.5 * std::max(0.0, rest.z));
        const double toBack = std::max(0.0, 2.0 * rest.z);
        const double total = toRight + toLeft + toBack + 1e-9;
        Weights result;
        result.add(hips, 1 - hang);
        result.add(right, hang * toRight / total);
        result.add(left, hang * toLeft / total);
        result.add(back, hang * toBack / total);
        return result;
    };
    Part part = makePart("jacketTails", kJacketRegion, open, 8, 48, 160, 24, weights);
    part.periodicAround = false;
    return part;
}

// A turned-up jeans cuff over the top of the boot.
Part cuffPart(const Rig& rig) {
    const double hipX = 7.0 * 0.56;
    Part part = makePart("cuffRight", kCuffRegion,
                         ringShape({hipX - 0.13, kFloorY + 9.9, 0.4}, kUp, 2.5, 0.7), 8, 24, 48, 16,
                         rigidTo(rig.index("shinRight")));
    part.periodicAlong = true;
    return part;
}

std::vector<Part> costumeParts(const Rig& rig) {
    std::vector<Part> parts{pompadourPart(rig), jacketTailsPart(rig), cuffPart(rig)};
    parts.push_back(mirrored(parts.back(), "cuffLeft", rig));
    return parts;
}

// The open jacket's front flaps make way for the thighs.
void jacketFollowsLegs(const Rig& rig, RigPose& pose) {
    const double right = thighSwing(rig, pose, "Right");
    const double left = thighSwing(rig, pose, "Left");
    pose.rotationOf(rig, "jacketRight") = axisAngle(kRight, 0.6 * std::max(0.0, right));
    pose.rotationOf(rig, "jacketLeft") = axisAngle(kRight, 0.6 * std::max(0.0, left));
    pose.rotationOf(rig, "jacketBack") = axisAngle(kRight, 0.4 * std::min({0.0, right, left}));
}

std::vector<Jiggle> costumeJiggles() {
    const Vector3 hem{0.0, kFloorY + kJacketHem, 0.0};
    return {
        {"quiff", quiffRoot() + Vector3(0, 0.5, -2.5), 3.0, 0.3, 0.15},
        {"jacketRight", hem + Vector3(5.6, 0, -4.4), 2.2, 0.3, 0.45},
        {"jacketLeft", hem + Vector3(-5.6, 0, -4.4), 2.2, 0.3, 0.45},
        {"jacketBack", hem + Vector3(0, 0, 6.1), 2.2, 0.3, 0.35},
    };
}

Color paintCostume(const PaintSample& sample) {
    switch (sample.region) {
        case kHairRegion:
            return hairColor(sample, kHair, 56);
        case kCuffRegion:
            return lerp(kCuff, kCuff * 0.8, band(sample.s, 0.5, 0.08, 0.05));
        default:
            return leather(sample);
    }
}

// Two strokes of a comb from the front of the pompadour back over the side of
// the head, the other hand in the hip pocket.
Clip combClip(const Rig& rig) {
    Clip clip;
    clip.name = "Comb";
    clip.frames = 72;
    clip.pose = [&rig](double phase) {
        RigPose pose(rig);
        const double stroke = 2 * phase - std::floor(2 * phase);
        // Forward along the hair (0 -> 1) for most of the stroke, then back
        // round to the start.
        const double along =
            stroke < 0.7 ? smoothstep(0.0, 0.7, stroke) : 1 - smoothstep(0.7, 1.0, stroke);
        const double sway = std::sin(2 * kPi * phase);
        placeHips(rig, pose, {-0.7, -0.5, 0.0}, 0.0, radians(-4), radians(-2.5));
        pose.rotationOf(rig, "spine") = turn(radians(-1), radians(2), radians(1.5));
        pose.rotationOf(rig, "chest") = turn(radians(1), radians(3), radians(1));
        pose.rotationOf(rig, "neck") = turn(radians(2), 0.0, radians(-2));
        pose.rotationOf(rig, "head") =
            turn(radians(3) + radians(3) * along, radians(6) - radians(8) * along, radians(-5));
        ArmAim comb;
        comb.upper =
            Geometry::normalize(lerp(Vector3(0.45, 0.3, -0.85), Vector3(0.95, 0.45, 0.05), along) +
                                Vector3(0, (stroke < 0.7 ? 0.0 : -0.25) * bump(stroke), 0));
        comb.bendToward =
            Geometry::normalize(lerp(Vector3(-0.5, 0.7, -0.2), Vector3(-0.6, 0.6, 0.45), along));
        comb.elbow = radians(128) - radians(8) * along;
        comb.shrug = radians(6);
        comb.wristPitch = radians(-15);
        aimArm(rig, pose, "Right", comb);
        ArmAim pocket;
        pocket.upper = hangingArm(rig, "Left", radians(-12), radians(14));
        pocket.elbow = radians(38);
        pocket.bendToward = {0.6, 0.0, -0.8};
        aimArm(rig, pose, "Left", pocket);
        breathe(rig, pose, sway);
        placeFoot(rig, pose, "Left", {});
        FootPlacement easy;
        easy.heelLift = radians(6);
        placeFoot(rig, pose, "Right", easy);
        return pose;
    };
    return clip;
}

}  // namespace

void describeGreaser(SampleCharacter& character) {
    Figure figure;
    figure.name = "greaser";
    figure.shape.hipWidth = 7.0;
    figure.shape.waistWidth = 6.3;
    figure.shape.chestWidth = 7.9;
    figure.shape.shoulderWidth = 8.6;
    figure.shape.limbGirth = 1.02;
    figure.shape.footwear = Footwear::kBoot;
    figure.shape.bootGirth = 0.45;
    figure.shape.bootTop = 8.5;
    figure.face.skin = kSkin;
    figure.face.hair = kHair;
    figure.face.iris = hexColor(0x3b5a7a);
    figure.face.brows = hexColor(0x1a1614);
    figure.face.lips = hexColor(0xb87766);
    figure.face.hairlineFront = 0.5;
    figure.face.hairlineBack = -0.45;
    figure.face.sideburns = -0.05;
    figure.face.stubble = 0.25;
    figure.trunk = paintTrunk;
    figure.arms = paintArm;
    figure.legs = paintLeg;
    figure.shoes = [](const PaintSample&) { return kBoot; };
    figure.style.hipSway = 0.8;
    figure.style.armSwing = 0.8;
    figure.style.lean = radians(-1);
    figure.ownClip = combClip;
    figure.costumeBones = addCostumeBones;
    figure.costumeParts = costumeParts;
    figure.followBody = jacketFollowsLegs;
    figure.jiggles = costumeJiggles();
    figure.costume = paintCostume;
    describeFigure(character, figure);
}

}  // namespace samples
}  // namespace velmora
