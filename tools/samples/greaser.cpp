// "Greaser": a slicked-back black pompadour, a black leather jacket worn open
// over a white t-shirt, blue jeans rolled up at the ankles, black boots. His
// own animation combs his hair back.

#include <cmath>

#include "tools/samples/figure.h"

namespace {

const Color kSkin = hexColor(0xecc4a2);
const Color kHair = hexColor(0x151417);
const Color kLeather = hexColor(0x1f1e22);
const Color kShirt = hexColor(0xf3f3ef);
const Color kDenim = hexColor(0x34507e);
const Color kCuff = hexColor(0x7393c4);
const Color kBoot = hexColor(0x18161a);
const Color kSteel = hexColor(0xc9ccd2);

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
        return mix(hexColor(0x2a1d16), kSteel,
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
        color = mix(color, kSteel, band(x, opening + 0.18, 0.09, 0.06));
        // Lapels: a darker seam following the collar.
        color =
            mix(color, kLeather * 0.5,
                band(x, opening + 1.5 + 0.1 * (h - 56), 0.07, 0.06) * smoothstep(55.0, 56.0, h));
    }
    return color;
}

Color paintArm(const PaintSample& sample) {
    const double h = heightAboveFloor(sample.position);
    if (h < 36.6) {
        return kSkin;
    }
    return mix(leather(sample), kLeather * 0.6, band(h, 37.4, 0.35, 0.1));
}

Color paintLeg(const PaintSample& sample) {
    const double h = heightAboveFloor(sample.position);
    if (h < 8.4) {
        return kBoot;
    }
    if (h < 11.0) {
        return mix(kCuff, kCuff * 0.85, band(h, 9.7, 0.1, 0.08));
    }
    // Side seam in a lighter thread.
    return mix(kDenim, hexColor(0xc8a05a),
               band(sample.normal.x * (sample.position.x > 0 ? 1 : -1), 0.98, 0.02, 0.01));
}

// Two strokes of a comb from the front of the pompadour back over the side of
// the head, the other hand in the hip pocket.
Clip combClip(const Rig& rig) {
    Clip clip;
    clip.name = "Comb";
    clip.frames = 72;
    clip.pose = [&rig](double phase) {
        Pose pose(rig);
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
            Geometry::normalize(mix(Vector3(0.45, 0.3, -0.85), Vector3(0.95, 0.45, 0.05), along) +
                                Vector3(0, (stroke < 0.7 ? 0.0 : -0.25) * bump(stroke), 0));
        comb.bendToward =
            Geometry::normalize(mix(Vector3(-0.5, 0.7, -0.2), Vector3(-0.6, 0.6, 0.45), along));
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

void describeGreaser(Character& character) {
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
    figure.style.idleArmSpread = radians(2);
    figure.ownClip = combClip;
    describeFigure(character, figure);
}
