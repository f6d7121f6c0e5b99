// "School Girl": a sailor-style school uniform (white blouse with a navy
// collar and a red scarf), a navy pleated skirt, white knee socks, brown
// loafers, dark hair in two pigtails. Her own animation is a wave.

#include <cmath>

#include "tools/samples/figure.h"

namespace {

const Color kSkin = hexColor(0xf3d2b8);
const Color kHair = hexColor(0x3b2219);
const Color kBlouse = hexColor(0xf4f4f0);
const Color kNavy = hexColor(0x1f2a4d);
const Color kScarf = hexColor(0xc8283a);
const Color kSocks = hexColor(0xf2f2ee);
const Color kLoafer = hexColor(0x4a2a1c);

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
        color = mix(color, kNavy, collar);
        color = mix(color, kBlouse, stripe);
        // The scarf's knot at the bottom of the V.
        color = mix(color, kScarf, ellipse(p.x, h, 0.0, collarDepth - 0.6, 1.2, 1.0, 0.2));
    } else {
        const double flap = (h > 53.5 ? 1.0 : 0.0) * (x < 6.2 ? 1.0 : 0.0);
        color = mix(color, kNavy, flap);
        const double stripe = flap * (band(h, 54.3, 0.12, 0.08) + band(x, 5.4, 0.12, 0.08));
        color = mix(color, kBlouse, clamp(stripe, 0.0, 1.0));
    }
    return color;
}

Color paintArm(const PaintSample& sample) {
    // Short puffed sleeves with a navy cuff line, then bare arm.
    const double h = heightAboveFloor(sample.position);
    if (h > 53.0) {
        return mix(kBlouse, kNavy, band(h, 53.6, 0.25, 0.1));
    }
    return kSkin;
}

Color paintLeg(const PaintSample& sample) {
    const double h = heightAboveFloor(sample.position);
    if (h > 36.0) {
        return kNavy;
    }
    if (h < 19.5) {
        return mix(kSocks, kNavy, band(h, 18.6, 0.25, 0.1));
    }
    return kSkin;
}

Clip waveClip(const Rig& rig) {
    Clip clip;
    clip.name = "Wave";
    clip.frames = 60;
    clip.pose = [&rig](double phase) {
        Pose pose(rig);
        const double wave = std::sin(2 * kPi * 3 * phase);
        const double sway = std::sin(2 * kPi * phase);
        placeHips(rig, pose, {0.5 * sway, -0.45, 0.0}, 0.0, 0.0, radians(1.5) * sway);
        pose.rotationOf(rig, "spine") = turn(0.0, radians(4), radians(-2) * sway);
        pose.rotationOf(rig, "chest") = turn(0.0, radians(3), radians(-1));
        pose.rotationOf(rig, "neck") = turn(0.0, 0.0, radians(-3));
        pose.rotationOf(rig, "head") =
            turn(radians(-3), radians(-4), radians(-6) + radians(2) * wave);
        ArmAim right;
        right.upper = {0.75, 0.62, -0.2};
        right.bendToward = {-0.3, 1.0, -0.3};
        right.elbow = radians(65) + radians(28) * wave;
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

void describeSchoolGirl(Character& character) {
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
    describeFigure(character, figure);
}
