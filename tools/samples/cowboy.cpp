// "Cowboy": a wide-brimmed hat, a red plaid shirt under a brown leather vest,
// a neckerchief, jeans with a big-buckled belt and tall boots. His own
// animation swings a lasso over his head.

#include <cmath>

#include "tools/samples/figure.h"

namespace {

const Color kSkin = hexColor(0xcf9468);
const Color kHair = hexColor(0x5a3a22);
const Color kShirt = hexColor(0xb3342c);
const Color kVest = hexColor(0x5e3b22);
const Color kDenim = hexColor(0x3a5788);
const Color kBoot = hexColor(0x7a4a26);
const Color kBrass = hexColor(0xd6b25a);

Color plaid(const PaintSample& sample) {
    // Checks from the rest position: darker stripes across and along.
    const Vector3& p = sample.position;
    const double across = band(std::fmod(std::fabs(p.x) + 10.0, 2.2), 1.1, 0.28, 0.12);
    const double along = band(std::fmod(p.y + 40.0, 2.2), 1.1, 0.28, 0.12);
    Color color = kShirt;
    color = mix(color, kShirt * 0.55, 0.55 * across);
    color = mix(color, kShirt * 0.55, 0.55 * along);
    return mix(color, hexColor(0xe8d7b0), 0.5 * band(std::fmod(p.y + 40.0, 2.2), 0.2, 0.06, 0.05));
}

Color paintTrunk(const PaintSample& sample) {
    const Vector3& p = sample.position;
    const double h = heightAboveFloor(p);
    const double x = std::fabs(p.x);
    if (h < 45.8) {
        return kDenim;
    }
    if (h < 47.4) {
        const double buckle = ellipse(p.x, h, 0.0, 46.6, 1.5, 1.0, 0.15) * (p.z < 0 ? 1 : 0);
        return mix(hexColor(0x3b2416), kBrass, buckle);
    }
    if (h > 62.2) {
        return kSkin;
    }
    // The vest covers all but a V down the front; the shirt shows there, the
    // neckerchief at the throat.
    const double opening = 0.8 + 0.35 * (h - 47.4);
    if (p.z < 0 && x < opening && h > 48.0) {
        if (h > 57.0 && x < 1.7 + 0.45 * (h - 57.0)) {
            return h > 60.3 ? kSkin : hexColor(0xb21f24);
        }
        return plaid(sample);
    }
    if (x > 6.6 && h > 51.0) {
        // Arm holes of the vest.
        return plaid(sample);
    }
    Color color = kVest;
    color = mix(color, kVest * 0.6, band(x, opening + 0.2, 0.08, 0.06) * (p.z < 0 ? 1 : 0));
    return color;
}

Color paintLeg(const PaintSample& sample) {
    const double h = heightAboveFloor(sample.position);
    if (h < 15.0) {
        // Boot shaft with a stitched pattern.
        const double stitch =
            band(std::fabs(sample.position.x - (sample.position.x > 0 ? 4.0 : -4.0)) +
                     0.3 * std::sin(h * 1.3),
                 0.9, 0.06, 0.05);
        return mix(mix(kBoot, kBoot * 1.25, stitch), kBoot * 0.6, band(h, 14.6, 0.3, 0.1));
    }
    return kDenim;
}

// The lasso hand circles high over the head while the other rests on the belt.
Clip lassoClip(const Rig& rig) {
    Clip clip;
    clip.name = "Lasso";
    clip.frames = 48;
    clip.pose = [&rig](double phase) {
        Pose pose(rig);
        const double angle = 2 * kPi * 2 * phase;
        const double sway = std::sin(angle);
        placeHips(rig, pose, {0.4 * sway, -0.7, 0.0}, 0.0, radians(3) * std::cos(angle), 0.0);
        pose.rotationOf(rig, "spine") = turn(0.0, radians(-3) * std::cos(angle), radians(-2));
        pose.rotationOf(rig, "chest") =
            turn(radians(2), radians(-2) * std::cos(angle), radians(-2));
        pose.rotationOf(rig, "neck") = turn(radians(-4), 0.0, 0.0);
        pose.rotationOf(rig, "head") = turn(radians(-6), radians(3) * sway, 0.0);
        ArmAim lasso;
        lasso.upper =
            Geometry::normalize({0.4 + 0.18 * std::cos(angle), 0.95, 0.18 * std::sin(angle)});
        lasso.bendToward = {-0.5, 0.5, -0.5};
        lasso.elbow = radians(35);
        lasso.shrug = radians(10);
        lasso.wristTurn = radians(20) * std::sin(angle);
        aimArm(rig, pose, "Right", lasso);
        ArmAim belt;
        belt.upper = hangingArm(rig, "Left", radians(-8), radians(18));
        belt.elbow = radians(70);
        belt.bendToward = {0.7, 0.0, -0.7};
        aimArm(rig, pose, "Left", belt);
        breathe(rig, pose, sway);
        placeFoot(rig, pose, "Right", {});
        placeFoot(rig, pose, "Left", {});
        return pose;
    };
    return clip;
}

}  // namespace

void describeCowboy(Character& character) {
    Figure figure;
    figure.name = "cowboy";
    figure.shape.hipWidth = 7.3;
    figure.shape.waistWidth = 6.6;
    figure.shape.chestWidth = 8.0;
    figure.shape.shoulderWidth = 8.7;
    figure.shape.limbGirth = 1.05;
    figure.shape.footwear = Footwear::kCowboyBoot;
    figure.shape.bootGirth = 0.5;
    figure.shape.bootTop = 15.0;
    figure.face.skin = kSkin;
    figure.face.hair = kHair;
    figure.face.iris = hexColor(0x4a3a26);
    figure.face.brows = hexColor(0x4a301c);
    figure.face.lips = hexColor(0xa9654c);
    figure.face.moustache = 1.0;
    figure.face.hairlineFront = 0.5;
    figure.face.hairlineBack = -0.4;
    figure.face.stubble = 0.2;
    figure.trunk = paintTrunk;
    figure.arms = [](const PaintSample& sample) {
        return heightAboveFloor(sample.position) < 36.8 ? kSkin : plaid(sample);
    };
    figure.legs = paintLeg;
    figure.shoes = [](const PaintSample& sample) {
        return mix(kBoot, kBoot * 0.5, smoothstep(0.8, 0.5, heightAboveFloor(sample.position)));
    };
    figure.style.hipSway = 0.7;
    figure.style.stepHeight = 0.9;
    figure.style.idleArmSpread = radians(4);
    figure.style.idleElbow = 0.3;
    figure.ownClip = lassoClip;
    describeFigure(character, figure);
}
