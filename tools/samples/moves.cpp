#include "tools/samples/moves.h"

#include <cmath>

namespace velmora {
inline namespace samples {

namespace {

constexpr Vector3 kRoll{0, 0, 1};

double wave(double phase, double cycles, double shift = 0.0) {
    return std::sin(2 * kPi * (cycles * phase + shift));
}

double wrapPhase(double phase) {
    return phase - std::floor(phase);
}

// Eases the head back towards looking straight ahead: the neck and head undo
// part of the yaw and pitch that the hips and trunk gave them.
void steadyHead(RigPose& pose, const Rig& rig, double yaw, double pitch, double lookYaw,
                double lookPitch) {
    pose.rotationOf(rig, "neck") = turn(0.4 * pitch, 0.4 * yaw, 0.0);
    pose.rotationOf(rig, "head") = turn(0.6 * pitch + lookPitch, 0.6 * yaw + lookYaw, 0.0);
}

FootPlacement walkingFoot(double q, const MotionStyle& style) {
    // stance | heel rises | foot swings up and back down | heel lowers
    // 0      0.5          0.6                            0.9          1
    FootPlacement foot;
    const double heelUp = radians(25);
    const double landing = radians(8);
    if (q < 0.5) {
        return foot;
    }
    if (q < 0.6) {
        foot.heelLift = heelUp * smoothstep(0.5, 0.6, q);
    } else if (q < 0.9) {
        const double u = (q - 0.6) / 0.3;
        foot.lift = 7.5 * style.stepHeight * bump(u);
        foot.heelLift = lerp(heelUp, landing, smoothstep(0.0, 1.0, u));
        // Forward no faster than up, so the ball leaves and meets the floor
        // without scuffing it.
        foot.forward = 1.5 * bump(u);
    } else {
        foot.heelLift = landing * (1 - smoothstep(0.9, 1.0, q));
    }
    return foot;
}

FootPlacement runningFoot(double q, const MotionStyle& style) {
    // on the ball of the foot | in the air, knee driven up
    // 0                       0.32                          1
    FootPlacement foot;
    if (q < 0.32) {
        foot.heelLift = radians(16 - 6 * std::sin(kPi * q / 0.32));
        return foot;
    }
    const double u = (q - 0.32) / 0.68;
    foot.lift = 10.0 * style.stepHeight * bump(u);
    foot.heelLift = radians(16 + 22 * std::sin(kPi * u));
    // Kicked back, then brought through to land where it took off.
    foot.forward = -4.0 * std::sin(2 * kPi * u) * bump(u);
    foot.toeBend = radians(10) * std::sin(kPi * u);
    return foot;
}

}  // namespace

double sideSign(const std::string& side) {
    return side == "Right" ? 1.0 : -1.0;
}

double bump(double x) {
    return (1 - std::cos(2 * kPi * clamp(x, 0.0, 1.0))) / 2;
}

Vector3 hangingArm(const Rig& rig, const std::string& side, double pitch, double spread) {
    const Vector3 rest = rig.joint("forearm" + side) - rig.joint("upperArm" + side);
    const Quaternion turned = axisAngle(kRoll, sideSign(side) * spread) * axisAngle(kRight, pitch);
    return rotate(turned, rest);
}

void aimArm(const Rig& rig, RigPose& pose, const std::string& side, const ArmAim& aim) {
    const double sign = sideSign(side);
    pose.rotationOf(rig, "clavicle" + side) =
        axisAngle(kUp, sign * aim.reach) * axisAngle(kRoll, sign * aim.shrug);
    const Vector3 rest = rig.joint("forearm" + side) - rig.joint("upperArm" + side);
    pose.rotationOf(rig, "upperArm" + side) = aimRotation(rest, aim.upper, aim.bendToward);
    pose.rotationOf(rig, "forearm" + side) = axisAngle(kRight, aim.elbow);
    pose.rotationOf(rig, "hand" + side) =
        axisAngle(kRight, aim.wristPitch) * axisAngle(kRoll, sign * aim.wristTurn);
}

double thighSwing(const Rig& rig, const RigPose& pose, const std::string& side) {
    const int thigh = rig.index("thigh" + side);
    const Vector3 hanging = rig.joint("shin" + side) - rig.bone(thigh).joint;
    const Vector3 swung = rotate(pose.rotation[thigh], hanging);
    return std::atan2(-swung.z, -swung.y);
}

void placeHips(const Rig& rig, RigPose& pose, const Vector3& offset, double pitch, double yaw,
               double roll) {
    const int hips = rig.index("hips");
    pose.translation[hips] = rig.bone(hips).joint + offset;
    pose.rotation[hips] = turn(pitch, yaw, roll);
}

void breathe(const Rig& rig, RigPose& pose, double amount) {
    const int chest = rig.index("chest");
    pose.translation[chest] = pose.translation[chest] + Vector3(0, 0.12 * amount, 0);
    pose.rotation[chest] = pose.rotation[chest] * axisAngle(kRight, radians(0.8) * amount);
    for (const char* side : {"Right", "Left"}) {
        Quaternion& clavicle = pose.rotationOf(rig, std::string("clavicle") + side);
        clavicle = axisAngle(kRoll, sideSign(side) * radians(1.2) * amount) * clavicle;
    }
}

Clip idleClip(const Rig& rig, const MotionStyle& style) {
    Clip clip;
    clip.name = "Idle";
    clip.frames = 150;
    clip.pose = [&rig, style](double phase) {
        RigPose pose(rig);
        // One shift of weight from foot to foot and back, two breaths, a slow
        // look around.
        const double shift = wave(phase, 1);
        const double breath = wave(phase, 2);
        placeHips(rig, pose, {0.9 * style.hipSway * shift, -0.5, 0.0}, 0.0,
                  radians(2) * wave(phase, 1, 0.1), radians(2.5) * style.hipSway * shift);
        pose.rotationOf(rig, "spine") = turn(0.0, radians(-1), radians(-1.3) * shift);
        pose.rotationOf(rig, "chest") = turn(0.0, radians(-1), radians(-1.0) * shift);
        steadyHead(pose, rig, radians(2), 0.0, radians(7) * wave(phase, 1, 0.3),
                   radians(2) * wave(phase, 2, 0.15));
        for (const char* side : {"Right", "Left"}) {
            const double sway = wave(phase, 1, sideSign(side) * 0.1);
            ArmAim arm;
            arm.upper = hangingArm(rig, side, radians(3 + 1.5 * sway), style.idleArmSpread);
            arm.elbow = style.idleElbow + 0.03 * sway;
            aimArm(rig, pose, side, arm);
        }
        breathe(rig, pose, breath);
        placeFoot(rig, pose, "Right", {});
        placeFoot(rig, pose, "Left", {});
        return pose;
    };
    return clip;
}

namespace {

// What tells a walk from a run; angles in radians, lengths in units. Both
// make two strides per loop, and the phase p below runs once per stride.
struct Gait {
    std::string name;
    int frames = 64;
    double lean = 0.0;
    // Hips: sideways sway, height and its bob (lowest at p = bobLow and half a
    // stride later), turn towards the swinging leg.
    double sway = 0.0;
    double height = 0.0;
    double bob = 0.0;
    double bobLow = 0.0;
    double hipYaw = 0.0;
    double hipRoll = 0.0;
    // Counter-turn of spine and chest; head turn left after the trunk's.
    double spineYaw = 0.0;
    double spineRoll = 0.0;
    double chestYaw = 0.0;
    double chestPitch = 0.0;
    double headYaw = 0.0;
    double headPitch = 0.0;
    // Arms: swing about a forward bias, its delay behind the legs (in strides),
    // spread, elbow bend and its increase when swung forward, wrist bend.
    double armSwing = 0.0;
    double armDelay = 0.0;
    double armBias = 0.0;
    double armSpread = 0.0;
    double elbow = 0.0;
    double elbowForward = 0.0;
    double wrist = 0.0;
    double breath = 0.0;
    FootPlacement (*foot)(double q, const MotionStyle& style) = nullptr;
};

Clip gaitClip(const Rig& rig, const MotionStyle& style, const Gait& gait) {
    Clip clip;
    clip.name = gait.name;
    clip.frames = gait.frames;
    clip.pose = [&rig, style, gait](double phase) {
        RigPose pose(rig);
        const double p = wrapPhase(2 * phase);
        const double stride = wave(p, 1);
        const double lean = gait.lean + style.lean;
        placeHips(
            rig, pose,
            {gait.sway * style.hipSway * stride,
             gait.height - gait.bob * style.bounce * std::cos(4 * kPi * (p - gait.bobLow)), 0.0},
            -lean, gait.hipYaw * stride, gait.hipRoll * style.hipSway * stride);
        pose.rotationOf(rig, "spine") = turn(0.0, gait.spineYaw * stride, gait.spineRoll * stride);
        pose.rotationOf(rig, "chest") =
            turn(gait.chestPitch + 0.5 * lean, gait.chestYaw * stride, 0.0);
        steadyHead(pose, rig, gait.headYaw * stride, gait.headPitch + 0.5 * lean, 0.0, 0.0);
        for (const char* side : {"Right", "Left"}) {
            const double forward = sideSign(side) * wave(p, 1, gait.armDelay);
            ArmAim arm;
            arm.upper =
                hangingArm(rig, side, gait.armSwing * style.armSwing * forward + gait.armBias,
                           gait.armSpread + style.idleArmSpread);
            arm.elbow = gait.elbow + gait.elbowForward * std::max(0.0, forward);
            arm.wristPitch = gait.wrist;
            aimArm(rig, pose, side, arm);
        }
        breathe(rig, pose, gait.breath * wave(phase, 1));
        placeFoot(rig, pose, "Right", gait.foot(p, style));
        placeFoot(rig, pose, "Left", gait.foot(wrapPhase(p + 0.5), style));
        return pose;
    };
    return clip;
}

}  // namespace

Clip walkClip(const Rig& rig, const MotionStyle& style) {
    // Two strides of 32 frames (a little over a second each).
    Gait walk;
    walk.name = "Walk";
    walk.frames = 64;
    walk.lean = radians(2);
    walk.sway = 0.7;
    walk.height = -0.55;
    walk.bob = 0.25;
    walk.hipYaw = radians(-4);
    walk.hipRoll = radians(2);
    walk.spineYaw = radians(3);
    walk.spineRoll = radians(-1);
    walk.chestYaw = radians(4);
    walk.headYaw = radians(-3);
    walk.armSwing = radians(24);
    walk.armBias = radians(2);
    walk.armSpread = radians(3);
    walk.elbow = 0.25;
    walk.elbowForward = 0.25;
    walk.breath = 0.3;
    walk.foot = walkingFoot;
    return gaitClip(rig, style, walk);
}

Clip runClip(const Rig& rig, const MotionStyle& style) {
    // Two strides of 20 frames, 180 steps a minute.
    Gait run;
    run.name = "Run";
    run.frames = 40;
    run.lean = radians(7);
    run.sway = 0.3;
    run.height = -1.6;
    run.bob = 0.7;
    run.bobLow = 0.16;
    run.hipYaw = radians(-6);
    run.hipRoll = radians(1.5);
    run.spineYaw = radians(4);
    run.chestYaw = radians(5);
    run.chestPitch = radians(2) - 0.5 * run.lean;
    run.headYaw = radians(-5);
    run.headPitch = 0.5 * run.lean - radians(1);
    run.armSwing = radians(32);
    run.armDelay = 0.09;
    run.armBias = radians(-4);
    run.armSpread = radians(8);
    run.elbow = radians(85);
    run.elbowForward = radians(10);
    run.wrist = radians(-10);
    run.foot = runningFoot;
    return gaitClip(rig, style, run);
}

}  // namespace samples
}  // namespace velmora
